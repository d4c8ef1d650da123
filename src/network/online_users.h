// Who is on the network, kept from the server's user introductions, nick changes, quits and
// kills.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/datetime.h"
#include "core/text.h"
#include "link/irc_line.h"
#include "network/channels.h"
#include "network/logs.h"
#include "network/max_users.h"
#include "network/network_events.h"
#include "network/online_user.h"
#include "network/own_clients.h"
#include "network/server_tree.h"

namespace nb {

class OnlineUsers : public KnownUsers {
public:
    OnlineUsers(const Clock& clock, Logs& logs, Channels& channels, NetworkEvents& events,
                const OwnClients& ownClients, MaxUsersRecord& maxUsers);

    void AddOnlineUser(const std::string& nick, const std::string& ident, const std::string& host,
                       const std::optional<std::string>& server);
    // One of our own clients enters the table quietly: it is not a network event, and the
    // handshake must not send log lines before the log writer exists.
    void AddServiceClient(const std::string& nick, const std::string& serverName);
    // Slot of the user with this nick (letter case ignored); nullopt when absent.
    std::optional<std::size_t> FindOnlineUser(const std::string& nick) const;
    bool IsUserOnline(const std::string& nick) const override { return FindOnlineUser(nick).has_value(); }
    // A user killed (by the network or by us) leaves the network and every channel.
    void RemoveOnlineUser(std::string nick);
    // One of our own clients leaves, as quietly as it came.
    void RemoveOwnClient(const std::string& nick);
    void Clear();

    std::size_t Count() const { return users_.size(); }
    OnlineUser& At(std::size_t slot) { return users_.at(slot); }
    const OnlineUser& At(std::size_t slot) const { return users_.at(slot); }

    // Handlers of the server's lines.
    void OnUserIntroduction(const IrcLine& line);
    // A new link: the uplink is about to send the whole network.
    void LinkStarted() { inBurst_ = true; }
    // The uplink has sent the whole network (its first PING, the answer to ours, or an
    // end-of-burst mark); announced once a link.
    void OnEndOfBurst();
    void OnQuit(const IrcLine& line);
    void OnNickChange(const IrcLine& line);
    void OnKill(const IrcLine& line);
    // A server split off the network: its users and those of every server behind it quit.
    void OnSquit(const IrcLine& line);
    void OnServer(const IrcLine& line) { servers_.OnServer(line); }

    // Changes a user's nick in the table and in channel member lists (no log, no checks).
    void RenameUser(std::size_t slot, const std::string& newNick);

    long connectCount = 0;
    long quitCount = 0;
    long nickChangeCount = 0;

private:
    std::size_t AppendUser(const std::string& nick, const std::string& ident, const std::string& host,
                           const std::optional<std::string>& server);
    // Announces the departure, then takes the user out of its channels and the table.
    void RemoveUser(const std::string& nick, const std::optional<std::string>& quitMessage);
    void ChangeNick(OnlineUser& user, const std::string& newNick);
    void RemoveSlot(std::size_t slot);
    void Quit(const std::string& nick, const std::string& message);
    // Two users cannot hold one nick: the one who held it before leaves as if killed.
    void EndNickCollision(const std::string& nick);

    const Clock& clock_;
    Logs& logs_;
    Channels& channels_;
    NetworkEvents& events_;
    const OwnClients& ownClients_;
    MaxUsersRecord& maxUsers_;
    std::vector<OnlineUser> users_;
    NameIndex<std::size_t> slotByNick_;
    std::uint64_t nextUserId_ = 1;
    bool inBurst_ = false;
    ServerTree servers_;
};

}  // namespace nb
