// Where each received line goes: to a service's commands, to the reconnect on a SQUIT of our
// own server, to the STATS answer, or to the network state.
#pragma once

#include "core/console.h"
#include "link/irc_line.h"
#include "link/line_sink.h"
#include "link/link_settings.h"
#include "network/channels.h"
#include "network/logs.h"
#include "network/online_users.h"
#include "network/server_queries.h"
#include "services/command_dispatcher.h"
#include "services/service_clients.h"

namespace nb {

class LineRouter {
public:
    LineRouter(const ServiceClients& clients, CommandDispatcher& commands, OnlineUsers& users, Channels& channels,
               ServerQueries& queries, Logs& logs, Console& console, const LinkSettings& us);
    void AttachLink(LinkControl* link) { link_ = link; }

    // To the debug log and the raw traffic view, with password words masked; channel
    // messages stay out of both.
    void LogReceivedLine(const IrcLine& line);
    // Acts on one line of the classic dialect.
    void Route(const IrcLine& line);

private:
    void RouteNetworkState(const IrcLine& line);

    const ServiceClients& clients_;
    CommandDispatcher& commands_;
    OnlineUsers& users_;
    Channels& channels_;
    ServerQueries& queries_;
    Logs& logs_;
    Console& console_;
    const LinkSettings& us_;
    LinkControl* link_ = nullptr;
};

}  // namespace nb
