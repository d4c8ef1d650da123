#include "nickserv/nickserv_commands.h"

#include "core/datetime.h"
#include "core/text.h"
#include "services/wrong_passwords.h"

namespace nb {
namespace {

// Stored until the owner sets them; single words without the closing bracket of their field.
constexpr const char* kUrlPlaceholder = "http://nimbral.example.org";
constexpr const char* kEmailPlaceholder = "none@not.entered";

bool AccessWords(const CommandWords& words) { return IEquals(words[1], "list") || Words<3>(words); }

}  // namespace

NickServCommands::NickServCommands(NickDatabase& database, NickEnforcement& enforcement, OnlineUsers& users,
                                   Outbound& out, const Standing& standing, const Clock& clock,
                                   const ServiceHelp& help, NickEvents& events)
    : database_(database),
      enforcement_(enforcement),
      users_(users),
      out_(out),
      standing_(standing),
      clock_(clock),
      help_(help),
      events_(events) {
    auto run = HandlersOf(this);
    table_.commands = {
        {"help", Words<0>, "", Gate::None, "HELP", {}, run(&NickServCommands::Help)},
        {"register", Words<1>, " register <password>", Gate::None, "REGISTER", {1}, run(&NickServCommands::Register)},
        {"drop", Words<1>, " drop <password>", Gate::None, "DROP", {1}, run(&NickServCommands::Drop)},
        {"set", Words<1>, " set <action> <setting>", Gate::Identified, "SET", {}, run(&NickServCommands::Set)},
        {"info", Words<1>, " info <nick>", Gate::None, "INFO", {}, run(&NickServCommands::Info)},
        {"ident", Words<1>, " ident <password>", Gate::None, "IDENT", {1}, run(&NickServCommands::Identify)},
        {"identify", Words<1>, " identify <password>", Gate::None, "IDENT", {1}, run(&NickServCommands::Identify)},
        {"access", AccessWords, " access <add/del/list> <slot #> <host>", Gate::Identified, "ACCESS", {},
         run(&NickServCommands::Access)},
        {"ghost", Words<2>, " ghost <nick> <password>", Gate::None, "GHOST", {2}, run(&NickServCommands::Ghost)},
        {"chpass", Words<2>, " chpass <oldpass> <newpass>", Gate::None, "CHPASS", {1, 2},
         run(&NickServCommands::ChangePassword)},
    };
    table_.refusals.notIdentified = [](const CommandContext& context, const Command& command) {
        RefuseNotIdentified(context, command);
    };
    BuildActionTables();
}

void NickServCommands::RefuseNotIdentified(const CommandContext& context, const Command& command) {
    const std::string& nickServ = context.voice.Nick();
    context.Reply(Bold("Error") + ": Please identify with " + nickServ + " first.");
    context.Reply(Bold("Syntax") + ": /msg " + nickServ + " ident <" + Bold("password") + ">");
    // Access repeats what was typed.
    std::string refused = command.auditName;
    if (command.word == "access") refused += " " + context.words[1] + " " + context.words[2] + " " + context.words[3];
    context.Audit(refused + " [Failed (not identified)]");
}

RegisteredNick* NickServCommands::SenderRecord(const CommandContext& context, const std::string& failure) {
    RegisteredNick* record = database_.FindRegisteredNick(context.sender.nick);
    if (record != nullptr) return record;
    context.Reply(Bold(context.sender.nick) + " is not registered.");
    context.Audit(failure);
    return nullptr;
}

void NickServCommands::Help(const CommandContext& context) {
    help_.SendServiceHelp(context.voice, context.sender, context.words[1]);
}

bool NickServCommands::AcceptsNewPassword(const CommandContext& context, const std::string& password,
                                          const std::string& name) {
    if (password.size() < 5) {
        context.Reply("That password is too short.  Please have it more than 4 characters.");
        context.Audit(name + " [Failed (password too short)]");
        return false;
    }
    if (ToLower(password) == "password" || ToLower(password) == ToLower(context.sender.nick) ||
        !HasOnlyFormattingControls(password)) {
        context.Reply("Invalid password, please try another one to register.");
        context.Audit(name + " [Failed (bad password)]");
        return false;
    }
    return true;
}

void NickServCommands::NicksChanged(const CommandContext& context, const std::string& auditWords,
                                    std::function<void()> undo) {
    context.Changed(database_.NickTable(), [context, auditWords, undo] {
        undo();
        context.Reply(Bold("Error") + ": The nickname database could not be written, please try again later.");
        context.Audit(auditWords + " [Failed (database not written)]");
    });
}

void NickServCommands::Register(const CommandContext& context) {
    const std::string& nick = context.sender.nick;
    const std::string& password = context.words[1];
    if (database_.IsNickRegistered(nick)) {
        context.Reply("That nickname (" + Bold(nick) + ") is currently registered.  Please try another nickname.");
        context.Audit("REGISTER ****** [Failed (already registered)]");
        return;
    }
    if (database_.IsNickRestricted(nick)) {
        context.Reply("That nickname (" + Bold(nick) + ") cannot be registered, please select a new nickname.");
        context.Audit("REGISTER [Failed (restricted nickname)]");
        return;
    }
    if (!AcceptsNewPassword(context, password, "REGISTER ******")) return;
    std::optional<std::string> stored = context.PasswordToStore(password);
    if (!stored) return;
    OnlineUser& user = users_.At(context.sender.slot);
    RegisteredNick record;
    std::string host = MakeBanMask(user.ident, user.host);
    std::string now = FormatGeneralDate(clock_.Now());
    record.SetFields({nick, *stored, host, host, host, now, "N/A", kEmailPlaceholder, kUrlPlaceholder, "0", now, ""});
    database_.AddRegisteredNick(std::move(record));
    NicksChanged(context, "REGISTER ******");
    user.replyType = ReplyType::Notice;
    context.Reply("You successfully registered " + Bold(nick) + "!");
    context.Reply("Your password is " + Bold(password) + ", it is CaSE seNsItIVE.");
    context.Audit("REGISTER ****** [Success]");
}

void NickServCommands::Drop(const CommandContext& context) {
    RegisteredNick* record = SenderRecord(context, "DROP [Failed (nick not registered)]");
    if (record == nullptr) return;
    PasswordCheck check = context.CheckPassword(record->Password(), context.words[1]);
    if (check == PasswordCheck::Pending) return;
    if (check == PasswordCheck::Wrong) {
        return RefuseWrongPassword(context, users_, out_, "Invalid password for " + Bold(record->Nick()) + "!",
                                   "DROP ******");
    }
    database_.DropRegisteredNick(*record);
    NicksChanged(context, "DROP ******");
    context.Audit("DROP ****** [Success]");
    context.Reply("You have successfully dropped " + Bold(context.sender.nick) + ".");
    // The nick is free now: nobody may be moved off it any more.
    enforcement_.RemovePendingNick(context.sender.nick);
    events_.OnDropped(context.sender.nick);
}

void NickServCommands::Identify(const CommandContext& context) {
    RegisteredNick* record = SenderRecord(context, "IDENT [Failed (nick not registered)]");
    if (record == nullptr) return;
    PasswordCheck check = context.CheckPassword(record->Password(), context.words[1]);
    if (check == PasswordCheck::Pending) return;
    if (check == PasswordCheck::Wrong) {
        record->identifiedUser = 0;
        return RefuseWrongPassword(context, users_, out_, Bold("Error") + ": Invalid password.  Please try again.",
                                   "IDENT ******");
    }
    std::string stored = record->Password();
    if (!context.UpgradesPassword(stored, context.words[1])) return;
    record->identifiedUser = users_.At(context.sender.slot).id;
    RightPassword(context, users_);
    auto success = [context] {
        context.Reply("Hello " + Bold(context.sender.nick) + ".  You have successfully identified.");
        context.Audit("IDENT ****** [Success]");
    };
    // A plain-text password becomes its hash; a file that keeps the old one does not undo the
    // identification.
    if (stored != record->Password()) {
        record->SetPassword(stored);
        context.Changed(database_.NickTable(), success);
    }
    success();
    enforcement_.RemovePendingNick(context.sender.nick);
    events_.OnIdentified(context.sender.slot);
}

void NickServCommands::Ghost(const CommandContext& context) {
    const std::string& nick = context.words[1];
    const RegisteredNick* record = database_.FindRegisteredNick(nick);
    if (record == nullptr) {
        context.Reply(Bold(nick) + " is not registered.");
        context.Audit("GHOST " + nick + " ****** [Failed (nick not registered)]");
        return;
    }
    PasswordCheck check = context.CheckPassword(record->Password(), context.words[2]);
    if (check == PasswordCheck::Pending) return;
    if (check == PasswordCheck::Wrong) {
        return RefuseWrongPassword(context, users_, out_, "Invalid password for " + Bold(nick) + ".",
                                   "GHOST " + nick + " ******");
    }
    RightPassword(context, users_);
    if (IEquals(nick, context.sender.nick)) {
        context.Reply(Bold("Error") + ": You cannot ghost yourself.");
        context.Audit("GHOST " + nick + " ****** [Failed (own nick)]");
        return;
    }
    if (!users_.IsUserOnline(nick)) {
        context.Reply(Bold(nick) + " is not online.");
        context.Audit("GHOST " + nick + " ****** [Failed (nick not online)]");
        return;
    }
    // The uplink does not echo our own KILL: the kill takes the ghost out of the tables.
    out_.Kill(context.voice.Nick(), nick, "Ghost command used by: " + context.sender.nick);
    context.Reply("Your ghost (" + Bold(nick) + ") was successfully killed.");
    context.Audit("GHOST " + nick + " ****** [Success]");
}

void NickServCommands::ChangePassword(const CommandContext& context) {
    RegisteredNick* record = SenderRecord(context, "CHPASS [Failed (invalid password)]");
    if (record == nullptr) return;
    PasswordCheck check = context.CheckPassword(record->Password(), context.words[1]);
    if (check == PasswordCheck::Pending) return;
    if (check == PasswordCheck::Wrong) {
        return RefuseWrongPassword(context, users_, out_, Bold("Error") + ": Invalid password.", "CHPASS ****** ******");
    }
    const std::string& newPassword = context.words[2];
    if (!AcceptsNewPassword(context, newPassword, "CHPASS ****** ******")) return;
    std::optional<std::string> stored = context.PasswordToStore(newPassword);
    if (!stored) return;
    record->SetPassword(*stored);
    NicksChanged(context, "CHPASS ****** ******");
    context.Reply("You have successfully changed your password to " + Bold(newPassword) +
                  ".  Remember, this is caSE seNTItiVE.");
    context.Audit("CHPASS ****** ****** [Success]");
}

}  // namespace nb
