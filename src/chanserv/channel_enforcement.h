// What ChanServ does when users enter registered channels or change their topics and modes:
// status, bans and kicks by access level, the greet, the topic and mode locks, and its own
// operator status. Nothing here answers or audits: a channel or nick not found does nothing.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "chanserv/channel_database.h"
#include "network/network_events.h"
#include "network/online_users.h"
#include "network/outbound.h"
#include "services/service_clients.h"

namespace nb {

class ChannelEnforcement {
public:
    ChannelEnforcement(const ChannelDatabase& database, const OnlineUsers& users, const Channels& channels,
                       Outbound& out, const ServiceClient& chanServ);

    // A user joined these channels, in the order the line listed them: every channel's entry
    // is enforced first, then the greets follow in the same order.
    void OnUserJoined(const std::string& nick, const std::vector<std::string>& channels);
    // Comes after the table holds the new topic.
    void OnTopicChanged(const std::string& channel);
    // A user's mode change, after the table holds it: ChanServ's own status first, then the
    // mode lock, which a change of status or bans never triggers.
    void OnModesChanged(const ModeChange& change);

    // Op from level 200, voice from 100 to 199, ban and kick at 1, by the level of the nick's
    // own entry on the channel when the entry recognises the user. False when the user was
    // kicked out.
    bool EnforceChannelEntry(const std::string& channel, std::size_t userSlot);
    void SendChannelGreet(const std::string& channel, std::size_t userSlot);
    void EnforceTopicLock(const std::string& channel);
    // Whoever deops ChanServ, on any channel, is deopped after ChanServ has opped itself again.
    void ProtectChanServOp(const ModeChange& change);
    void EnforceModeLock(const std::string& channel, const std::string& parameters);
    // After the uplink's burst: a locked channel that the network does not hold with its kept
    // topic or modes (new on the server after a restart) gets them.
    void RestoreLocks();

private:
    const ChannelDatabase& database_;
    const OnlineUsers& users_;
    const Channels& channels_;
    Outbound& out_;
    const ServiceClient& chanServ_;
};

}  // namespace nb
