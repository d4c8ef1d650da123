// The commands about a registration's own details: set, info and access.
#include <string>

#include "core/services.h"
#include "core/text.h"
#include "nickserv/nick_database.h"
#include "nickserv/nickserv_commands.h"

namespace nb {
namespace {

struct SetAction {
    const char* word;
    std::string RegisteredNick::*field;
    const char* label;  // "<label> set to: "
    // The character that closes this field in NickServ.nb2: stored inside, it would break the
    // record's line when the file is read back.
    char unstorable;
};

constexpr SetAction kSetActions[] = {
    {"age", &RegisteredNick::age, "Age", '\0'},
    {"url", &RegisteredNick::url, "URL", ')'},
    {"realname", &RegisteredNick::realName, "Realname", '}'},
    {"email", &RegisteredNick::email, "Email", ']'},
    {"reach", &RegisteredNick::replyType, "Reach", '\0'},
};

const SetAction* FindSetAction(const std::string& word) {
    for (const SetAction& action : kSetActions) {
        if (IEquals(word, action.word)) return &action;
    }
    return nullptr;
}

}  // namespace

RegisteredNick* NickServCommands::IdentifiedSenderRecord(const std::string& auditWords) {
    RegisteredNick* record = database_.FindRegisteredNick(senderNick_);
    if (record != nullptr && record->identified) return record;
    const std::string& nickServ = services_.names.nickServ;
    Reply(Bold("Error") + ": Please identify with " + nickServ + " first.");
    Reply(Bold("Syntax") + ": /msg " + nickServ + " ident <" + Bold("password") + ">");
    Audit(auditWords + " [Failed (not identified)]");
    return nullptr;
}

void NickServCommands::Set(const CommandWords& words) {
    const std::string& setting = words[2];
    RegisteredNick* record = IdentifiedSenderRecord("SET");
    if (record == nullptr) return;
    const SetAction* action = FindSetAction(words[1]);
    if (action == nullptr) {
        Reply(Bold("Error") + ": AGE/URL/REALNAME/EMAIL/REACH");
        Audit("SET [Failed (invalid set command)]");
        return;
    }
    // A real name holds two words at most: with one word, a blank follows it.
    std::string value = action->field == &RegisteredNick::realName ? setting + " " + words[3] : setting;
    if (action->unstorable != '\0' && value.find(action->unstorable) != std::string::npos) {
        Reply(Bold("Error") + ": " + action->label + " cannot contain " + Bold(std::string(1, action->unstorable)) +
              ".");
        Audit("SET " + words[1] + " " + value + " [Failed (invalid character)]");
        return;
    }
    if (action->field == &RegisteredNick::replyType) {
        value = IEquals(setting, "notice") ? "NOTICE" : "PRIVMSG";
        services_.users.At(senderSlot_).replyType = value;
    }
    record->*(action->field) = value;
    database_.SaveNickDatabase();
    std::string typed = action->field == &RegisteredNick::realName ? value : setting;
    Reply(std::string(action->label) + " set to: " + Bold(typed));
    Audit("SET " + words[1] + " " + typed + " [Success]");
}

void NickServCommands::Info(const CommandWords& words) {
    const std::string& nick = words[1];
    const RegisteredNick* record = database_.FindRegisteredNick(nick);
    if (record == nullptr) {
        Reply(Bold(nick) + " is not registered.");
        Audit("INFO [Failed (nick not registered)]");
        return;
    }
    Reply("Information on:" + Bold(" " + record->nick));
    const OnlineUser& asker = services_.users.At(senderSlot_);
    if (ToNumber(asker.operLevel) >= ToNumber(services_.settings.Get("General", "OS Info", "450"))) {
        Reply("---");
        Reply("Password: " + Bold(record->password));
        Reply("---");
    }
    Reply("Registered on:" + Bold(" " + record->registeredOn));
    Reply("Last seen on:" + Bold(" " + record->lastSeen));
    Reply("Last quit message:" + Bold(" " + record->lastQuit));
    Reply("-------------------");
    Reply("Email address:" + Bold(" " + record->email));
    Reply("Real name:" + Bold(" " + record->realName));
    Reply("URL:" + Bold(" " + record->url));
    Reply("Age:" + Bold(" " + record->age));
    Audit("INFO " + nick + " [Success]");
}

void NickServCommands::Access(const CommandWords& words) {
    const std::string& subcommand = words[1];
    const std::string& slot = words[2];
    const std::string& host = words[3];
    RegisteredNick* record = IdentifiedSenderRecord("ACCESS " + subcommand + " " + slot + " " + host);
    if (record == nullptr) return;
    std::string command = ToLower(subcommand);
    if (command == "list") {
        Reply("Access list for: " + Bold(record->nick));
        for (std::size_t index = 0; index < record->accessHosts.size(); ++index)
            Reply("Slot #" + std::to_string(index + 1) + ": " + Bold(record->accessHosts[index]));
        Audit("ACCESS " + subcommand + " [Success]");
        return;
    }
    if (command != "add" && command != "del") {
        Reply(Bold("Error") + ": Invalid access command!");
        Audit("ACCESS " + subcommand + " [Failed (unknown access command)]");
        return;
    }
    if (slot != "1" && slot != "2" && slot != "3") {
        Reply("Please select a host slot between " + Bold("1 and 3"));
        Audit("ACCESS " + subcommand + " " + slot + " " + host + " [Failed (invalid slot)]");
        return;
    }
    int hostSlot = slot[0] - '0';
    if (command == "del") {
        record->accessHosts[hostSlot - 1].clear();
        database_.SaveNickDatabase();
        Reply("Removed the host from slot " + Bold(slot));
        Audit("ACCESS " + subcommand + " " + slot + " [Success]");
        return;
    }
    record->accessHosts[hostSlot - 1] = host;
    database_.SaveNickDatabase();
    Reply("Added: " + Bold(host) + " to slot " + Bold(slot));
    Audit("ACCESS " + subcommand + " " + slot + " " + host + " [Success]");
    std::size_t channels = services_.CarryAccessHostToChannels(senderNick_, hostSlot, host);
    Reply("Your nick (" + Bold(senderNick_) + ") was found on " + Bold(std::to_string(channels)) +
          " registered channels, and your hosts were updated.");
}

}  // namespace nb
