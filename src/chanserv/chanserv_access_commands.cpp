// A channel's access list: list, add, mod and del.
#include <array>
#include <optional>
#include <utility>

#include "chanserv/chanserv_commands.h"
#include "core/text.h"

namespace nb {
namespace {

constexpr int kListLevel = 100;
constexpr int kManageLevel = 300;
constexpr const char* kDefaultLevel = "200";

// A level word: a whole number from 1 up. Anything else would be stored as a level nobody
// chose (a fraction, a sign, a word read as 0).
std::optional<long long> LevelOf(const std::string& word) {
    if (!IsDigits(word)) return std::nullopt;
    long long level = ToNumber(word);  // 0 when it does not fit
    if (level < 1) return std::nullopt;
    return level;
}

}  // namespace

void ChanServCommands::Access(const CommandContext& context) {
    const std::string& channel = context.words[1];
    if (RefusesNameWithoutHash(context, channel, " access <#channel> <add/del/mod/list> [nick] [level]",
                               "ACCESS [Failed (invalid channel)]"))
        return;
    if (RefusesUnregistered(context, channel, "ACCESS")) return;
    accessActions_.Run(context, context.words[2]);
}

void ChanServCommands::AccessList(const CommandContext& context) {
    const std::string& channel = context.words[1];
    if (RefusesLowLevel(context, channel, SenderLevel(context, channel), kListLevel, "Your access to ", "",
                        "ACCESS [Failed (invalid level access)]"))
        return;
    context.Reply("Access list for: " + Bold(channel));
    for (const ChannelAccessEntry* entry : database_.ChannelAccessEntries(channel))
        context.Reply(Bold(entry->nick) + " - " + Bold(std::to_string(entry->level)));
    AuditChannel(context, channel, "ACCESS " + channel + " " + context.words[2] + " [Success]");
}

void ChanServCommands::AccessAdd(const CommandContext& context) {
    const std::string& channel = context.words[1];
    const std::string& action = context.words[2];
    const std::string& nick = context.words[3];
    const int level = SenderLevel(context, channel);
    if (RefusesLowLevel(context, channel, level, kManageLevel, "You access to ", ")", "")) return;
    if (nick.empty()) {
        context.Reply("Syntax Error: /msg " + context.voice.Nick() +
                      " access <#channel> <add/del/mod/list> [nick] [level]");
        AuditChannel(context, channel, "ACCESS [Failed (invalid syntax)]");
        return;
    }
    if (const ChannelAccessEntry* entry = std::as_const(database_).FindAccessEntry(channel, nick)) {
        context.Reply("That user (" + Bold(entry->nick) + ") is already added to " + Bold(channel) + " at level " +
                      Bold(std::to_string(entry->level)) + ".");
        AuditChannel(context, channel, "ACCESS [Failed (user already added)]");
        return;
    }
    const std::string typed = context.words[4].empty() ? kDefaultLevel : context.words[4];
    std::optional<long long> given = LevelOf(typed);
    if (!given) {
        context.Reply("Syntax Error: /msg " + context.voice.Nick() +
                      " access <#channel> <add/del/mod/list> <nick> [level]");
        AuditChannel(context, channel, "ACCESS [Failed (invalid syntax)]");
        return;
    }
    if (*given >= level) {
        context.Reply(Bold("Error") +
                      ": You are attempting to add a user and giving that user an equal or higher access.");
        AuditChannel(context, channel, "ACCESS [Failed (invalid level access)]");
        return;
    }
    if (!nicks_.IsNickRegistered(nick)) {
        context.Reply("That user (" + Bold(nick) + ") is not currently registered with " + nickServ_.nick + ".");
        AuditChannel(context, channel, "ACCESS [Failed (user not registered)]");
        return;
    }
    database_.AddAccessEntry(
        {channel, nick, nicks_.AccessHostsOf(nick).value_or(std::array<std::string, 3>{}), static_cast<int>(*given)});
    ChannelsChanged(context, channel, "ACCESS", false, true);
    context.Reply(Bold(nick) + " was added to " + Bold(channel) + " at level " + Bold(typed) + ".");
    AuditChannel(context, channel, "ACCESS " + channel + " " + action + " " + nick + " " + typed + " [Success]");
}

ChannelAccessEntry* ChanServCommands::EntryToChange(const CommandContext& context, const std::string& channel,
                                                   const std::string& nick) {
    ChannelAccessEntry* entry = database_.FindAccessEntry(channel, nick);
    if (entry != nullptr) return entry;
    context.Reply("That user (" + Bold(nick) + ") is not part of " + Bold(channel) + ".");
    AuditChannel(context, channel, "ACCESS [Failed (user not found)]");
    return nullptr;
}

void ChanServCommands::AccessModify(const CommandContext& context) {
    const std::string& channel = context.words[1];
    const std::string& action = context.words[2];
    const std::string& nick = context.words[3];
    const std::string& typed = context.words[4];
    const int level = SenderLevel(context, channel);
    if (RefusesLowLevel(context, channel, level, kManageLevel, "Your access to ", "",
                        "ACCESS [Failed (invalid level access)]"))
        return;
    // Without a level the entry would be stored with none.
    std::optional<long long> given = LevelOf(typed);
    if (!given) {
        context.Reply("Syntax Error: /msg " + context.voice.Nick() +
                      " access <#channel> <add/del/mod/list> <nick> [level]");
        AuditChannel(context, channel, "ACCESS [Failed (invalid syntax)]");
        return;
    }
    ChannelAccessEntry* entry = EntryToChange(context, channel, nick);
    if (entry == nullptr) return;
    if (entry->level >= level) {
        context.Reply(Bold("Error") + ": You are attempting to modify a user that has equal or higher access.");
        AuditChannel(context, channel, "ACCESS [Failed (invalid level access)]");
        return;
    }
    // As add: nobody gives a level he does not have himself.
    if (*given >= level) {
        context.Reply(Bold("Error") +
                      ": You are attempting to modify a user and giving that user an equal or higher access.");
        AuditChannel(context, channel, "ACCESS [Failed (invalid level access)]");
        return;
    }
    entry->level = static_cast<int>(*given);
    ChannelsChanged(context, channel, "ACCESS", false, true);
    context.Reply(Bold(nick) + "'s access has been changed to " + Bold(typed) + " on " + Bold(channel) + ".");
    AuditChannel(context, channel, "ACCESS " + channel + " " + action + " " + nick + " " + typed + " [Success]");
}

void ChanServCommands::AccessDelete(const CommandContext& context) {
    const std::string& channel = context.words[1];
    const std::string& action = context.words[2];
    const std::string& nick = context.words[3];
    const int level = SenderLevel(context, channel);
    if (RefusesLowLevel(context, channel, level, kManageLevel, "You access to ", ")",
                        "ACCESS [Failed (invalid level access)]"))
        return;
    ChannelAccessEntry* entry = EntryToChange(context, channel, nick);
    if (entry == nullptr) return;
    if (entry->level >= level) {
        context.Reply(Bold("Error") + ": You are attempting to delete a user that has equal or higher access.");
        AuditChannel(context, channel, "ACCESS [Failed (invalid level access)]");
        return;
    }
    database_.RemoveAccessEntry(*entry);
    ChannelsChanged(context, channel, "ACCESS", false, true);
    context.Reply(Bold(nick) + " has been removed from " + Bold(channel) + ".");
    AuditChannel(context, channel,
                 "ACCESS " + channel + " " + action + " " + nick + " " + context.words[4] + " [Success]");
}

}  // namespace nb
