// Routes each received line: to one service's command dispatcher, to the reconnect on a
// SQUIT of our own server, to the STATS answer, or to the network-state handlers.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/irc_line.h"

namespace nb {

class Services;

class Dispatcher {
public:
    // The sender is known to be online; slot is its place in the online user table.
    using ServiceHandler = std::function<void(std::size_t senderSlot, const std::string& text)>;
    using NickGetter = std::function<std::string()>;

    explicit Dispatcher(Services& services);

    // Services answer private messages to their nickname; the order of adding is the order
    // in which they are tried.
    void AddServiceEndpoint(NickGetter nick, ServiceHandler handler);

    // Writes the line to the debug log and the raw traffic box (channel messages excepted)
    // with password words masked, then dispatches it.
    void HandleReceivedLine(const std::string& line);
    void LogReceivedLine(const std::string& line);
    void DispatchLine(const std::string& line);

    // True when the user's mask matches an entry of the ignore list.
    bool IsUserIgnored(std::size_t slot) const;

private:
    struct Endpoint {
        NickGetter nick;
        ServiceHandler handler;
    };
    // The line with the password words of service commands shown as "******".
    std::string MaskSecrets(const std::string& line, const IrcLine& parsed) const;
    bool DispatchToService(const IrcLine& line);
    void DispatchNetworkState(const IrcLine& line);

    Services& services_;
    std::vector<Endpoint> endpoints_;
};

}  // namespace nb
