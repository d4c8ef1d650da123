#include "network/logs.h"

#include "core/datetime.h"
#include "core/text.h"

namespace nb {

Logs::Logs(LinkWriter& writer, const LogChannels& channels, const Clock& clock, DebugLog& debugLog,
           Console& console)
    : writer_(writer), channels_(channels), clock_(clock), debugLog_(debugLog), console_(console) {}

void Logs::SendPrivmsg(const std::string& source, const std::string& target, const std::string& text) {
    std::string line;
    line.reserve(source.size() + target.size() + text.size() + 12);
    line += ':';
    line += source;
    line += " PRIVMSG ";
    line += target;
    line += " :";
    line += text;
    writer_.SendLine(std::move(line));
}

void Logs::LogToNetChannel(const std::string& text) {
    SendPrivmsg(channels_.writer, channels_.net, text);
    console_.AppendLogText(LogBox::NetLog, text);
}

void Logs::LogNetEvent(const std::string& text) {
    if (quietBurst_) return;
    LogToNetChannel("[" + Bold(timeOfDay_.Text(clock_.Now())) + "] " + text);
}

void Logs::EndQuietBurst(std::size_t users, std::size_t channels) {
    if (!quietBurst_) return;
    quietBurst_ = false;
    LogNetEvent("Network synchronised: " + Bold(std::to_string(users)) + " users in " +
                Bold(std::to_string(channels)) + " channels.");
}

void Logs::LogToOperChannel(const std::string& text) {
    SendPrivmsg(channels_.writer, channels_.oper, text);
    console_.AppendLogText(LogBox::OperLog, text);
}

void Logs::LogToBotChannel(const std::string& source, const std::string& text) {
    SendPrivmsg(source, channels_.bot, text);
    console_.AppendLogText(LogBox::AuditLog, text);
}

}  // namespace nb
