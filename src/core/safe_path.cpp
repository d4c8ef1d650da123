#include "core/safe_path.h"

#include <algorithm>

#include "core/text.h"

namespace nb {

namespace fs = std::filesystem;

bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name.find_first_of(std::string_view("/\\:\0", 4)) == std::string_view::npos &&
           name.find("..") == std::string_view::npos;
}

std::optional<fs::path> FindEntryIgnoringCase(const fs::path& folder, std::string_view name) {
    std::error_code error;
    fs::path exact = folder / name;
    if (fs::exists(exact, error)) return exact;
    // Administrators may write "Send.nb2" or "MemoServ": names do not depend on letter case.
    fs::directory_iterator entries(folder, error);
    if (error) return std::nullopt;
    for (const auto& entry : entries) {
        if (IEquals(entry.path().filename().string(), name)) return entry.path();
    }
    return std::nullopt;
}

std::optional<fs::path> FileInFolder(const fs::path& folder, std::string_view name) {
    if (!IsPlainFileName(name)) return std::nullopt;
    auto file = FindEntryIgnoringCase(folder, name);
    std::error_code error;
    if (!file || !fs::is_regular_file(*file, error)) return std::nullopt;
    // A link may point anywhere: what it names must still lie inside the folder.
    fs::path real = fs::canonical(*file, error);
    fs::path inside = fs::canonical(folder, error);
    if (error) return std::nullopt;
    auto [end, ignored] = std::mismatch(inside.begin(), inside.end(), real.begin(), real.end());
    if (end != inside.end()) return std::nullopt;
    return file;
}

}  // namespace nb
