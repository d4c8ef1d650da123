#include "core/outbound.h"

#include <cctype>

#include "core/datetime.h"
#include "core/files.h"
#include "core/services.h"
#include "core/text.h"

namespace nb {

std::string MakeBanMask(const std::string& ident, const std::string& host) {
    std::string user = (!ident.empty() && ident[0] == '~') ? ident.substr(1) : ident;
    bool dottedNumber = !host.empty() && host.find_first_not_of(".0123456789") == std::string::npos;
    if (dottedNumber) {
        std::size_t lastDot = host.rfind('.');
        std::string network = lastDot == std::string::npos ? host : host.substr(0, lastDot + 1);
        return "*" + user + "@" + network + "*";
    }
    std::size_t firstDot = host.find('.');
    // A bare host name has no domain to widen to: ban that host itself.
    if (firstDot == std::string::npos) return "*" + user + "@" + host;
    return "*" + user + "@*" + host.substr(firstDot);
}

Outbound::Outbound(Services& services) : services_(services) {}

void Outbound::SendLine(const std::string& line) {
    if (services_.sink == nullptr || services_.link == nullptr || !services_.link->IsLinkConnected()) {
        // Only where it was going: replies may carry a password.
        WriteDebugLog("Link down, not sent: " + line.substr(0, line.find(" :")));
        return;
    }
    services_.sink->SendLine(line);
}

void Outbound::SendServerCommand(const std::string& source, const std::string& command, const std::string& target,
                                 const std::string& text) {
    SendLine(":" + source + " " + command + " " + target + " :" + text);
}

void Outbound::SendPrivmsg(const std::string& source, const std::string& target, const std::string& text) {
    SendLine(":" + source + " PRIVMSG " + target + " :" + text);
}

void Outbound::SendServerMode(const std::string& target, const std::string& modes, const std::string& parameters) {
    std::string line = ":" + services_.names.serverName + " MODE " + target + " " + modes;
    if (!parameters.empty()) line += " " + parameters;
    SendLine(line);
}

void Outbound::Reply(const std::string& source, std::size_t userSlot, const std::string& text) {
    const OnlineUser& user = services_.users.At(userSlot);
    SendServerCommand(source, user.replyType, user.nick, text);
}

void Outbound::LogToNetChannel(const std::string& text) {
    SendPrivmsg(services_.names.operServ, services_.names.netChannel, text);
}

void Outbound::LogToOperChannel(const std::string& text) {
    SendPrivmsg(services_.names.operServ, services_.names.operChannel, text);
}

void Outbound::LogToBotChannel(const std::string& source, const std::string& text) {
    SendPrivmsg(source, services_.names.botChannel, text);
}

void Outbound::LogNetEvent(const std::string& text) {
    LogToNetChannel("[" + Bold(FormatTimeOfDay(services_.clock.Now())) + "] " + text);
}

void Outbound::WriteDebugLog(const std::string& text) {
    AppendToFile(services_.data.Path("debug.nb2"),
                 "[" + FormatGeneralDate(services_.clock.Now()) + "] " + text + "\r\n");
}

void Outbound::AppendLogText(LogBox box, const std::string& text) { services_.console.AppendLogText(box, text); }

}  // namespace nb
