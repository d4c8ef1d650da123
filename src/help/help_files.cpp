#include "help/help_files.h"

#include "core/text.h"

namespace nb {

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
