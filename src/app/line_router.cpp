#include "app/line_router.h"

#include "core/text.h"
#include "services/password_mask.h"

namespace nb {
namespace {

bool IsChannelName(const std::string& name) { return !name.empty() && name[0] == '#'; }

bool IsChannelMessage(const IrcLine& line) { return line.Is("PRIVMSG") && IsChannelName(line.Param(0)); }

}  // namespace

LineRouter::LineRouter(const ServiceClients& clients, CommandDispatcher& commands, OnlineUsers& users,
                       Channels& channels, ServerQueries& queries, Logs& logs, Console& console,
                       const LinkSettings& us)
    : clients_(clients),
      commands_(commands),
      users_(users),
      channels_(channels),
      queries_(queries),
      logs_(logs),
      console_(console),
      us_(us) {}

void LineRouter::LogReceivedLine(const IrcLine& line) {
    if (IsChannelMessage(line)) return;
    std::string shown = MaskPasswords(line, clients_);
    logs_.AppendLogText(LogBox::RawTraffic, shown);
    logs_.WriteDebugLog(shown);
}

void LineRouter::Route(const IrcLine& line) {
    if (commands_.Deliver(line)) return;
    if (line.Is("SQUIT") && IEquals(line.Param(0), us_.serverName)) {
        if (link_ != nullptr) link_->ConnectToServer();
        return;
    }
    if (line.Is("STATS")) {
        queries_.OnStats(line);
        return;
    }
    RouteNetworkState(line);
}

void LineRouter::RouteNetworkState(const IrcLine& line) {
    bool toChannel = IsChannelName(line.Param(0));
    if (line.Is("NICK")) {
        // An introduction carries hop, timestamp, ident, host and server; a change does not.
        if (line.params.size() >= 6) {
            users_.OnUserIntroduction(line);
        } else if (!line.prefix.empty()) {
            users_.OnNickChange(line);
        }
    } else if (line.Is("QUIT")) {
        users_.OnQuit(line);
    } else if (line.Is("KILL")) {
        users_.OnKill(line);
    } else if (line.Is("SQUIT")) {
        users_.OnSquit(line);
    } else if (line.Is("SERVER")) {
        users_.OnServer(line);
    } else if (line.Is("TOPIC") && toChannel) {
        channels_.OnTopic(line);
    } else if (line.Is("MODE") && toChannel) {
        channels_.OnMode(line);
    } else if (line.Is("PART") && toChannel) {
        channels_.OnPart(line);
    } else if (line.Is("PING")) {
        // The answer first: the uplink finishes its side of the link on it.
        queries_.OnPing(line);
        users_.OnEndOfBurst();
    } else if (line.Is("EOS") || line.Is("PONG")) {
        // PONG: the uplink answers our PING of the handshake after it has sent its burst.
        users_.OnEndOfBurst();
    } else if (line.Is("JOIN")) {
        channels_.OnJoin(line);
    } else if (line.Is("SJOIN")) {
        channels_.OnSjoin(line);
    } else if (line.Is("VERSION")) {
        queries_.OnVersion(line);
    } else if (line.Is("KICK") && toChannel) {
        channels_.OnKick(line);
    } else if (line.Is("PRIVMSG") && toChannel) {
        channels_.OnChannelMessage(line);
    } else if (line.Is("ERROR")) {
        console_.ShowMessage("NBII - Server Link", "The server says: " + line.Param(0));
    }
}

}  // namespace nb
