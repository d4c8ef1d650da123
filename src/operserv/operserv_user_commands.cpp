// What operators do to users and channels: modes and status, kills, kicks, invitations, and
// the lookups of users.
#include "core/text.h"
#include "core/wildcard.h"
#include "operserv/operserv.h"

namespace nb {

void OperServ::Mode(const CommandContext& context) {
    const std::string& channel = context.words[1];
    const std::string& modes = context.words[2];
    out_.ServerMode(channel, modes, context.words[3]);
    logs_.LogToOperChannel(Bold(context.sender.nick) + " used the MODE command on " + Bold(channel) + " " +
                           Bold("(" + modes));
    context.Audit("MODE [Success]");
}

void OperServ::Op(const CommandContext& context) {
    const std::string& channel = context.words[1];
    const std::string& target = context.words[2];
    out_.ServerMode(channel, "+o", target);
    logs_.LogToOperChannel(Bold(context.sender.nick) + " used the OP command on " + Bold(target) + " in " +
                           Bold(channel));
    context.Audit("OP " + target + " [Success]");
}

void OperServ::Deop(const CommandContext& context) {
    const std::string& channel = context.words[1];
    const std::string& target = context.words[2];
    if (IsProtected(target)) {
        context.Reply(Bold("Error") + ": You cannot deop a service.");
        logs_.LogToOperChannel(Bold(context.sender.nick) + " attempted to deop a service.");
        context.Audit("DEOP " + target + " [Failed (cannot deop service nicks)]");
        return;
    }
    out_.ServerMode(channel, "-o", target);
    logs_.LogToOperChannel(Bold(context.sender.nick) + " used the DEOP on " + Bold(target) + " in " + Bold(channel));
    context.Audit("DEOP " + target + " [Success]");
}

// None of our own clients is killed: the network would lose a service that our tables still
// show there.
void OperServ::Kill(const CommandContext& context) {
    const std::string& nick = context.sender.nick;
    const std::string& target = context.words[1];
    const std::string reason = FreeText(context.words, 2);
    if (IsProtected(target) || clients_.IsOwnClient(target)) {
        context.Reply(Bold("Error") + ": You cannot kill a service.");
        logs_.LogToOperChannel(Bold(nick) + " attempted to kill a service.");
        context.Audit("KILL [Failed (cannot kill a service)]");
        return;
    }
    out_.Kill(us_.serverName, target, "(" + Bold(nick) + ") " + Trim(reason));
    // The first bold run holds the nick and the verb, as operators know the line.
    logs_.LogToOperChannel(kBold + nick + " killed " + kBold + target + kBold + " (" + Bold(reason) + ")");
    context.Audit("KILL " + target + " (" + reason + ") [Success]");
}

void OperServ::Kick(const CommandContext& context) {
    const std::string& nick = context.sender.nick;
    const std::string& channel = context.words[1];
    const std::string& target = context.words[2];
    const std::string reason = FreeText(context.words, 3);
    if (IsProtected(target)) {
        context.Reply(Bold("Error") + ": You cannot kick a service.");
        logs_.LogToOperChannel(kBold + nick + " attempted to kick a service.");
        context.Audit("KICK [Failed (cannot kick a service)]");
        return;
    }
    out_.ServerKick(channel, target, "(" + Bold(nick) + ") " + Trim(reason));
    logs_.LogToOperChannel(kBold + nick + " kicked " + kBold + target + kBold + " from " + Bold(channel) + " (" +
                           Bold(reason) + ")");
    context.Audit("KICK " + target + " " + channel + " (" + reason + ") [Success]");
}

void OperServ::MassKill(const CommandContext& context) {
    const std::string& nick = context.sender.nick;
    const std::string& mask = context.words[1];
    const std::string reason = FreeText(context.words, 2);
    context.Reply("Killing all users matching : " + Bold(mask));
    const std::string pattern = ToLower(mask);
    std::vector<std::string> victims;
    for (std::size_t slot = 0; slot < users_.Count(); ++slot) {
        const OnlineUser& user = users_.At(slot);
        if (clients_.IsOwnClient(user.nick) || !WildcardMatch(ToLower(user.Mask()), pattern)) continue;
        victims.push_back(user.nick);
    }
    // Killed after the walk: each kill moves another user into the freed slot.
    for (const std::string& victim : victims) out_.Kill(context.voice.Nick(), victim, "[Masskill on " + mask + "] " + Trim(reason));
    const std::string total = "Total of " + Bold(std::to_string(victims.size())) + " user(s) were killed.";
    context.Reply(total);
    logs_.LogToOperChannel(Bold(nick) + " killed everyone matching " + Bold(mask));
    logs_.LogToOperChannel(total);
    context.Audit("MASSKILL " + mask + " (" + reason + ") [Success]");
}

// ChanServ invites to a channel registered with it; elsewhere OperServ joins, invites and leaves.
void OperServ::Invite(const CommandContext& context) {
    const std::string& nick = context.sender.nick;
    const std::string& channel = context.words[1];
    const ServiceClient& chanServ = clients_.Get(ServiceId::ChanServ);
    if (chanServ.enabled && registered_.IsChannelRegistered(channel)) {
        out_.Invite(chanServ.nick, nick, channel);
    } else {
        out_.Join(context.voice.Nick(), channel);
        out_.Invite(context.voice.Nick(), nick, channel);
        out_.Part(context.voice.Nick(), channel);
    }
    logs_.LogToOperChannel(kBold + nick + " was invited to " + Bold(channel));
    context.Audit("INVITE " + channel + " [Success]");
}

void OperServ::Match(const CommandContext& context) {
    const std::string& mask = context.words[1];
    context.Reply("*** Matching users with: " + Bold(mask));
    const std::string pattern = ToLower(mask);
    bool matched = false;
    for (std::size_t slot = 0; slot < users_.Count(); ++slot) {
        const OnlineUser& user = users_.At(slot);
        if (!WildcardMatch(ToLower(user.Mask()), pattern)) continue;
        context.Reply("Matched with " + Bold(user.nick) + " (" + Bold(user.ident + "@" + user.host) + ") - (" +
                      Bold(std::to_string(user.slotIndex)) + ")");
        matched = true;
    }
    context.Audit("MATCH " + mask + " [Success]");
    if (!matched) context.Reply("No matches found!");
}

void OperServ::Whois(const CommandContext& context) {
    const std::string& target = context.words[1];
    auto slot = users_.FindOnlineUser(target);
    if (!slot) {
        context.Reply(Bold("Error") + ": User (" + Bold(target) + ") not online.");
        context.Audit("WHIOS [Failed (user not online)]");
        return;
    }
    const OnlineUser& user = users_.At(*slot);
    context.Reply(Bold("Nick") + ": " + user.nick);
    context.Reply(Bold("Full Host") + ": " + user.Mask());
    context.Reply(Bold("Connected on") + ": " + ConnectTimeText(user));
    context.Reply(Bold("User Number") + ": " + std::to_string(user.slotIndex));
    context.Reply(Bold("Server") + ": " + user.server.value_or("N/A"));
    context.Reply(Bold("Current channels") + ": " + JoinWords(channels_.ChannelsOf(user.nick), 0, ", "));
    if (user.operLevel > 0)
        context.Reply(user.nick + " is in the " + context.voice.Nick() + " database at level " +
                      Bold(std::to_string(user.operLevel)));
    context.Audit("WHOIS " + target + " [Success]");
}

}  // namespace nb
