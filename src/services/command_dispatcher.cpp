#include "services/command_dispatcher.h"

#include <algorithm>

namespace nb {

CommandDispatcher::CommandDispatcher(const ServiceClients& clients, const OnlineUsers& users,
                                     const IgnoreList& ignoreList, const Standing& standing, Outbound& out,
                                     Logs& logs, BlockCommit& block, NetworkEventBus& events,
                                     PasswordWork& passwords)
    : clients_(clients),
      users_(users),
      ignoreList_(ignoreList),
      standing_(standing),
      out_(out),
      logs_(logs),
      block_(block),
      events_(events),
      passwords_(passwords) {}

bool CommandDispatcher::Deliver(const IrcLine& line) {
    if (!line.Is("PRIVMSG") || line.params.size() < 2) return false;
    const ServiceClient* client = clients_.FindByTarget(line.Param(0));
    if (client == nullptr || client->commands == nullptr) return false;
    std::string sender = line.SourceNick();
    auto slot = users_.FindOnlineUser(sender);
    if (!slot) {
        logs_.WriteDebugLog("Message to " + line.Param(0) + " from unknown user " + sender + " not run");
        return true;
    }
    std::uint64_t id = users_.At(*slot).id;
    if (auto held = waiting_.find(id); held != waiting_.end()) {
        held->second.lines.push_back(line);
        return true;
    }
    if (RunFor(*client, *slot, line, false)) waiting_[id] = Held{sender, {line}};
    return true;
}

bool CommandDispatcher::RunFor(const ServiceClient& client, std::size_t slot, const IrcLine& line, bool again) {
    std::uint64_t id = users_.At(slot).id;
    CommandWait wait{passwords_, [this, id] { Resume(id); }};
    // A command always runs inside a block: its changes are written before its replies leave.
    bool ownBlock = !block_.InBlock();
    if (ownBlock) block_.Begin();
    block_.CommandStarts();
    events_.Hold();
    CommandContext context{UserRef{slot, users_.At(slot).nick}, CommandWords(line.LastParam()),
                           ServiceVoice(client, out_, logs_, users_), &block_, &wait};
    Run(*client.commands, context, again);
    events_.Release();
    block_.CommandEnds();
    if (ownBlock) block_.End();
    return wait.waiting;
}

void CommandDispatcher::Resume(std::uint64_t userId) {
    auto found = waiting_.find(userId);
    if (found == waiting_.end()) return;
    Held held = std::move(found->second);
    waiting_.erase(found);
    bool ownBlock = !block_.InBlock();
    if (ownBlock) block_.Begin();
    for (bool again = true; !held.lines.empty(); again = false) {
        // The commands were the user's under that nick: a user who left it, or the network,
        // does not have them run under another.
        auto slot = users_.FindOnlineUser(held.nick);
        if (!slot || users_.At(*slot).id != userId) {
            logs_.WriteDebugLog(std::to_string(held.lines.size()) + " held command(s) of " + held.nick +
                                " not run: the user left the nick");
            break;
        }
        IrcLine line = std::move(held.lines.front());
        held.lines.pop_front();
        const ServiceClient* client = clients_.FindByTarget(line.Param(0));
        if (client == nullptr || client->commands == nullptr || !RunFor(*client, *slot, line, again)) continue;
        held.lines.push_front(std::move(line));
        waiting_[userId] = std::move(held);
        break;
    }
    if (ownBlock) block_.End();
}

void CommandDispatcher::Run(const CommandTable& table, const CommandContext& context, bool again) const {
    const std::string& serviceNick = context.voice.Nick();
    bool ignored = table.honoursIgnoreList && ignoreList_.Matches(users_.At(context.sender.slot).Mask());
    if (!context.words.Text().empty() && context.words.Text()[0] == '\x01') {
        if (!ignored) AnswerCtcp(context);
        return;
    }
    if (ignored) {
        context.Reply("You are currently being ignored by " + Bold("ALL") + " services, please try again later.");
        return;
    }
    std::string word = ToLower(context.words[0]);
    const std::vector<std::string>& unchecked = table.sendersNotChecked;
    if (table.admitsSender && std::find(unchecked.begin(), unchecked.end(), word) == unchecked.end() &&
        !table.admitsSender(context))
        return;
    const Command* command = table.Find(word);
    if (command == nullptr || !command->enabled) return AnswerUnknown(table, context);
    if (!command->required(context.words)) {
        context.Reply(table.syntaxLead + serviceNick + command->syntax);
        return;
    }
    if (command->checkFirst && !command->checkFirst(context)) return;
    if (!PassesGate(table, *command, context)) return;
    const ServiceClient& client = context.voice.Client();
    // A command that ran again after its wait was counted the first time.
    if (!again) ++counts_[(client.settingsKey.empty() ? client.nick : client.settingsKey) + " " + command->word];
    command->run(context);
}

void CommandDispatcher::AnswerUnknown(const CommandTable& table, const CommandContext& context) const {
    if (table.answerUnknown) return table.answerUnknown(context);
    context.Reply(table.unknownLead + context.voice.Nick() + table.unknownTail);
    // Only the word's letters and digits: whatever is glued to them may be a password.
    if (table.auditsUnknown) context.Audit(LeadingAlphanumerics(context.words[0]) + " [Failed (unknown command)]");
}

bool CommandDispatcher::PassesGate(const CommandTable& table, const Command& command,
                                   const CommandContext& context) const {
    const OnlineUser& sender = users_.At(context.sender.slot);
    switch (command.gate) {
        case Gate::None:
            return true;
        case Gate::Identified:
            if (standing_.IsIdentified(sender)) return true;
            table.refusals.notIdentified(context, command);
            return false;
        case Gate::OperLevel:
            if (standing_.OperLevel(sender) >= command.level) return true;
            table.refusals.levelTooLow(context, command);
            return false;
    }
    return false;
}

// A CTCP request ("\x01VERSION\x01") is not a command: VERSION and PING get the usual answer.
void CommandDispatcher::AnswerCtcp(const CommandContext& context) const {
    std::string request = context.words.Text().substr(1);
    if (!request.empty() && request.back() == '\x01') request.pop_back();
    std::size_t blank = request.find(' ');
    std::string verb = ToLower(request.substr(0, blank));
    if (verb == "version") context.voice.Notice(context.sender.nick, "\x01VERSION Nimbral II v4.3\x01");
    if (verb == "ping") context.voice.Notice(context.sender.nick, "\x01" + request + "\x01");
}

}  // namespace nb
