// One protocol line, split into its fields. A received line is parsed once, at the link, and
// travels in this form through the dialect, the logs and the dispatch.
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
    std::string text;                 // the whole line as received, or as built from the fields

    // A line from its fields; `trailing` writes the last parameter after " :".
    static IrcLine Build(std::string prefix, std::string command, std::vector<std::string> params,
                         bool trailing = false);

    // The nick of the prefix: the part before "!" or "@".
    std::string SourceNick() const;
    const std::string& Param(std::size_t index) const;  // "" when absent
    const std::string& LastParam() const;               // "" when there is none
    bool Is(std::string_view name) const;               // the command, letter case ignored
};

// Prefix, command, then parameters separated by blanks; a parameter starting with ":" takes
// the rest of the line. Trailing blanks are tolerated. No command gives nullopt.
std::optional<IrcLine> ParseIrcLine(std::string_view line);

}  // namespace nb
