// What the services do on the network. Each action sends its line and updates the user and
// channel tables in the same step: the uplink does not echo our own lines back.
#pragma once

#include <string>

#include "link/handshake.h"
#include "link/link_settings.h"
#include "network/channels.h"
#include "network/link_writer.h"
#include "network/online_users.h"

namespace nb {

// "*ident@*.domain" for names, "*ident@a.b.c.*" for dotted addresses.
std::string MakeBanMask(const std::string& ident, const std::string& host);

class Outbound {
public:
    Outbound(LinkWriter& writer, OnlineUsers& users, Channels& channels, OwnClients& clients, const LinkSettings& us);

    // Text from one of our clients to a user or a channel, as a NOTICE or a PRIVMSG.
    void Message(const std::string& source, ReplyType how, const std::string& target, const std::string& text);
    // The user leaves the network and every table.
    void Kill(const std::string& source, const std::string& nick, const std::string& reason);
    // Our server changes a user's nick; the tables follow.
    void ForceNickChange(const std::string& nick, const std::string& newNick);
    void Kick(const std::string& source, const std::string& channel, const std::string& nick, const std::string& reason);
    // The same, made by our server.
    void ServerKick(const std::string& channel, const std::string& nick, const std::string& reason);
    // Channel modes; operator and voice status of the members follow.
    void Mode(const std::string& source, const std::string& channel, const std::string& modes,
              const std::string& parameters);
    // The same, set by our server.
    void ServerMode(const std::string& channel, const std::string& modes, const std::string& parameters);
    // Sets the channel's kept modes ("nt": letters and their parameters, without a sign) as one
    // trailing parameter; the table takes them as the channel's modes. No modes send nothing.
    void RestoreModes(const std::string& source, const std::string& channel, const std::string& modes);
    void Topic(const std::string& source, const std::string& channel, const std::string& text);
    void Invite(const std::string& source, const std::string& nick, const std::string& channel);
    void Join(const std::string& client, const std::string& channel);
    void Part(const std::string& client, const std::string& channel);
    void Wallops(const std::string& source, const std::string& text);
    // One of our clients leaves the network.
    void Quit(const std::string& client, const std::string& reason);
    // A server name held by us so that the real server cannot link ("SERVER <name> 1 :<info>"),
    // and the end of a server (our own ends the link).
    void Jupe(const std::string& server, const std::string& info);
    void Squit(const std::string& server, const std::string& reason);
    // A line an operator typed, sent as it stands.
    void Raw(const std::string& line);
    // One of our clients comes on the network while the link is up (the bot): its NICK, its
    // modes set by our server, its channels; it enters the user table quietly.
    void IntroduceClient(const ClientIntroduction& client);
    // It leaves: its QUIT, and it is out of the user table, its channels and our clients.
    void RetireClient(const std::string& nick, const std::string& reason);

private:
    LinkWriter& writer_;
    OnlineUsers& users_;
    Channels& channels_;
    OwnClients& clients_;
    const LinkSettings& us_;
};

}  // namespace nb
