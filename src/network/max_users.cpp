#include "network/max_users.h"

#include "core/datetime.h"
#include "core/text.h"

namespace nb {

MaxUsersRecord::MaxUsersRecord(Settings& settings, GroupCommit& commit, const Clock& clock, Logs& logs)
    : settings_(settings), commit_(commit), clock_(clock), logs_(logs) {}

void MaxUsersRecord::Load() {
    count = ToNumber(settings_.Get("General", "Max Users", "0"));
    date = settings_.Get("General", "Max Users Date", FormatGeneralDate(clock_.Now()));
}

void MaxUsersRecord::Check(std::size_t online) {
    long long now = static_cast<long long>(online);
    if (count >= now) return;
    if (inBurst_) {
        if (!burstPeak_ || *burstPeak_ < now) burstPeak_ = now;
        return;
    }
    Raise(now);
}

void MaxUsersRecord::BurstEnded() {
    if (!inBurst_) return;
    inBurst_ = false;
    if (burstPeak_ && *burstPeak_ > count) Raise(*burstPeak_);
    burstPeak_.reset();
}

void MaxUsersRecord::Raise(long long online) {
    logs_.LogToOperChannel("Max Users: " + Bold(std::to_string(online)) + " users.");
    logs_.LogToOperChannel("Previous Record: " + Bold(std::to_string(count)) + " users (" + Bold(date) + ")");
    count = online;
    date = FormatGeneralDate(clock_.Now());
    settings_.Set("General", "Max Users", std::to_string(count));
    settings_.Set("General", "Max Users Date", date);
    if (!commit_.Changed(settings_.Table())) logs_.WriteDebugLog("Could not save the max users record to settings.ini");
}

}  // namespace nb
