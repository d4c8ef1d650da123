#include "network/online_users.h"

#include "core/datetime.h"
#include "core/services.h"
#include "core/text.h"

namespace nb {
namespace {

std::string CleanServerName(const std::string& server) {
    if (server.empty() || server.find_first_of("# ^?") != std::string::npos) return "N/A";
    return server;
}

}  // namespace

OnlineUsers::OnlineUsers(Services& services) : services_(services) {}

std::size_t OnlineUsers::AppendUser(const std::string& nick, const std::string& ident, const std::string& host,
                                    const std::string& server) {
    OnlineUser user;
    user.nick = nick;
    user.ident = ident;
    user.host = host;
    user.server = server;
    user.mask = nick + "!" + ident + "@" + host;
    TimePoint now = services_.clock.Now();
    user.connectTime = FormatTimeOfDay(now) + " " + FormatShortDate(now);
    user.slotIndex = users_.size();
    user.replyType = services_.nickServ.GetNickReplyType(nick);
    users_.push_back(user);
    return user.slotIndex;
}

void OnlineUsers::AddOnlineUser(const std::string& nick, const std::string& ident, const std::string& host,
                                const std::string& server) {
    if (nick.empty()) return;
    std::size_t slot = AppendUser(nick, ident, host, server);
    services_.out.LogNetEvent(Bold(nick) + " (" + Bold(ident) + "@" + Bold(host) + ") connected to " + Bold(server) + ".");
    services_.nickServ.CheckRegisteredNick(nick, slot);
    services_.queries.CheckMaxUsers();
}

void OnlineUsers::AddServiceClient(const std::string& nick, const std::string& serverName) {
    if (nick.empty() || IsUserOnline(nick)) return;
    AppendUser(nick, nick, serverName, serverName);
}

std::optional<std::size_t> OnlineUsers::FindOnlineUser(const std::string& nick) const {
    for (std::size_t slot = 0; slot < users_.size(); ++slot) {
        if (IEquals(users_[slot].nick, nick)) return slot;
    }
    return std::nullopt;
}

void OnlineUsers::RemoveOnlineUser(const std::string& nick, bool clearNickServ) {
    if (clearNickServ && services_.nickServ.IsNickRegistered(nick)) {
        services_.nickServ.NoteNickGone(nick);
        services_.ForgetChannelIdentification(nick);
    }
    services_.nickServ.RemovePendingNick(nick);
    services_.channels.RemoveMemberEverywhere(nick);

    for (std::size_t slot = 0; slot < users_.size(); ++slot) {
        if (users_[slot].nick != nick) continue;
        if (slot != users_.size() - 1) {
            users_[slot] = std::move(users_.back());
            users_[slot].slotIndex = slot;
        }
        users_.pop_back();
        break;
    }
    services_.LogOutOperator(nick);
}

void OnlineUsers::RenameUser(std::size_t slot, const std::string& newNick) {
    OnlineUser& user = users_.at(slot);
    std::string oldNick = user.nick;
    user.nick = newNick;
    user.mask = newNick + "!" + user.ident + "@" + user.host;
    services_.channels.RenameMember(oldNick, newNick);
}

// NICK <nick> <hop> <timestamp> <ident> <host> <server> ...
void OnlineUsers::OnUserIntroduction(const IrcLine& line) {
    const std::string& nick = line.Param(0);
    if (nick.empty() || IsUserOnline(nick)) return;
    AddOnlineUser(nick, line.Param(3), line.Param(4), CleanServerName(line.Param(5)));
    ++connectCount;
}

void OnlineUsers::OnQuit(const IrcLine& line) {
    std::string nick = line.SourceNick();
    if (nick.empty()) return;
    const std::string& message = line.Param(0);
    services_.out.LogNetEvent(Bold(nick) + " has left IRC (" + Bold(message) + ")");
    if (services_.nickServ.IsNickRegistered(nick)) {
        services_.nickServ.NoteNickQuit(nick, message);
        services_.ForgetChannelIdentification(nick);
    }
    // RemoveOnlineUser matches the exact letters; the quit may name the nick in other case.
    if (auto slot = FindOnlineUser(nick)) RemoveOnlineUser(users_[*slot].nick, false);
    ++quitCount;
}

// :<old> NICK <new> [<timestamp>]
void OnlineUsers::OnNickChange(const IrcLine& line) {
    std::string oldNick = line.SourceNick();
    const std::string& newNick = line.Param(0);
    if (!newNick.empty()) {
        if (auto slot = FindOnlineUser(oldNick)) {
            OnlineUser& user = users_[*slot];
            user.nick = newNick;
            user.mask = newNick + "!" + user.ident + "@" + user.host;
            // The old nick's warning goes first: a change of letter case alone keeps the
            // same registered nick, and its new warning must not be cancelled.
            services_.nickServ.RemovePendingNick(oldNick);
            services_.nickServ.CheckRegisteredNick(newNick, *slot);
            if (services_.nickServ.IsNickRegistered(oldNick)) services_.nickServ.ClearNickIdentified(oldNick);
            services_.out.LogNetEvent(Bold(oldNick) + " is now known as " + Bold(newNick) + ".");
            services_.LogOutOperator(oldNick);
            services_.ForgetChannelIdentification(oldNick);
        }
        services_.channels.RenameMember(oldNick, newNick);
    }
    ++nickChangeCount;
}

// A user killed by another server or an operator is gone from the network; keeping it
// would leave a ghost entry that blocks its nick and skews every count.
void OnlineUsers::OnKill(const IrcLine& line) {
    auto slot = FindOnlineUser(line.Param(0));
    if (!slot) return;
    std::string nick = users_[*slot].nick;
    for (const std::string* service : {&services_.names.chanServ, &services_.names.nickServ,
                                       &services_.names.operServ, &services_.names.memoServ}) {
        if (IEquals(nick, *service)) return;
    }
    RemoveOnlineUser(nick, true);
}

}  // namespace nb
