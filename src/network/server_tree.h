// The servers of the network and which server each one is linked behind, kept from the
// uplink's SERVER lines, so that a split can take every user behind it off the network.
#pragma once

#include <string>
#include <vector>

#include "core/text.h"
#include "link/irc_line.h"

namespace nb {

class ServerTree {
public:
    // "SERVER <name> <hop> :<info>" introduces our uplink; ":<hub> SERVER <name> ..." a server
    // linked behind <hub>.
    void OnServer(const IrcLine& line);
    // The server and every server linked behind it, which leave the tree. Names as announced;
    // a server never announced is returned alone.
    std::vector<std::string> Split(const std::string& server);
    // The server that `server` hangs on: its hub, or our uplink; "" when neither is known.
    std::string HubOf(const std::string& server) const;
    void Clear();

private:
    std::string uplink_;
    NameIndex<std::string> hubOf_;  // server -> server it hangs on ("" for the uplink)
};

}  // namespace nb
