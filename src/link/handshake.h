// What the services send when the link comes up: the registration of our server and the
// introduction of each enabled client.
#pragma once

#include <string>
#include <vector>

#include "link/link_settings.h"

namespace nb {

struct ClientIntroduction {
    std::string nick;
    std::string ident;
    std::string host;  // empty: our server's name
    std::string fullName;
    std::string userModes;
    // Channels the client joins at link time; our server gives it operator status there, then
    // sets `channelModes` on each of them (nothing when empty).
    std::vector<std::string> channels;
    std::string channelModes;
    // Instead: after each JOIN the client gives itself operator status, and nothing else.
    bool opsItselfOnEachChannel = false;
};

// PASS, SERVER, the first WALLOPS, each client (KILL of whoever holds its nick, NICK, SVSMODE,
// its channels), the last WALLOPS, then a PING.
std::vector<std::string> HandshakeLines(const LinkSettings& us, const std::vector<ClientIntroduction>& clients);

}  // namespace nb
