#include "help/help_files.h"

#include "core/text.h"

namespace nb {

bool IsSafeHelpTopic(const std::string& topic) {
    // Any colon is refused: on other systems it names a drive or a stream.
    return topic.find_first_of("/\\:") == std::string::npos && topic.find("..") == std::string::npos &&
           topic.find('\0') == std::string::npos;
}

std::optional<std::filesystem::path> FindEntryIgnoringCase(const std::filesystem::path& folder,
                                                           const std::string& name) {
    std::error_code error;
    std::filesystem::path exact = folder / name;
    if (std::filesystem::exists(exact, error)) return exact;
    // Administrators may write "Send.nb2" or "MemoServ": names do not depend on letter case.
    std::filesystem::directory_iterator entries(folder, error);
    if (error) return std::nullopt;
    for (const auto& entry : entries) {
        if (IEquals(entry.path().filename().string(), name)) return entry.path();
    }
    return std::nullopt;
}

std::string ReplacePlaceholder(const std::string& line, const std::string& placeholder, const std::string& value) {
    std::string lowerLine = ToLower(line);
    std::string lowerPlaceholder = ToLower(placeholder);
    std::string result;
    std::size_t from = 0;
    for (;;) {
        std::size_t found = lowerLine.find(lowerPlaceholder, from);
        if (found == std::string::npos) break;
        result.append(line, from, found - from);
        result += value;
        from = found + placeholder.size();
    }
    result.append(line, from);
    return result;
}

}  // namespace nb
