#include "link/handshake.h"

#include "core/text.h"

namespace nb {
namespace {

void IntroduceClient(const std::string& server, const ClientIntroduction& client, std::vector<std::string>& lines) {
    const std::string& nick = client.nick;
    lines.push_back(":" + server + " KILL " + nick + " :Nimbral is connecting!");
    lines.push_back("NICK " + nick + " 1 10 " + client.ident + " " + server + " " + server + " :" + client.fullName);
    lines.push_back(":" + nick + " SVSMODE " + nick + " " + client.userModes);
    if (client.opsItselfOnEachChannel) {
        for (const auto& channel : client.channels) {
            lines.push_back(":" + nick + " JOIN " + channel);
            lines.push_back(":" + nick + " MODE " + channel + " +o " + nick);
        }
        return;
    }
    for (const auto& channel : client.channels) lines.push_back(":" + nick + " JOIN " + channel);
    for (const auto& channel : client.channels) lines.push_back(":" + server + " MODE " + channel + " +o " + nick);
    if (client.channelModes.empty()) return;
    for (const auto& channel : client.channels)
        lines.push_back(":" + server + " MODE " + channel + " " + client.channelModes);
}

}  // namespace

std::vector<std::string> HandshakeLines(const LinkSettings& us, const std::vector<ClientIntroduction>& clients) {
    const std::string& server = us.serverName;
    std::vector<std::string> lines = {
        "PASS " + us.password,
        "SERVER " + server + " 1 : " + us.description + " (NBII 4.3)",
        ":" + server + " WALLOPS :*** " + Bold("Nimbral II v4.3") + "  connected, creating services.. please stand by.",
    };
    for (const auto& client : clients) IntroduceClient(server, client, lines);
    lines.push_back(":" + server + " WALLOPS :*** " + Bold("Nimbral II") + " ready to serve.");
    // Answered once the uplink has sent its burst: its end for an uplink that sends no mark.
    lines.push_back(":" + server + " PING :" + server);
    return lines;
}

}  // namespace nb
