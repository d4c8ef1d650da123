#include "core/irc_line.h"

namespace nb {

std::string IrcLine::SourceNick() const {
    return prefix.substr(0, prefix.find_first_of("!@"));
}

const std::string& IrcLine::Param(std::size_t index) const {
    static const std::string kEmpty;
    return index < params.size() ? params[index] : kEmpty;
}

const std::string& IrcLine::LastParam() const {
    static const std::string kEmpty;
    return params.empty() ? kEmpty : params.back();
}

std::optional<IrcLine> ParseIrcLine(std::string_view line) {
    IrcLine parsed;
    std::size_t pos = 0;
    auto skipBlanks = [&] {
        while (pos < line.size() && line[pos] == ' ') ++pos;
    };
    auto nextWord = [&] {
        std::size_t end = line.find(' ', pos);
        if (end == std::string_view::npos) end = line.size();
        std::string word(line.substr(pos, end - pos));
        pos = end;
        return word;
    };
    skipBlanks();
    if (pos < line.size() && line[pos] == ':') {
        ++pos;
        parsed.prefix = nextWord();
        skipBlanks();
    }
    parsed.command = nextWord();
    if (parsed.command.empty()) return std::nullopt;
    for (;;) {
        skipBlanks();
        if (pos >= line.size()) break;
        if (line[pos] == ':') {
            parsed.params.emplace_back(line.substr(pos + 1));
            parsed.hasTrailing = true;
            break;
        }
        parsed.params.push_back(nextWord());
    }
    return parsed;
}

}  // namespace nb
