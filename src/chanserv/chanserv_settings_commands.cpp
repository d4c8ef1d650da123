// What a channel keeps: info shows it, set changes it.
#include <algorithm>
#include <cctype>
#include <utility>

#include "chanserv/chanserv_commands.h"
#include "core/text.h"

namespace nb {
namespace {

constexpr int kSetLevel = 300;

bool IsSetAction(const std::string& action) {
    for (const char* known : {"topic", "mode", "mlock", "tlock", "greet", "autogreet"}) {
        if (action == known) return true;
    }
    return false;
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
        context.Reply("Password: " + Bold(record->password));
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
    const std::string& action = context.words[2];
    const std::string verb = ToLower(action);
    // The switches take one word; the texts take the rest of the line.
    const bool isSwitch = verb == "autogreet" || verb == "mlock" || verb == "tlock";
    const std::string parameters = isSwitch ? context.words[3] : JoinedWords(context.words, 3);
    const bool on = IEquals(parameters, "on");
    if (channel[0] != '#') {
        context.Reply("Syntax Error: /msg " + context.voice.Nick() + " set <#channel> <action> [parms]");
        AuditChannel(context, channel, "SET [Failed (invalid channel name)]");
        return;
    }
    RegisteredChannel* record = database_.FindRegisteredChannel(channel);
    if (record == nullptr) {
        context.Reply("That channel (" + Bold(channel) + ") is not currently registered.");
        AuditChannel(context, channel, "SET [Failed (channel not registered)]");
        return;
    }
    if (int level = SenderLevel(context, channel); level < kSetLevel) {
        context.Reply("Your access to " + Bold(channel) + " is to low.  It is currently " +
                      Bold(std::to_string(level)));
        AuditChannel(context, channel, "SET [Failed (invalid level access)]");
        return;
    }
    if (parameters.empty() || !IsSetAction(verb)) {
        context.Reply("Syntax Error: /msg " + context.voice.Nick() +
                      " set <#channel> <mode/topic/tlock/mlock/greet/greetstatus> [parms]");
        AuditChannel(context, channel, "SET [Failed (invalid syntax)]");
        return;
    }
    const ChannelField textField = verb == "topic"  ? ChannelField::Topic
                                   : verb == "mode" ? ChannelField::Modes
                                                    : ChannelField::Greet;
    if (!isSwitch && !Storable(context, channel, textField, parameters, "SET")) return;
    // The kept modes are letters: a "+" typed in front would go out twice.
    const std::string modeLetters = parameters.substr(std::min(parameters.find_first_not_of('+'), parameters.size()));
    if (verb == "mode" && std::none_of(modeLetters.begin(), modeLetters.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); })) {
        context.Reply(Bold("Error") + ": The mode needs at least one mode letter.");
        AuditChannel(context, channel, "SET [Failed (no mode letter)]");
        return;
    }

    const std::string& chanServ = context.voice.Nick();
    if (verb == "topic") {
        record->topic = parameters;
        context.Reply("The topic in " + Bold(channel) + " is now set to: " + Bold(record->topic));
        out_.Topic(chanServ, record->name, record->topic);
    } else if (verb == "mode") {
        record->modes = modeLetters;
        context.Reply("The mode in " + Bold(channel) + " is now set to: " + Bold(record->modes));
        out_.ServerMode(channel, "+" + record->modes, "");
    } else if (verb == "mlock") {
        record->modeLock = on;
        if (on) {
            context.Reply("Modelock in " + Bold(channel) + " has been turned " + Bold("on") + "!");
            out_.ServerMode(channel, "+" + record->modes, "");
        } else {
            context.Reply("Modelock in " + Bold(channel) + " has been turned " + Bold("off") + "!");
        }
    } else if (verb == "tlock") {
        record->topicLock = on;
        if (on) {
            context.Reply("Topiclock in " + Bold(channel) + " has been turned " + Bold("on") + "!");
            out_.Topic(chanServ, record->name, record->topic);
        } else {
            context.Reply("Topiclock in " + Bold(channel) + " has been turned " + Bold("off") + "!");
        }
    } else if (verb == "greet") {
        record->greet = parameters;
        context.Reply("Greeting in " + Bold(channel) + " has been changed to: " + record->greet);
    } else {
        record->autoGreet = on;
        context.Reply(on ? "Autogreet in " + Bold(channel) + " has been turned " + Bold("on") + "!"
                         : "Autogreet in " + Bold(channel) + " has been turned " + Bold("off") + "!");
    }
    AuditChannel(context, channel, "SET " + channel + " " + action + " " + parameters + " [Success]");
    ChannelsChanged(context, channel, "SET", true, false);
}

}  // namespace nb
