// One received protocol line, split into its fields.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nb {

struct IrcLine {
    std::string prefix;   // without the leading ":"; empty when the line has none
    std::string command;  // as sent; compare with IEquals
    std::vector<std::string> params;  // the last one may hold blanks (it followed " :")
    bool hasTrailing = false;         // the last parameter was written after " :"

    // The nick of the prefix: the part before "!" or "@".
    std::string SourceNick() const;
    const std::string& Param(std::size_t index) const;  // "" when absent
    const std::string& LastParam() const;               // "" when there is none
};

// Prefix, command, then parameters separated by blanks; a parameter starting with ":" takes
// the rest of the line. Trailing blanks are tolerated. No command gives nullopt.
std::optional<IrcLine> ParseIrcLine(std::string_view line);

}  // namespace nb
