// Answers to the server queries that reach the services server (PING, VERSION, STATS u),
// the uptime and the record number of users seen at once.
#pragma once

#include <string>

#include "core/clock.h"
#include "core/irc_line.h"

namespace nb {

class Services;

inline constexpr const char* kBuildDate = "8/5/00 12:50 AM";

// "^B<d>^B days, " (only when d > 0) + "^B<h>^B hours, ^B<m>^B minutes, and ^B<s>^B seconds."
std::string FormatUptimeText(long long elapsedSeconds);

class ServerQueries {
public:
    explicit ServerQueries(Services& services);

    void StoreConnectTime();
    std::string FormatUptime() const;
    // Compares the number of users online with the stored record and raises it.
    void CheckMaxUsers();
    // Reads the record from the settings.
    void LoadMaxUsers();

    void OnPing(const IrcLine& line);
    void OnVersion(const IrcLine& line);
    void OnStats(const IrcLine& line);

    std::string maxUsers = "0";
    std::string maxUsersDate;

private:
    Services& services_;
    TimePoint connectedAt_{};
    std::string connectTime_;
    std::string connectDate_;
};

}  // namespace nb
