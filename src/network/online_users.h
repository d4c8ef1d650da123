// Who is on the network, kept from the server's user introductions, nick changes and quits.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/irc_line.h"

namespace nb {

class Services;

struct OnlineUser {
    std::string nick;
    std::string ident;
    std::string host;
    std::string server;       // "N/A" when not given
    std::string mask;         // nick!ident@host
    std::string connectTime;  // time of day, blank, date
    std::size_t slotIndex = 0;
    std::string replyType = "NOTICE";  // how services answer: NOTICE or PRIVMSG
    std::string operLevel = "0";       // OperServ level while logged in
    bool override = false;
};

class OnlineUsers {
public:
    explicit OnlineUsers(Services& services);

    void AddOnlineUser(const std::string& nick, const std::string& ident, const std::string& host,
                       const std::string& server);
    // A service client of our own server enters the table quietly: it is not a network
    // event, and the handshake must not send log lines before OperServ exists.
    void AddServiceClient(const std::string& nick, const std::string& serverName);
    // Slot of the user with this nick (letter case ignored); nullopt when absent.
    std::optional<std::size_t> FindOnlineUser(const std::string& nick) const;
    bool IsUserOnline(const std::string& nick) const { return FindOnlineUser(nick).has_value(); }
    // Removes the user; clearNickServ also signs the nick off from NickServ and ChanServ.
    void RemoveOnlineUser(const std::string& nick, bool clearNickServ);
    void Clear() { users_.clear(); }

    std::size_t Count() const { return users_.size(); }
    OnlineUser& At(std::size_t slot) { return users_.at(slot); }
    const OnlineUser& At(std::size_t slot) const { return users_.at(slot); }

    // Handlers of the server's lines.
    void OnUserIntroduction(const IrcLine& line);
    void OnQuit(const IrcLine& line);
    void OnNickChange(const IrcLine& line);
    void OnKill(const IrcLine& line);

    // Changes a user's nick in the table and in channel member lists (no log, no checks).
    void RenameUser(std::size_t slot, const std::string& newNick);

    long connectCount = 0;
    long quitCount = 0;
    long nickChangeCount = 0;

private:
    std::size_t AppendUser(const std::string& nick, const std::string& ident, const std::string& host,
                           const std::string& server);

    Services& services_;
    std::vector<OnlineUser> users_;
};

}  // namespace nb
