// Every protocol line the services send, the three log channels, the debug log and the
// console's log boxes.
#pragma once

#include <string>

#include "core/console.h"

namespace nb {

class Services;

// "*ident@*.domain" for names, "*ident@a.b.c.*" for dotted addresses.
std::string MakeBanMask(const std::string& ident, const std::string& host);

class Outbound {
public:
    explicit Outbound(Services& services);

    // A line as it stands; dropped (and written to the debug log) while the link is down.
    void SendLine(const std::string& line);

    void SendServerCommand(const std::string& source, const std::string& command, const std::string& target,
                           const std::string& text);
    void SendPrivmsg(const std::string& source, const std::string& target, const std::string& text);
    void SendServerMode(const std::string& target, const std::string& modes, const std::string& parameters);
    // Answers a user the way that user prefers (NOTICE or PRIVMSG).
    void Reply(const std::string& source, std::size_t userSlot, const std::string& text);

    void LogToNetChannel(const std::string& text);
    void LogToOperChannel(const std::string& text);
    void LogToBotChannel(const std::string& source, const std::string& text);
    // "[^B<time of day>^B] " + text, for the network event log.
    void LogNetEvent(const std::string& text);

    // Appends "[<date and time>] <text>" CR LF to debug.nb2.
    void WriteDebugLog(const std::string& text);
    void AppendLogText(LogBox box, const std::string& text);

private:
    Services& services_;
};

}  // namespace nb
