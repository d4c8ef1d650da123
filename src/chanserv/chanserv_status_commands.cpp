// op, deop and kick: what a channel's access entry of level 200 or more lets its nick do.
#include <cctype>
#include <utility>

#include "chanserv/chanserv_commands.h"
#include "core/text.h"

namespace nb {
namespace {

constexpr int kStatusLevel = 200;

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

void ChanServCommands::ChannelStatus(const CommandContext& context) {
    const std::string& channel = context.words[1];
    const std::string& target = context.words[2];
    const std::string command = Upper(context.words[0]);
    if (!database_.IsChannelRegistered(channel)) {
        context.Reply(Bold("Error") + ": " + Bold(channel) + " isn't a registered channel.");
        AuditChannel(context, channel, command + " [Failed (channel not registered)]");
        return;
    }
    // Only the entry's own level counts here: neither ident nor override gives these.
    const ChannelAccessEntry* entry = std::as_const(database_).FindAccessEntry(channel, context.sender.nick);
    if (entry == nullptr) {
        context.Reply(Bold("Error") + ": You do not have access to " + Bold(channel) + ".");
        AuditChannel(context, channel, command + " [Failed (no access)]");
        return;
    }
    if (!database_.RecognisesUser(*entry, users_.At(context.sender.slot))) {
        context.Reply(Bold("Error") + ": You do not have access to " + Bold(channel) + ".");
        AuditChannel(context, channel, command + " [Failed (hosts do not match)]");
        return;
    }
    if (entry->level < kStatusLevel) {
        context.Reply(Bold("Error") + ": Your access level is too low.");
        AuditChannel(context, channel, command + " [Failed (access level too low)]");
        return;
    }
    // One nick: the server would read a list, or a mask, as several.
    if (target.find_first_of(",*?!@") != std::string::npos || FindBlankOrControl(target) != std::string::npos) {
        context.Reply(Bold("Error") + ": " + Bold(target) + " is not a nick.");
        AuditChannel(context, channel, command + " [Failed (invalid nick)]");
        return;
    }
    if (command == "OP") return SetStatus(context, channel, target, command);
    if (IEquals(target, context.voice.Nick())) {
        context.Reply(Bold("Error") + ": " + Bold(target) + " cannot be " +
                      (command == "KICK" ? "kicked" : "deopped") + ".");
        AuditChannel(context, channel, command + " [Failed (protected nick)]");
        return;
    }
    if (auto slot = users_.FindOnlineUser(target);
        slot && database_.GetChannelAccessLevel(channel, users_.At(*slot)) > entry->level) {
        context.Reply(Bold("Error") + ": " + Bold(target) + " has a higher access level on " + Bold(channel) +
                      " than you.");
        AuditChannel(context, channel, command + " [Failed (higher access level)]");
        return;
    }
    SetStatus(context, channel, target, command);
}

void ChanServCommands::SetStatus(const CommandContext& context, const std::string& channel, const std::string& target,
                                 const std::string& command) {
    if (command == "OP") {
        out_.ServerMode(channel, "+o", target);
    } else if (command == "DEOP") {
        out_.ServerMode(channel, "-o", target);
    } else {
        std::string reason = JoinedWords(context.words, 3);
        if (reason.empty()) reason = "You are not wanted!";
        // The kicked nick leaves the channel table too.
        out_.Kick(context.voice.Nick(), channel, target, reason);
    }
    AuditChannel(context, channel, command + " " + target + " [Success]");
}

}  // namespace nb
