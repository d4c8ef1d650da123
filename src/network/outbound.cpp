#include "network/outbound.h"

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

Outbound::Outbound(LinkWriter& writer, OnlineUsers& users, Channels& channels, OwnClients& clients,
                   const LinkSettings& us)
    : writer_(writer), users_(users), channels_(channels), clients_(clients), us_(us) {}

void Outbound::Message(const std::string& source, ReplyType how, const std::string& target, const std::string& text) {
    writer_.SendLine(":" + source + " " + ReplyCommand(how) + " " + target + " :" + text);
}

void Outbound::Kill(const std::string& source, const std::string& nick, const std::string& reason) {
    writer_.SendLine(":" + source + " KILL " + nick + " :" + reason);
    users_.RemoveOnlineUser(nick);
}

void Outbound::ForceNickChange(const std::string& nick, const std::string& newNick) {
    writer_.SendLine(":" + us_.serverName + " SVSNICK " + nick + " " + newNick + " * ");
    if (auto slot = users_.FindOnlineUser(nick)) users_.RenameUser(*slot, newNick);
}

void Outbound::Kick(const std::string& source, const std::string& channel, const std::string& nick,
                    const std::string& reason) {
    writer_.SendLine(":" + source + " KICK " + channel + " " + nick + " :" + reason);
    channels_.ChannelMemberLeft(channel, nick);
}

void Outbound::ServerKick(const std::string& channel, const std::string& nick, const std::string& reason) {
    Kick(us_.serverName, channel, nick, reason);
}

void Outbound::Mode(const std::string& source, const std::string& channel, const std::string& modes,
                    const std::string& parameters) {
    std::string line = ":" + source + " MODE " + channel + " " + modes;
    if (!parameters.empty()) line += " " + parameters;
    writer_.SendLine(line);
    channels_.ApplyMemberStatus(channel, modes, SplitFields(parameters));
}

void Outbound::ServerMode(const std::string& channel, const std::string& modes, const std::string& parameters) {
    Mode(us_.serverName, channel, modes, parameters);
}

void Outbound::RestoreModes(const std::string& source, const std::string& channel, const std::string& modes) {
    // No modes to set: a bare MODE line would ask the server for the modes instead.
    if (!modes.empty()) writer_.SendLine(":" + source + " MODE " + channel + " :" + modes);
    channels_.SetChannelModes(channel, modes);
}

void Outbound::Topic(const std::string& source, const std::string& channel, const std::string& text) {
    writer_.SendLine(":" + source + " TOPIC " + channel + " :" + text);
    channels_.SetChannelTopic(channel, text);
}

void Outbound::Invite(const std::string& source, const std::string& nick, const std::string& channel) {
    writer_.SendLine(":" + source + " INVITE " + nick + " " + channel);
}

void Outbound::Join(const std::string& client, const std::string& channel) {
    writer_.SendLine(":" + client + " JOIN " + channel);
    channels_.AddOwnClient(channel, client);
}

void Outbound::Part(const std::string& client, const std::string& channel) {
    writer_.SendLine(":" + client + " PART " + channel);
    channels_.ChannelMemberLeft(channel, client);
}

void Outbound::Wallops(const std::string& source, const std::string& text) {
    writer_.SendLine(":" + source + " WALLOPS :" + text);
}

void Outbound::Quit(const std::string& client, const std::string& reason) {
    writer_.SendLine(":" + client + " QUIT :" + reason);
}

void Outbound::Jupe(const std::string& server, const std::string& info) {
    writer_.SendLine("SERVER " + server + " 1 :" + info);
}

void Outbound::Squit(const std::string& server, const std::string& reason) {
    writer_.SendLine(":" + us_.serverName + " SQUIT " + server + (reason.empty() ? "" : " :" + reason));
}

void Outbound::Raw(const std::string& line) { writer_.SendLine(line); }

void Outbound::IntroduceClient(const ClientIntroduction& client) {
    const std::string& server = us_.serverName;
    const std::string& host = client.host.empty() ? server : client.host;
    writer_.SendLine("NICK " + client.nick + " 1 10 " + client.ident + " " + host + " " + server + " :" + client.fullName);
    if (!client.userModes.empty()) writer_.SendLine(":" + server + " SVSMODE " + client.nick + " " + client.userModes);
    users_.AddServiceClient(client.nick, server);
    for (const std::string& channel : client.channels) Join(client.nick, channel);
}

void Outbound::RetireClient(const std::string& nick, const std::string& reason) {
    writer_.SendLine(":" + nick + " QUIT :" + reason);
    users_.RemoveOwnClient(nick);
    clients_.RemoveOwnClient(nick);
}

}  // namespace nb
