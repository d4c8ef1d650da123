#include "nickserv/nickserv_commands.h"

#include "core/datetime.h"
#include "core/services.h"
#include "core/text.h"
#include "nickserv/enforcement.h"
#include "nickserv/nick_database.h"

namespace nb {
namespace {

// Stored until the owner sets them; single words without the closing bracket of their field.
constexpr const char* kUrlPlaceholder = "http://nimbral.example.org";
constexpr const char* kEmailPlaceholder = "none@not.entered";
constexpr int kKillAfterBadPasswords = 4;

bool NoWords(const CommandWords&) { return true; }
bool OneWord(const CommandWords& words) { return !words[1].empty(); }
bool TwoWords(const CommandWords& words) { return !words[1].empty() && !words[2].empty(); }
bool AccessWords(const CommandWords& words) {
    return IEquals(words[1], "list") || (!words[1].empty() && !words[2].empty() && !words[3].empty());
}

}  // namespace

CommandWords::CommandWords(const std::string& text) {
    for (const std::string& word : SplitWords(text)) words_.push_back(Trim(word));
}

const std::string& CommandWords::operator[](std::size_t index) const {
    static const std::string kAbsent;
    return index < words_.size() ? words_[index] : kAbsent;
}

struct NickServCommands::Command {
    const char* word;
    bool (*hasRequiredWords)(const CommandWords&);
    const char* syntax;  // follows "Syntax Error: /msg <NickServ nick>"
    void (NickServCommands::*run)(const CommandWords&);
};

const std::vector<NickServCommands::Command>& NickServCommands::CommandTable() {
    static const std::vector<Command> table = {
        {"help", NoWords, "", &NickServCommands::Help},
        {"register", OneWord, " register <password>", &NickServCommands::Register},
        {"drop", OneWord, " drop <password>", &NickServCommands::Drop},
        {"set", OneWord, " set <action> <setting>", &NickServCommands::Set},
        {"info", OneWord, " info <nick>", &NickServCommands::Info},
        {"ident", OneWord, " ident <password>", &NickServCommands::Identify},
        {"identify", OneWord, " identify <password>", &NickServCommands::Identify},
        {"access", AccessWords, " access <add/del/list> <slot #> <host>", &NickServCommands::Access},
        {"ghost", TwoWords, " ghost <nick> <password>", &NickServCommands::Ghost},
        {"chpass", TwoWords, " chpass <oldpass> <newpass>", &NickServCommands::ChangePassword},
    };
    return table;
}

NickServCommands::NickServCommands(Services& services, NickDatabase& database, NickEnforcement& enforcement)
    : services_(services), database_(database), enforcement_(enforcement) {}

void NickServCommands::Dispatch(std::size_t senderSlot, const std::string& text) {
    senderSlot_ = senderSlot;
    senderNick_ = services_.users.At(senderSlot).nick;
    if (services_.dispatcher.IsUserIgnored(senderSlot)) {
        Reply("You are currently being ignored by " + Bold("ALL") + " services, please try again later.");
        return;
    }
    CommandWords words(text);
    std::string command = ToLower(words[0]);
    for (const Command& entry : CommandTable()) {
        if (command != entry.word) continue;
        if (!entry.hasRequiredWords(words)) {
            Reply("Syntax Error: /msg " + services_.names.nickServ + entry.syntax);
            return;
        }
        (this->*entry.run)(words);
        return;
    }
    Reply(Bold("Error") + ": Unknown command.  Please type: /msg " + services_.names.nickServ + " help");
    Audit(words[0] + " [Failed (unknown command)]");
}

void NickServCommands::Reply(const std::string& text) { services_.out.Reply(services_.names.nickServ, senderSlot_, text); }

void NickServCommands::Audit(const std::string& text) {
    services_.out.LogToBotChannel(services_.names.nickServ, "[" + Bold(senderNick_) + "] " + text);
}

RegisteredNick* NickServCommands::SenderRecord(const std::string& failure) {
    RegisteredNick* record = database_.FindRegisteredNick(senderNick_);
    if (record != nullptr) return record;
    Reply(Bold(senderNick_) + " is not registered.");
    Audit(failure);
    return nullptr;
}

void NickServCommands::Help(const CommandWords& words) {
    services_.help.SendServiceHelp(HelpService::NickServ, senderSlot_, words[1]);
}

void NickServCommands::Register(const CommandWords& words) {
    const std::string& nick = senderNick_;
    const std::string& password = words[1];
    if (database_.IsNickRegistered(nick)) {
        Reply("That nickname (" + Bold(nick) + ") is currently registered.  Please try another nickname.");
        Audit("REGISTER ****** [Failed (already registered)]");
        return;
    }
    if (database_.IsNickRestricted(nick)) {
        Reply("That nickname (" + Bold(nick) + ") cannot be registered, please select a new nickname.");
        Audit("REGISTER [Failed (restricted nickname)]");
        return;
    }
    if (password.size() < 5) {
        Reply("That password is too short.  Please have it more than 4 characters.");
        Audit("REGISTER ****** [Failed (password too short)]");
        return;
    }
    if (ToLower(password) == "password" || ToLower(password) == ToLower(nick)) {
        Reply("Invalid password, please try another one to register.");
        Audit("REGISTER ****** [Failed (bad password)]");
        return;
    }
    OnlineUser& user = services_.users.At(senderSlot_);
    RegisteredNick record;
    record.nick = nick;
    record.accessHosts.fill(MakeBanMask(user.ident, user.host));
    record.password = password;
    record.url = kUrlPlaceholder;
    record.email = kEmailPlaceholder;
    record.registeredOn = FormatGeneralDate(services_.clock.Now());
    record.lastSeen = record.registeredOn;
    user.replyType = "NOTICE";
    database_.AddRegisteredNick(std::move(record));
    Reply("You successfully registered " + Bold(nick) + "!");
    Reply("Your password is " + Bold(password) + ", it is CaSE seNsItIVE.");
    Audit("REGISTER ****** [Success]");
    database_.SaveNickDatabase();
}

void NickServCommands::Drop(const CommandWords& words) {
    RegisteredNick* record = SenderRecord("DROP [Failed (nick not registered)]");
    if (record == nullptr) return;
    if (words[1] != record->password) {
        Reply("Invalid password for " + Bold(record->nick) + "!");
        Audit("DROP ****** [Failed (invalid password)]");
        return;
    }
    record->nick.clear();
    record->password.clear();
    Audit("DROP ****** [Success]");
    Reply("You have successfully dropped " + Bold(senderNick_) + ".");
    database_.SaveNickDatabase();
    // The nick is free now: nobody may be moved off it any more.
    enforcement_.RemovePendingNick(senderNick_);
}

void NickServCommands::Identify(const CommandWords& words) {
    RegisteredNick* record = SenderRecord("IDENT [Failed (nick not registered)]");
    if (record == nullptr) return;
    if (words[1] != record->password) {
        record->identified = false;
        if (++record->badPasswords < kKillAfterBadPasswords) {
            Reply(Bold("Error") + ": Invalid password.  Please try again.");
            Audit("IDENT ****** [Failed (invalid password)]");
            return;
        }
        KillForBadPasswords();
        return;
    }
    record->identified = true;
    Reply("Hello " + Bold(senderNick_) + ".  You have successfully identified.");
    Audit("IDENT ****** [Success]");
    enforcement_.RemovePendingNick(senderNick_);
}

void NickServCommands::KillForBadPasswords() {
    services_.out.SendLine(":" + services_.names.nickServ + " KILL " + senderNick_ + " :Too many invalid passwords!");
    // Signs the nick off and saves, which also clears the count; the sender's slot is gone after.
    services_.users.RemoveOnlineUser(senderNick_, true);
    if (RegisteredNick* record = database_.FindRegisteredNick(senderNick_)) record->badPasswords = 0;
    Audit("IDENT ****** [Failed (too many invalid passwords, user killed)]");
}

void NickServCommands::Ghost(const CommandWords& words) {
    const std::string& nick = words[1];
    const RegisteredNick* record = database_.FindRegisteredNick(nick);
    if (record == nullptr) {
        Reply(Bold(nick) + " is not registered.");
        Audit("GHOST " + nick + " ****** [Failed (nick not registered)]");
        return;
    }
    if (words[2] != record->password) {
        Reply("Invalid password for " + Bold(nick) + ".");
        Audit("GHOST " + nick + " ****** [Failed (invalid password)]");
        return;
    }
    services_.out.SendLine(":" + services_.names.nickServ + " KILL " + nick + " :Ghost command used by: " + senderNick_);
    Reply("Your ghost (" + Bold(nick) + ") was successfully killed.");
    Audit("GHOST " + nick + " ****** [Success]");
    // The uplink does not echo our own KILL: without this the ghost would stay in the table.
    if (auto slot = services_.users.FindOnlineUser(nick))
        services_.users.RemoveOnlineUser(services_.users.At(*slot).nick, true);
}

void NickServCommands::ChangePassword(const CommandWords& words) {
    RegisteredNick* record = SenderRecord("CHPASS [Failed (invalid password)]");
    if (record == nullptr) return;
    if (words[1] != record->password) {
        Reply(Bold("Error") + ": Invalid password.");
        Audit("CHPASS ****** ****** [Failed (invalid password)]");
        return;
    }
    record->password = words[2];
    Reply("You have successfully changed your password to " + Bold(words[2]) +
          ".  Remember, this is caSE seNTItiVE.");
    Audit("CHPASS ****** ****** [Success]");
    database_.SaveNickDatabase();
}

}  // namespace nb
