// Answers to the server queries that reach the services server (PING, VERSION, STATS u) and
// the uptime.
#pragma once

#include <string>

#include "core/clock.h"
#include "link/irc_line.h"
#include "link/link_settings.h"
#include "network/link_writer.h"
#include "network/own_clients.h"

namespace nb {

inline constexpr const char* kBuildDate = "8/5/00 12:50 AM";

// "^B<d>^B days, " (only when d > 0) + "^B<h>^B hours, ^B<m>^B minutes, and ^B<s>^B seconds."
std::string FormatUptimeText(long long elapsedSeconds);

class ServerQueries {
public:
    ServerQueries(const Clock& clock, LinkWriter& writer, const LinkSettings& us, const OwnClients& ownClients);

    void StoreConnectTime();
    std::string FormatUptime() const;
    std::chrono::seconds Uptime() const;
    // The time of day and the date of the link's start.
    const std::string& ConnectTime() const { return connectTime_; }
    const std::string& ConnectDate() const { return connectDate_; }

    void OnPing(const IrcLine& line);
    void OnVersion(const IrcLine& line);
    void OnStats(const IrcLine& line);

private:
    const Clock& clock_;
    LinkWriter& writer_;
    const LinkSettings& us_;
    const OwnClients& ownClients_;
    TimePoint connectedAt_{};
    std::string connectTime_;
    std::string connectDate_;
};

}  // namespace nb
