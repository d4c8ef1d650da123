// The one dispatcher of every service with a command table: finds the sender, refuses an
// ignored user, splits the words, answers a missing word or an unknown command, applies every
// gate (identified, operator level) and runs the handler. The events of what a handler does on
// the network are announced after it has returned.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <unordered_map>

#include "link/irc_line.h"
#include "network/logs.h"
#include "network/network_events.h"
#include "network/online_users.h"
#include "network/outbound.h"
#include "services/command_table.h"
#include "services/ignore_list.h"
#include "services/service_clients.h"
#include "services/standing.h"

namespace nb {

class CommandDispatcher {
public:
    CommandDispatcher(const ServiceClients& clients, const OnlineUsers& users, const IgnoreList& ignoreList,
                      const Standing& standing, Outbound& out, Logs& logs, BlockCommit& block,
                      NetworkEventBus& events, PasswordWork& passwords);

    // A PRIVMSG to one of our clients that answers commands is run (or refused) here; false
    // when the target is no such client. A sender who is not in the user table is not run.
    bool Deliver(const IrcLine& line);
    // How often each command was run, by "<service> <command>".
    const std::map<std::string, long>& Counts() const { return counts_; }

private:
    // A user whose command waits for a password answer has the commands that follow held, so
    // that each user's answers keep their order; other users are answered meanwhile.
    struct Held {
        std::string nick;  // the sender's nick when the commands came
        std::deque<IrcLine> lines;  // the first is the one waiting
    };

    // Runs one command of a user who is not waiting; true when it waits now.
    bool RunFor(const ServiceClient& client, std::size_t slot, const IrcLine& line, bool again);
    // The answer that the user's first held command waited for is known.
    void Resume(std::uint64_t userId);
    void Run(const CommandTable& table, const CommandContext& context, bool again) const;
    void AnswerUnknown(const CommandTable& table, const CommandContext& context) const;
    bool PassesGate(const CommandTable& table, const Command& command, const CommandContext& context) const;
    void AnswerCtcp(const CommandContext& context) const;

    const ServiceClients& clients_;
    const OnlineUsers& users_;
    const IgnoreList& ignoreList_;
    const Standing& standing_;
    Outbound& out_;
    Logs& logs_;
    BlockCommit& block_;
    NetworkEventBus& events_;
    PasswordWork& passwords_;
    std::unordered_map<std::uint64_t, Held> waiting_;
    mutable std::map<std::string, long> counts_;
};

}  // namespace nb
