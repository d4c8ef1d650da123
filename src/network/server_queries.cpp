#include "network/server_queries.h"

#include "core/datetime.h"
#include "core/services.h"
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

ServerQueries::ServerQueries(Services& services) : services_(services) {}

void ServerQueries::StoreConnectTime() {
    connectedAt_ = services_.clock.Now();
    connectTime_ = FormatTimeOfDay(connectedAt_);
    connectDate_ = FormatShortDate(connectedAt_);
}

std::string ServerQueries::FormatUptime() const {
    auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(services_.clock.Now() - connectedAt_);
    return FormatUptimeText(elapsed.count());
}

void ServerQueries::LoadMaxUsers() {
    maxUsers = services_.settings.Get("General", "Max Users", "0");
    maxUsersDate = services_.settings.Get("General", "Max Users Date", FormatGeneralDate(services_.clock.Now()));
}

void ServerQueries::CheckMaxUsers() {
    long long online = static_cast<long long>(services_.users.Count());
    if (ToNumber(maxUsers) >= online) return;
    services_.out.LogToOperChannel("Max Users: " + Bold(online) + " users.");
    services_.out.LogToOperChannel("Previous Record: " + Bold(maxUsers) + " users (" +
                                   Bold(maxUsersDate) + ")");
    maxUsers = std::to_string(online);
    maxUsersDate = FormatGeneralDate(services_.clock.Now());
    services_.settings.Set("General", "Max Users", maxUsers);
    services_.settings.Set("General", "Max Users Date", maxUsersDate);
    if (!services_.settings.Save()) services_.out.WriteDebugLog("Could not save the max users record to settings.ini");
}

// PING :<token>, answered from the server and from every service name.
void ServerQueries::OnPing(const IrcLine& line) {
    const std::string& token = line.LastParam();
    const ServiceNames& names = services_.names;
    for (const std::string* source :
         {&names.serverName, &names.chanServ, &names.nickServ, &names.operServ, &names.memoServ}) {
        services_.out.SendLine(":" + *source + " PONG :" + token);
    }
}

// :<asker> VERSION :<our server name>
void ServerQueries::OnVersion(const IrcLine& line) {
    if (!IEquals(line.Param(0), services_.names.serverName)) return;
    std::string asker = line.SourceNick();
    if (asker.empty()) return;
    std::string head = ":" + services_.names.serverName + " 351 " + asker + " :";
    services_.out.SendLine(head + "Nimbral II v4.3");
    services_.out.SendLine(head + "IRC network services by the Nimbral II developers");
    services_.out.SendLine(head + "Compile Information: " + Bold(kBuildDate));
}

// :<asker> STATS <letter> [:<server>]
void ServerQueries::OnStats(const IrcLine& line) {
    std::string asker = line.SourceNick();
    if (asker.empty() || !IEquals(line.Param(0), "u")) return;
    std::string head = ":" + services_.names.serverName + " 242 " + asker + " :";
    services_.out.SendLine(head + "-----");
    services_.out.SendLine(head + Bold("Nimbral II") + " Current Uptime:");
    services_.out.SendLine(head + FormatUptime());
    services_.out.SendLine(head + Bold("Services Connected On") + ": " + Bold(connectTime_) + " on " +
                           Bold(connectDate_));
    services_.out.SendLine(head + "End of /STATS report");
    services_.out.SendLine(head + "-----");
}

}  // namespace nb
