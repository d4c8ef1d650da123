// The statistics view over the services' tables.
#pragma once

#include "app/services.h"
#include "network/statistics_view.h"

namespace nb {

class ServicesStatistics : public StatisticsView {
public:
    explicit ServicesStatistics(const Services& services) : services_(services) {}

    ServicesIdentity Identity() const override;
    std::size_t UsersOnline() const override;
    std::size_t ChannelsNow() const override;
    long long MaxUsers() const override;
    std::string MaxUsersDate() const override;
    bool Linked() const override;
    std::chrono::seconds Uptime() const override;
    std::size_t RegisteredNickCount() const override;
    std::size_t RegisteredChannelCount() const override;
    std::vector<UserRow> Users() const override;
    std::vector<ChannelRow> RegisteredChannels() const override;
    std::vector<NickRow> RegisteredNicks() const override;
    std::map<std::string, long> CommandCounts() const override;

private:
    const Services& services_;
};

}  // namespace nb
