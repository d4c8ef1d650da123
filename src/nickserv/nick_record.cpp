#include "nickserv/nick_record.h"

#include <algorithm>

#include "core/text.h"

namespace nb {
namespace {

// The rest up to the first blank; the rest then continues after that blank. Without a blank
// the word is the whole rest.
std::string TakeWord(std::string_view& rest) {
    std::size_t blank = rest.find(' ');
    std::string word(rest.substr(0, blank));
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
    return word;
}

// The text between the opening character and the first `closer`, skipping the closer and the
// blank after it. Without a closer the rest stays as it is and the fallback is used.
std::string TakeBracketed(std::string_view& rest, char closer, const std::string& fallback) {
    std::size_t close = rest.find(closer);
    if (close == std::string_view::npos) return fallback;
    std::string value = close == 0 ? std::string() : std::string(rest.substr(1, close - 1));
    rest = rest.substr(std::min(close + 2, rest.size()));
    return value;
}

}  // namespace

std::string FormatNickLine(const RegisteredNick& record) {
    std::string line;
    AppendNickLine(line, record);
    return line;
}

void AppendNickLine(std::string& out, const RegisteredNick& record) {
    for (std::string_view part :
         {std::string_view(record.nick), std::string_view(" "), std::string_view(record.password),
          std::string_view(" "), std::string_view(record.accessHosts[0]), std::string_view(" "),
          std::string_view(record.accessHosts[1]), std::string_view(" "), std::string_view(record.accessHosts[2]),
          std::string_view(" ["), std::string_view(record.lastSeen), std::string_view("] {"),
          std::string_view(record.realName), std::string_view("} ["), std::string_view(record.email),
          std::string_view("] ("), std::string_view(record.url), std::string_view(") "), std::string_view(record.age),
          std::string_view(record.flag ? " True " : " False "), std::string_view(ReplyCommand(record.replyType)),
          std::string_view(" "), std::string_view(record.registeredOn), std::string_view("\r\n")}) {
        out += part;
    }
}

RegisteredNick ParseNickLine(std::string_view line, const std::string& nowText) {
    RegisteredNick record;
    std::string_view rest = line;
    record.nick = TakeWord(rest);
    record.password = TakeWord(rest);
    for (auto& host : record.accessHosts) host = TakeWord(rest);
    record.lastSeen = TakeBracketed(rest, ']', nowText);
    record.realName = TakeBracketed(rest, '}', "N/A");
    record.email = TakeBracketed(rest, ']', "N/A");
    record.url = TakeBracketed(rest, ')', "N/A");
    record.age = TakeWord(rest);
    record.flag = IEquals(TakeWord(rest), "True");
    // Anything but PRIVMSG would put a broken command on the wire.
    record.replyType = IEquals(TakeWord(rest), "PRIVMSG") ? ReplyType::Privmsg : ReplyType::Notice;
    record.registeredOn = std::string(rest);
    return record;
}

void AppendQuitLine(std::string& out, const RegisteredNick& record) {
    out += record.nick;
    out += ' ';
    out += record.lastQuit;
    out += "\r\n";
}

}  // namespace nb
