#include "link/irc_line.h"

#include "core/text.h"

namespace nb {

IrcLine IrcLine::Build(std::string prefix, std::string command, std::vector<std::string> params, bool trailing) {
    IrcLine line;
    line.prefix = std::move(prefix);
    line.command = std::move(command);
    line.params = std::move(params);
    line.hasTrailing = trailing && !line.params.empty();
    if (!line.prefix.empty()) line.text = ":" + line.prefix + " ";
    line.text += line.command;
    for (std::size_t i = 0; i < line.params.size(); ++i) {
        bool last = i + 1 == line.params.size();
        line.text += (last && line.hasTrailing ? " :" : " ") + line.params[i];
    }
    return line;
}

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

bool IrcLine::Is(std::string_view name) const { return IEquals(command, name); }

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
    parsed.text = std::string(line);
    return parsed;
}

}  // namespace nb
