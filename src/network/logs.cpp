#include "network/logs.h"

#include "core/datetime.h"
#include "core/text.h"

namespace nb {

Logs::Logs(LinkWriter& writer, const LogChannels& channels, const Clock& clock, DebugLog& debugLog,
           Console& console)
    : writer_(writer), channels_(channels), clock_(clock), debugLog_(debugLog), console_(console) {}

void Logs::SendPrivmsg(const std::string& source, const std::string& target, const std::string& text) {
    writer_.SendLine(":" + source + " PRIVMSG " + target + " :" + text);
}

void Logs::LogToNetChannel(const std::string& text) { SendPrivmsg(channels_.writer, channels_.net, text); }

void Logs::LogNetEvent(const std::string& text) {
    LogToNetChannel("[" + Bold(FormatTimeOfDay(clock_.Now())) + "] " + text);
}

void Logs::LogToOperChannel(const std::string& text) { SendPrivmsg(channels_.writer, channels_.oper, text); }

void Logs::LogToBotChannel(const std::string& source, const std::string& text) {
    SendPrivmsg(source, channels_.bot, text);
}

}  // namespace nb
