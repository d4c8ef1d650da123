// What a channel keeps: info shows it, set changes it.
#include <algorithm>
#include <cctype>
#include <utility>

#include "chanserv/chanserv_commands.h"
#include "core/text.h"
#include "services/password_hash.h"

namespace nb {
namespace {

constexpr int kSetLevel = 300;

// The switches take one word; the texts take the rest of the line.
std::string SetParameters(const CommandContext& context) {
    std::string verb = ToLower(context.words[2]);
    bool isSwitch = verb == "autogreet" || verb == "mlock" || verb == "tlock";
    return isSwitch ? context.words[3] : JoinedWords(context.words, 3);
}

bool SwitchedOn(const CommandContext& context) { return IEquals(context.words[3], "on"); }

// "<what> in ^B<channel>^B has been turned ^Bon^B!" or off.
std::string TurnedText(const std::string& what, const std::string& channel, bool on) {
    return what + " in " + Bold(channel) + " has been turned " + Bold(on ? "on" : "off") + "!";
}

}  // namespace

void ChanServCommands::Info(const CommandContext& context) {
    const std::string& channel = context.words[1];
    const RegisteredChannel* record = std::as_const(database_).FindRegisteredChannel(channel);
    if (record == nullptr) {
        context.Reply("That channel (" + Bold(channel) + ") is not currently registered.");
        context.Audit("INFO " + channel + " [Failed (channel not registered)]");
        return;
    }
    context.Reply("Information on: " + Bold(channel));
    if (standing_.SeesPasswords(users_.At(context.sender.slot))) {
        context.Reply("---");
        context.Reply("Password: " + Bold(ShownPassword(record->password)));
        context.Reply("---");
    }
    context.Reply("Owner: " + Bold(record->founder));
    context.Reply("Owner's Email: " + Bold(record->email));
    context.Reply("Channel Description: " + Bold(record->description));
    context.Reply("Registered on: " + Bold(record->registeredOn));
    context.Reply("--");
    context.Reply("Topic: " + Bold(record->topic));
    context.Reply(record->topicLock ? "Topic lock: " + Bold("ON") : "Topic lock: " + Bold("OFF"));
    context.Reply("Mode(s): " + Bold(record->modes));
    context.Reply(record->modeLock ? "Mode lock: " + Bold("ON") : "Mode lock: " + Bold("OFF"));
    context.Reply("Greet Message: " + Bold(record->greet));
    context.Reply(record->autoGreet ? "Greet: " + Bold("ON") : "Greet: " + Bold("OFF"));
    context.Audit("INFO " + channel + " [Success]");
}

void ChanServCommands::Set(const CommandContext& context) {
    const std::string& channel = context.words[1];
    if (RefusesNameWithoutHash(context, channel, " set <#channel> <action> [parms]",
                               "SET [Failed (invalid channel name)]") ||
        RefusesUnregistered(context, channel, "SET") ||
        RefusesLowLevel(context, channel, SenderLevel(context, channel), kSetLevel, "Your access to ", "",
                        "SET [Failed (invalid level access)]"))
        return;
    if (SetParameters(context).empty()) return RefuseSetSyntax(context);
    setActions_.Run(context, context.words[2]);
}

void ChanServCommands::RefuseSetSyntax(const CommandContext& context) const {
    context.Reply("Syntax Error: /msg " + context.voice.Nick() +
                  " set <#channel> <mode/topic/tlock/mlock/greet/greetstatus> [parms]");
    AuditChannel(context, context.words[1], "SET [Failed (invalid syntax)]");
}

void ChanServCommands::SetDone(const CommandContext& context, const std::string& parameters) {
    const std::string& channel = context.words[1];
    AuditChannel(context, channel, "SET " + channel + " " + context.words[2] + " " + parameters + " [Success]");
    ChannelsChanged(context, channel, "SET", true, false);
}

void ChanServCommands::SetTopic(const CommandContext& context) {
    const std::string& channel = context.words[1];
    const std::string parameters = SetParameters(context);
    if (!Storable(context, channel, ChannelField::Topic, parameters, "SET")) return;
    RegisteredChannel* record = database_.FindRegisteredChannel(channel);
    record->topic = parameters;
    context.Reply("The topic in " + Bold(channel) + " is now set to: " + Bold(record->topic));
    out_.Topic(context.voice.Nick(), record->name, record->topic);
    SetDone(context, parameters);
}

void ChanServCommands::SetMode(const CommandContext& context) {
    const std::string& channel = context.words[1];
    const std::string parameters = SetParameters(context);
    if (!Storable(context, channel, ChannelField::Modes, parameters, "SET")) return;
    // The kept modes are letters: a "+" typed in front would go out twice.
    const std::string letters = parameters.substr(std::min(parameters.find_first_not_of('+'), parameters.size()));
    if (std::none_of(letters.begin(), letters.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); })) {
        context.Reply(Bold("Error") + ": The mode needs at least one mode letter.");
        AuditChannel(context, channel, "SET [Failed (no mode letter)]");
        return;
    }
    database_.FindRegisteredChannel(channel)->modes = letters;
    context.Reply("The mode in " + Bold(channel) + " is now set to: " + Bold(letters));
    out_.ServerMode(channel, "+" + letters, "");
    SetDone(context, parameters);
}

// A lock turned on holds at once.
void ChanServCommands::SetSwitch(const CommandContext& context, bool RegisteredChannel::*flag, const char* label) {
    const std::string& channel = context.words[1];
    RegisteredChannel* record = database_.FindRegisteredChannel(channel);
    bool on = record->*flag = SwitchedOn(context);
    context.Reply(TurnedText(label, channel, on));
    if (on && flag == &RegisteredChannel::modeLock) out_.ServerMode(channel, "+" + record->modes, "");
    if (on && flag == &RegisteredChannel::topicLock) out_.Topic(context.voice.Nick(), record->name, record->topic);
    SetDone(context, SetParameters(context));
}

void ChanServCommands::SetGreet(const CommandContext& context) {
    const std::string& channel = context.words[1];
    const std::string parameters = SetParameters(context);
    if (!Storable(context, channel, ChannelField::Greet, parameters, "SET")) return;
    database_.FindRegisteredChannel(channel)->greet = parameters;
    context.Reply("Greeting in " + Bold(channel) + " has been changed to: " + parameters);
    SetDone(context, parameters);
}


}  // namespace nb
