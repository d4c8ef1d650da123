#include "app/services_statistics.h"

#include <algorithm>

namespace nb {

ServicesIdentity ServicesStatistics::Identity() const {
    return {services_.linkSettings.serverName, services_.logChannels.oper, services_.logChannels.net,
            services_.logChannels.bot, services_.settings.Get("Server Information", "Your Email", "")};
}

std::size_t ServicesStatistics::UsersOnline() const { return services_.users.Count(); }

std::size_t ServicesStatistics::ChannelsNow() const { return services_.channels.Count(); }

long long ServicesStatistics::MaxUsers() const { return services_.maxUsers.count; }

std::string ServicesStatistics::MaxUsersDate() const { return services_.maxUsers.date; }

bool ServicesStatistics::Linked() const { return services_.writer.IsLinkUp(); }

std::chrono::seconds ServicesStatistics::Uptime() const { return services_.queries.Uptime(); }

std::size_t ServicesStatistics::RegisteredNickCount() const {
    const auto& nicks = services_.nickServ.RegisteredNicks();
    return std::count_if(nicks.begin(), nicks.end(), [](const RegisteredNick& nick) { return !nick.IsDropped(); });
}

std::size_t ServicesStatistics::RegisteredChannelCount() const {
    const auto& channels = services_.chanServ.Database().RegisteredChannels();
    return std::count_if(channels.begin(), channels.end(), [](const RegisteredChannel& channel) { return !channel.name.empty(); });
}

std::vector<UserRow> ServicesStatistics::Users() const {
    std::vector<UserRow> rows;
    for (std::size_t slot = 0; slot < services_.users.Count(); ++slot) {
        const OnlineUser& user = services_.users.At(slot);
        rows.push_back({user.nick, user.ident, user.host, user.server.value_or("N/A"), user.slotIndex, ConnectTimeText(user)});
    }
    return rows;
}

std::vector<ChannelRow> ServicesStatistics::RegisteredChannels() const {
    std::vector<ChannelRow> rows;
    for (const RegisteredChannel& channel : services_.chanServ.Database().RegisteredChannels()) {
        if (channel.name.empty()) continue;
        rows.push_back({channel.name, channel.founder, channel.email, channel.description, channel.greet,
                        channel.registeredOn});
    }
    return rows;
}

std::vector<NickRow> ServicesStatistics::RegisteredNicks() const {
    std::vector<NickRow> rows;
    for (const RegisteredNick& nick : services_.nickServ.RegisteredNicks()) {
        if (nick.IsDropped()) continue;
        rows.push_back({nick.Nick(), nick.Email(), nick.RealName(), nick.Age(), nick.LastSeen(), nick.LastQuit(), nick.RegisteredOn()});
    }
    return rows;
}

std::map<std::string, long> ServicesStatistics::CommandCounts() const { return services_.commands.Counts(); }

}  // namespace nb
