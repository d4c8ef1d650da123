// What the link needs from the settings, read again before every connection attempt.
#pragma once

#include <cstddef>
#include <string>

namespace nb {

struct LinkSettings {
    std::string host = "localhost";
    int port = 6667;
    std::string password;
    std::string serverName = "services.localhost";  // our own server's name on the network
    std::string description = "NBII";
    std::string protocol = "classic";  // the uplink's dialect: classic, ngircd or inspircd
    long long reconnectDelaySeconds = 30;  // 0: a lost link stays down
    long long pingIntervalSeconds = 90;    // silence before we PING; as long again and the link is dropped
    std::size_t sendQueueBytes = 8192 * 1024;  // output the uplink has not read yet; more drops the link
};

}  // namespace nb
