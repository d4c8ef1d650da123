// The commands about a registration's own details: set, info and access.
#include <optional>
#include <string>

#include "core/text.h"
#include "services/password_hash.h"
#include "nickserv/nickserv_commands.h"

namespace nb {

struct SetAction {
    const char* word;
    std::optional<NickField> field;  // none for reach, which is not a text
    const char* label;  // "<label> set to: "
    // The character that closes this field in NickServ.nb2: stored inside, it would break the
    // record's line when the file is read back.
    char unstorable;
};

constexpr SetAction kSetActions[] = {
    {"age", NickField::Age, "Age", '\0'},
    {"url", NickField::Url, "URL", ')'},
    {"realname", NickField::RealName, "Realname", '}'},
    {"email", NickField::Email, "Email", ']'},
    {"reach", std::nullopt, "Reach", '\0'},
};

void NickServCommands::BuildActionTables() {
    for (const SetAction& action : kSetActions)
        setActions_.actions.push_back({action.word, [this, &action](const CommandContext& context) { SetField(context, action); }});
    setActions_.unknown = [](const CommandContext& context) {
        context.Reply(Bold("Error") + ": AGE/URL/REALNAME/EMAIL/REACH");
        context.Audit("SET [Failed (invalid set command)]");
    };
    accessActions_.actions = {{"list", [this](const CommandContext& context) { AccessList(context); }},
                              {"add", [this](const CommandContext& context) { AccessChange(context, true); }},
                              {"del", [this](const CommandContext& context) { AccessChange(context, false); }}};
    accessActions_.unknown = [](const CommandContext& context) {
        context.Reply(Bold("Error") + ": Invalid access command!");
        context.Audit("ACCESS " + context.words[1] + " [Failed (unknown access command)]");
    };
}

void NickServCommands::Set(const CommandContext& context) { setActions_.Run(context, context.words[1]); }

void NickServCommands::SetField(const CommandContext& context, const SetAction& action) {
    const CommandWords& words = context.words;
    const std::string& setting = words[2];
    RegisteredNick& record = *database_.FindRegisteredNick(context.sender.nick);
    // A real name holds two words at most: with one word, a blank follows it.
    bool realName = action.field == NickField::RealName;
    std::string value = realName ? setting + " " + words[3] : setting;
    if (!HasOnlyFormattingControls(value)) {
        context.Reply(Bold("Error") + ": " + action.label + " cannot contain control characters.");
        context.Audit("SET " + words[1] + " [Failed (invalid character)]");
        return;
    }
    if (action.unstorable != '\0' && value.find(action.unstorable) != std::string::npos) {
        context.Reply(Bold("Error") + ": " + action.label + " cannot contain " +
                      Bold(std::string(1, action.unstorable)) + ".");
        context.Audit("SET " + words[1] + " " + value + " [Failed (invalid character)]");
        return;
    }
    ReplyType reach = IEquals(setting, "notice") ? ReplyType::Notice : ReplyType::Privmsg;
    if (!action.field) {
        record.replyType = reach;
    } else {
        record.SetField(*action.field, value);
    }
    OnlineUser& user = users_.At(context.sender.slot);
    ReplyType before = user.replyType;
    // The user may have left by the time the block's write fails.
    NicksChanged(context, "SET " + words[1], [this, nick = user.nick, before] {
        if (auto slot = users_.FindOnlineUser(nick)) users_.At(*slot).replyType = before;
    });
    if (!action.field) user.replyType = reach;
    std::string typed = realName ? value : setting;
    context.Reply(std::string(action.label) + " set to: " + Bold(typed));
    context.Audit("SET " + words[1] + " " + typed + " [Success]");
}

void NickServCommands::Info(const CommandContext& context) {
    const std::string& nick = context.words[1];
    const RegisteredNick* record = database_.FindRegisteredNick(nick);
    if (record == nullptr) {
        context.Reply(Bold(nick) + " is not registered.");
        context.Audit("INFO [Failed (nick not registered)]");
        return;
    }
    context.Reply("Information on:" + Bold(" " + record->Nick()));
    if (standing_.SeesPasswords(users_.At(context.sender.slot))) {
        context.Reply("---");
        context.Reply("Password: " + Bold(ShownPassword(record->Password())));
        context.Reply("---");
    }
    context.Reply("Registered on:" + Bold(" " + record->RegisteredOn()));
    context.Reply("Last seen on:" + Bold(" " + record->LastSeen()));
    context.Reply("Last quit message:" + Bold(" " + record->LastQuit()));
    context.Reply("-------------------");
    context.Reply("Email address:" + Bold(" " + record->Email()));
    context.Reply("Real name:" + Bold(" " + record->RealName()));
    context.Reply("URL:" + Bold(" " + record->Url()));
    context.Reply("Age:" + Bold(" " + record->Age()));
    context.Audit("INFO " + nick + " [Success]");
}

void NickServCommands::Access(const CommandContext& context) { accessActions_.Run(context, context.words[1]); }

void NickServCommands::AccessList(const CommandContext& context) {
    const RegisteredNick& record = *database_.FindRegisteredNick(context.sender.nick);
    context.Reply("Access list for: " + Bold(record.Nick()));
    for (std::size_t index = 0; index < 3; ++index)
        context.Reply("Slot #" + std::to_string(index + 1) + ": " + Bold(record.AccessHost(index)));
    context.Audit("ACCESS " + context.words[1] + " [Success]");
}

void NickServCommands::AccessChange(const CommandContext& context, bool add) {
    const std::string& subcommand = context.words[1];
    const std::string& slot = context.words[2];
    const std::string& host = context.words[3];
    RegisteredNick& record = *database_.FindRegisteredNick(context.sender.nick);
    if (slot != "1" && slot != "2" && slot != "3") {
        context.Reply("Please select a host slot between " + Bold("1 and 3"));
        context.Audit("ACCESS " + subcommand + " " + slot + " " + host + " [Failed (invalid slot)]");
        return;
    }
    int hostSlot = slot[0] - '0';
    if (!add) {
        record.SetAccessHost(hostSlot - 1, "");
        NicksChanged(context, "ACCESS " + subcommand + " " + slot);
        context.Reply("Removed the host from slot " + Bold(slot));
        context.Audit("ACCESS " + subcommand + " " + slot + " [Success]");
        return;
    }
    record.SetAccessHost(hostSlot - 1, host);
    NicksChanged(context, "ACCESS " + subcommand + " " + slot + " " + host);
    context.Reply("Added: " + Bold(host) + " to slot " + Bold(slot));
    context.Audit("ACCESS " + subcommand + " " + slot + " " + host + " [Success]");
    std::size_t channels = events_.OnAccessHostChanged(context.sender.nick, hostSlot, host);
    context.Reply("Your nick (" + Bold(context.sender.nick) + ") was found on " + Bold(std::to_string(channels)) +
                  " registered channels, and your hosts were updated.");
}

}  // namespace nb
