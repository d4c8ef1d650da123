#include "network/server_queries.h"

#include "core/datetime.h"
#include "core/text.h"

namespace nb {
namespace {

std::string Bold(long long number) { return nb::Bold(std::to_string(number)); }

}  // namespace

std::string FormatUptimeText(long long elapsed) {
    if (elapsed < 0) elapsed = 0;
    long long days = elapsed / 86400;
    long long hours = elapsed / 3600 % 24;
    long long minutes = elapsed / 60 % 60;
    long long seconds = elapsed % 60;
    std::string text = days > 0 ? Bold(days) + " days, " : "";
    return text + Bold(hours) + " hours, " + Bold(minutes) + " minutes, and " + Bold(seconds) + " seconds.";
}

ServerQueries::ServerQueries(const Clock& clock, LinkWriter& writer, const LinkSettings& us,
                             const OwnClients& ownClients)
    : clock_(clock), writer_(writer), us_(us), ownClients_(ownClients) {}

void ServerQueries::StoreConnectTime() {
    connectedAt_ = clock_.Now();
    connectTime_ = FormatTimeOfDay(connectedAt_);
    connectDate_ = FormatShortDate(connectedAt_);
}

std::chrono::seconds ServerQueries::Uptime() const {
    return std::chrono::duration_cast<std::chrono::seconds>(clock_.Now() - connectedAt_);
}

std::string ServerQueries::FormatUptime() const { return FormatUptimeText(Uptime().count()); }

// PING :<token>, answered from the server and from every one of our clients.
void ServerQueries::OnPing(const IrcLine& line) {
    const std::string& token = line.LastParam();
    writer_.SendLine(":" + us_.serverName + " PONG :" + token);
    for (const std::string& nick : ownClients_.OwnNicks()) writer_.SendLine(":" + nick + " PONG :" + token);
}

// :<asker> VERSION :<our server name>
void ServerQueries::OnVersion(const IrcLine& line) {
    if (!IEquals(line.Param(0), us_.serverName)) return;
    std::string asker = line.SourceNick();
    if (asker.empty()) return;
    std::string head = ":" + us_.serverName + " 351 " + asker + " :";
    writer_.SendLine(head + "Nimbral II v4.3");
    writer_.SendLine(head + "IRC network services by the Nimbral II developers");
    writer_.SendLine(head + "Compile Information: " + Bold(kBuildDate));
}

// :<asker> STATS <letter> [:<server>]
void ServerQueries::OnStats(const IrcLine& line) {
    std::string asker = line.SourceNick();
    if (asker.empty() || !IEquals(line.Param(0), "u")) return;
    std::string head = ":" + us_.serverName + " 242 " + asker + " :";
    writer_.SendLine(head + "-----");
    writer_.SendLine(head + Bold("Nimbral II") + " Current Uptime:");
    writer_.SendLine(head + FormatUptime());
    writer_.SendLine(head + Bold("Services Connected On") + ": " + Bold(connectTime_) + " on " +
                           Bold(connectDate_));
    writer_.SendLine(head + "End of /STATS report");
    writer_.SendLine(head + "-----");
}

}  // namespace nb
