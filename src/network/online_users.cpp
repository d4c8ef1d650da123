#include "network/online_users.h"

#include "core/datetime.h"
#include "core/text.h"

namespace nb {
namespace {

std::optional<std::string> UsableServerName(const std::string& server) {
    if (server.empty() || server.find_first_of("# ^?") != std::string::npos) return std::nullopt;
    return server;
}

}  // namespace

const char* ReplyCommand(ReplyType type) { return type == ReplyType::Privmsg ? "PRIVMSG" : "NOTICE"; }

std::string ConnectTimeText(const OnlineUser& user) {
    return FormatTimeOfDay(user.connectedAt) + " " + FormatShortDate(user.connectedAt);
}

OnlineUsers::OnlineUsers(const Clock& clock, Logs& logs, Channels& channels, NetworkEvents& events,
                         const OwnClients& ownClients, MaxUsersRecord& maxUsers)
    : clock_(clock),
      logs_(logs),
      channels_(channels),
      events_(events),
      ownClients_(ownClients),
      maxUsers_(maxUsers) {}

std::size_t OnlineUsers::AppendUser(const std::string& nick, const std::string& ident, const std::string& host,
                                    const std::optional<std::string>& server) {
    OnlineUser user;
    user.nick = nick;
    user.ident = ident;
    user.host = host;
    user.server = server;
    user.connectedAt = clock_.Now();
    user.slotIndex = users_.size();
    user.id = nextUserId_++;
    slotByNick_[nick] = user.slotIndex;
    users_.push_back(std::move(user));
    return users_.size() - 1;
}

void OnlineUsers::AddOnlineUser(const std::string& nick, const std::string& ident, const std::string& host,
                                const std::optional<std::string>& server) {
    if (nick.empty()) return;
    std::size_t slot = AppendUser(nick, ident, host, server);
    logs_.LogNetEvent(Bold(nick) + " (" + Bold(ident) + "@" + Bold(host) + ") connected to " +
                      Bold(server.value_or("N/A")) + ".");
    events_.OnUserIntroduced(users_[slot].nick);
    maxUsers_.Check(users_.size());
}

void OnlineUsers::AddServiceClient(const std::string& nick, const std::string& serverName) {
    if (nick.empty() || IsUserOnline(nick)) return;
    AppendUser(nick, nick, serverName, serverName);
}

std::optional<std::size_t> OnlineUsers::FindOnlineUser(const std::string& nick) const {
    auto found = slotByNick_.find(nick);
    if (found == slotByNick_.end()) return std::nullopt;
    return found->second;
}

void OnlineUsers::OnEndOfBurst() {
    if (!inBurst_) return;
    inBurst_ = false;
    logs_.EndQuietBurst(users_.size(), channels_.Count());
    maxUsers_.BurstEnded();
    events_.OnBurstEnded();
}

void OnlineUsers::Clear() {
    users_.clear();
    slotByNick_.clear();
    servers_.Clear();
}

void OnlineUsers::RemoveOnlineUser(std::string nick) {
    if (IsUserOnline(nick)) RemoveUser(nick, std::nullopt);
}

void OnlineUsers::RemoveOwnClient(const std::string& nick) {
    auto slot = FindOnlineUser(nick);
    if (!slot) return;
    channels_.RemoveMemberEverywhere(users_[*slot].nick);
    RemoveSlot(*slot);
}

void OnlineUsers::RemoveSlot(std::size_t slot) {
    slotByNick_.erase(users_[slot].nick);
    if (slot != users_.size() - 1) {
        users_[slot] = std::move(users_.back());
        users_[slot].slotIndex = slot;
        slotByNick_[users_[slot].nick] = slot;
    }
    users_.pop_back();
}

void OnlineUsers::RemoveUser(const std::string& nick, const std::optional<std::string>& quitMessage) {
    auto slot = FindOnlineUser(nick);
    // A copy: the subscribers and the channel table may change the table while it is read.
    // A quit of a user the table missed still signs its nick off.
    OnlineUser user;
    if (slot) {
        user = users_[*slot];
    } else {
        user.nick = nick;
    }
    events_.OnUserGone(user, quitMessage);
    if (!slot) return;
    channels_.RemoveMemberEverywhere(user.nick);
    slot = FindOnlineUser(user.nick);
    if (slot) RemoveSlot(*slot);
}

void OnlineUsers::RenameUser(std::size_t slot, const std::string& newNick) {
    OnlineUser& user = users_.at(slot);
    std::string oldNick = user.nick;
    ChangeNick(user, newNick);
    channels_.RenameMember(oldNick, newNick);
}

void OnlineUsers::ChangeNick(OnlineUser& user, const std::string& newNick) {
    slotByNick_.erase(user.nick);
    user.nick = newNick;
    slotByNick_[newNick] = user.slotIndex;
}

// NICK <nick> <hop> <timestamp> <ident> <host> <server> ...
void OnlineUsers::OnUserIntroduction(const IrcLine& line) {
    const std::string& nick = line.Param(0);
    if (nick.empty()) return;
    // Our clients are the oldest on the network: the uplink ends such a collision, not us.
    if (ownClients_.IsOwnClient(nick)) return;
    EndNickCollision(nick);
    AddOnlineUser(nick, line.Param(3), line.Param(4), UsableServerName(line.Param(5)));
    ++connectCount;
}

void OnlineUsers::EndNickCollision(const std::string& nick) {
    if (!IsUserOnline(nick)) return;
    logs_.WriteDebugLog("Nick collision: " + nick + " was already on the network; the earlier user is gone");
    RemoveUser(nick, std::nullopt);
}

void OnlineUsers::OnQuit(const IrcLine& line) {
    std::string nick = line.SourceNick();
    if (nick.empty()) return;
    Quit(nick, line.Param(0));
}

void OnlineUsers::Quit(const std::string& nick, const std::string& message) {
    logs_.LogNetEvent(Bold(nick) + " has left IRC (" + Bold(message) + ")");
    RemoveUser(nick, message);
    ++quitCount;
}

// SQUIT <server> [:<comment>]: the uplink sends no QUIT for the users behind it.
void OnlineUsers::OnSquit(const IrcLine& line) {
    const std::string& server = line.Param(0);
    if (server.empty()) return;
    std::string hub = servers_.HubOf(server);
    std::string splitText = hub.empty() ? server : hub + " " + server;
    std::vector<std::string> gone = servers_.Split(server);
    std::vector<std::string> leaving;
    for (const OnlineUser& user : users_) {
        if (!user.server || ownClients_.IsOwnClient(user.nick)) continue;
        for (const std::string& name : gone) {
            if (IEquals(*user.server, name)) leaving.push_back(user.nick);
        }
    }
    for (const std::string& nick : leaving) Quit(nick, splitText);
}

// :<old> NICK <new> [<timestamp>]
void OnlineUsers::OnNickChange(const IrcLine& line) {
    std::string oldNick = line.SourceNick();
    const std::string& newNick = line.Param(0);
    auto holder = FindOnlineUser(newNick);
    auto renamed = FindOnlineUser(oldNick);
    // An unknown old nick onto a known new one is the uplink telling us of our own change.
    if (!newNick.empty() && holder && renamed && *holder != *renamed) {
        // A change onto one of our clients' nicks loses the collision; onto a user's, that
        // user loses it.
        if (ownClients_.IsOwnClient(newNick)) {
            logs_.WriteDebugLog("Nick collision: " + oldNick + " changed to our client's nick " + newNick);
            RemoveUser(oldNick, std::nullopt);
            ++nickChangeCount;
            return;
        }
        EndNickCollision(newNick);
    }
    if (!newNick.empty()) {
        channels_.RenameMember(oldNick, newNick);
        if (auto slot = FindOnlineUser(oldNick)) {
            ChangeNick(users_[*slot], newNick);
            events_.OnNickChanged(newNick, oldNick);
            logs_.LogNetEvent(Bold(oldNick) + " is now known as " + Bold(newNick) + ".");
        }
    }
    ++nickChangeCount;
}

// A user killed by another server or an operator is gone from the network; keeping it
// would leave a ghost entry that blocks its nick and skews every count.
void OnlineUsers::OnKill(const IrcLine& line) {
    const std::string& victim = line.Param(0);
    if (ownClients_.IsOwnClient(victim)) return;
    RemoveOnlineUser(victim);
}

}  // namespace nb
