#include "operserv/oper_records.h"

#include "core/text.h"

namespace nb {
namespace {

constexpr int kDefaultLevel = 200;

// The text up to the next blank; `rest` moves past it and the blank.
std::string NextField(std::string_view& rest) {
    std::size_t blank = rest.find(' ');
    std::string field(rest.substr(0, blank));
    rest.remove_prefix(blank == std::string_view::npos ? rest.size() : blank + 1);
    return field;
}

}  // namespace

void AppendOperatorLine(std::string& out, const OperatorEntry& entry) {
    for (const std::string* field : {&entry.nick, &entry.password, &entry.hosts[0], &entry.hosts[1], &entry.hosts[2]}) {
        AppendOneLine(out, *field);
        out += ' ';
    }
    out += std::to_string(entry.level);
    out += "\r\n";
}

OperatorEntry ParseOperatorLine(std::string_view line) {
    OperatorEntry entry;
    entry.nick = NextField(line);
    entry.password = NextField(line);
    for (std::string& host : entry.hosts) host = NextField(line);
    entry.level = static_cast<int>(ToNumber(line));
    return entry;
}

void AppendCommandLevelLine(std::string& out, const CommandLevel& command) {
    AppendOneLine(out, command.name);
    out += ' ' + std::to_string(command.level) + "\r\n";
}

CommandLevel ParseCommandLevelLine(std::string_view line) {
    CommandLevel command;
    command.name = ToLower(NextField(line));
    long long level = ToNumber(line);
    command.level = command.name == "login" ? 0 : (level >= 1 && level <= 500 ? static_cast<int>(level) : kDefaultLevel);
    return command;
}

}  // namespace nb
