#include "operserv/operserv.h"

#include <algorithm>

#include "core/text.h"
#include "core/wildcard.h"
#include "services/wrong_passwords.h"

namespace nb {
namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::string FreeText(const CommandWords& words, std::size_t first) {
    std::string text;
    for (std::size_t index = first; index < words.Count() && !words[index].empty(); ++index) {
        text += words[index];
        text += ' ';
    }
    return text;
}

OperServ::OperServ(const DataDirectory& data, GroupCommit& commit, Settings& settings, const Clock& clock,
                   const ServiceHelp& help, OperServNetwork network)
    : clock_(clock),
      help_(help),
      database_(data, commit, settings),
      jupes_(data.Path("Jupe.nb2"), commit),
      users_(network.users),
      channels_(network.channels),
      out_(network.out),
      logs_(network.logs),
      queries_(network.queries),
      maxUsers_(network.maxUsers),
      clients_(network.clients),
      us_(network.us),
      logChannels_(network.logChannels),
      registered_(network.registered) {
    auto run = HandlersOf(this);
    const Gate level = Gate::OperLevel;
    table_.commands = {
        {"help", Words<0>, "", level, "HELP", {}, run(&OperServ::Help)},
        {"login", Words<1>, " login <password>", Gate::None, "LOGIN", {1}, run(&OperServ::Login)},
        {"mode", Words<2>, " mode <#channel> <+/-(mode)> <extra info>", level, "MODE", {}, run(&OperServ::Mode)},
        {"op", Words<2>, " op <#channel> <nick>", level, "OP", {}, run(&OperServ::Op)},
        {"deop", Words<2>, " deop <#channel> <nick>", level, "DEOP", {}, run(&OperServ::Deop)},
        {"masskill", Words<2>, " masskill <host> <reason>", level, "MASSKILL", {}, run(&OperServ::MassKill)},
        {"kill", Words<2>, " kill <nick> <reason>", level, "KILL", {}, run(&OperServ::Kill)},
        {"kick", Words<3>, " kick <#channel> <nick> <reason>", level, "KICK", {}, run(&OperServ::Kick)},
        {"invite", Words<1>, " invite <#channel>", level, "INVITE", {}, run(&OperServ::Invite)},
        {"match", Words<1>, " match <host>", level, "MATCH", {}, run(&OperServ::Match)},
        {"whois", Words<1>, " whois <nick>", level, "WHOIS", {}, run(&OperServ::Whois)},
        {"raw", Words<1>, " raw <rawcode>", level, "RAW", {}, run(&OperServ::Raw)},
        {"die", Words<1>, " die <reason>", level, "DIE", {}, run(&OperServ::Die)},
        {"chaninfo", Words<1>, " chaninfo <#channel>", level, "CHANINFO", {}, run(&OperServ::ChanInfo),
         [this](const CommandContext& context) { return ChannelNameValid(context); }},
        {"massop", Words<1>, " massop <#channel>", level, "MASSOP", {}, run(&OperServ::MassStatus)},
        {"massdeop", Words<1>, " massdeop <#channel>", level, "MASSDEOP", {}, run(&OperServ::MassStatus)},
        {"broadcast", Words<1>, " broadcast <message>", level, "BROADCAST", {}, run(&OperServ::Broadcast)},
        {"users", Words<0>, "", level, "USERS", {}, run(&OperServ::Users)},
        {"uptime", Words<0>, "", level, "UPTIME", {}, run(&OperServ::Uptime)},
        {"jupe", Words<2>, " jupe <add/del> <server>", level, "JUPE", {}, run(&OperServ::Jupe)},
        {"netstats", Words<0>, "", level, "NETSTATS", {}, run(&OperServ::NetStats)},
        {"override", Words<0>, "", level, "OVERRIDE", {}, run(&OperServ::Override)},
    };
    table_.syntaxLead = Bold("Error") + ": /msg ";
    table_.honoursIgnoreList = false;
    table_.admitsSender = [this](const CommandContext& context) { return AdmitsSender(context); };
    table_.sendersNotChecked = {"login"};
    table_.answerUnknown = [this](const CommandContext& context) { AnswerUnknown(context); };
    table_.refusals.levelTooLow = [this](const CommandContext& context, const Command& command) {
        RefuseLevel(context, command);
    };
    jupeActions_.actions = {{"add", run(&OperServ::JupeAdd)}, {"del", run(&OperServ::JupeDel)}};
    jupeActions_.unknown = [](const CommandContext& context) {
        context.Reply(Bold("Error") + ": Unknown JUPE command, please try again.");
        context.Audit("JUPE " + ToLower(context.words[1]) + " [Failed (invalid jupe command)]");
    };
}

void OperServ::LoadDatabases() {
    database_.LoadOperators();
    database_.LoadCommandLevels();
    database_.InstallDefaultCommandLevels();
    jupes_.Load();
    OperatorsReloaded();
    CommandLevelsReloaded();
}

void OperServ::OperatorsReloaded() {
    for (std::size_t slot = 0; slot < users_.Count(); ++slot) {
        OnlineUser& user = users_.At(slot);
        const OperatorEntry* entry = database_.FindOperator(user.nick);
        user.operLevel = entry != nullptr && user.id != 0 && entry->loggedInUser == user.id ? entry->level : 0;
        if (user.operLevel == 0) user.override = false;
    }
}

// The commands answer at the levels of the list; one that is not in it is not known.
void OperServ::CommandLevelsReloaded() {
    for (Command& command : table_.commands) {
        std::optional<int> level = database_.LevelOf(command.word);
        command.enabled = level.has_value();
        command.level = level.value_or(0);
    }
}

void OperServ::OnLinkUp() {
    for (OperatorEntry& entry : database_.EditOperators()) entry.loggedInUser = 0;
}

void OperServ::EndLogin(std::uint64_t userId) {
    for (OperatorEntry& entry : database_.EditOperators()) {
        if (entry.loggedInUser == userId) entry.loggedInUser = 0;
    }
}

// A level is the login's: a user who changes nick keeps neither.
void OperServ::OnNickChanged(const std::string& nick, const std::string&) {
    auto slot = users_.FindOnlineUser(nick);
    if (!slot) return;
    OnlineUser& user = users_.At(*slot);
    EndLogin(user.id);
    user.operLevel = 0;
    user.override = false;
}

void OperServ::OnUserGone(const OnlineUser& user, const std::optional<std::string>&) {
    if (user.id != 0) EndLogin(user.id);
}

bool OperServ::IsProtected(const std::string& nick) const {
    for (ServiceId id : {ServiceId::ChanServ, ServiceId::OperServ, ServiceId::NickServ}) {
        if (IEquals(clients_.Get(id).nick, nick)) return true;
    }
    return false;
}

bool OperServ::AdmitsSender(const CommandContext& context) {
    const OperatorEntry* entry = database_.FindOperator(context.sender.nick);
    if (entry == nullptr) {
        context.Reply(Bold("Error") + ": You are not in my database.");
        return false;
    }
    if (entry->loggedInUser == 0 || entry->loggedInUser != Sender(context).id) {
        context.Reply(Bold("Error") + ": You must login first! Type /msg " + context.voice.Nick() + " login <password>");
        return false;
    }
    return true;
}

void OperServ::AnswerUnknown(const CommandContext& context) {
    const std::string& word = context.words[0];
    if (!database_.LevelOf(word)) {
        context.Reply(Bold("Error") + ": Unknown command. Type /msg " + context.voice.Nick() + " help");
        return;
    }
    context.Reply(Bold("Error") + ": Unknown command.  Please type: /msg " + context.voice.Nick() + " help");
    context.Audit(word + " [Failed (unknown command)]");
}

// Some commands name what was asked for in the refusal.
void OperServ::RefuseLevel(const CommandContext& context, const Command& command) {
    context.Reply(Bold("Error") + ": Your level of access is to low.");
    if (command.word == "help") return;
    std::string asked;
    if (command.word == "raw" || command.word == "die") asked = " " + Trim(FreeText(context.words, 1));
    if (command.word == "chaninfo" || command.word == "massop" || command.word == "massdeop")
        asked = " " + context.words[1];
    if (command.word == "jupe") asked = " " + ToLower(context.words[1]);
    context.Audit(Upper(command.word) + asked + " [Failed (no permission)]");
}

void OperServ::Help(const CommandContext& context) {
    help_.SendServiceHelp(context.voice, context.sender, context.words[1]);
}

void OperServ::Login(const CommandContext& context) {
    OperatorEntry* entry = database_.FindOperator(context.sender.nick);
    if (entry == nullptr) {
        context.Reply(Bold("Error") + ": Your nick was not found in my database.");
        context.Audit("LOGIN ****** [Failed (nick not in database)]");
        return;
    }
    OnlineUser& user = Sender(context);
    const std::string mask = user.Mask();
    if (std::none_of(entry->hosts.begin(), entry->hosts.end(),
                     [&](const std::string& host) { return WildcardMatch(mask, host); })) {
        context.Reply(Bold("Error") + ": Your host does not match the host in my database.");
        context.Audit("LOGIN ****** [Failed (hosts do not match)]");
        return;
    }
    PasswordCheck check = context.CheckPassword(entry->password, context.words[1]);
    if (check == PasswordCheck::Pending) return;
    if (check == PasswordCheck::Wrong) {
        return RefuseWrongPassword(context, users_, out_, Bold("Error") + ": Your password was incorrect.", "LOGIN");
    }
    std::string stored = entry->password;
    if (!context.UpgradesPassword(stored, context.words[1])) return;
    RightPassword(context, users_);
    // A plain-text password becomes its hash.
    if (stored != entry->password) {
        entry->password = stored;
        database_.OperatorsChanged();
    }
    entry->loggedInUser = user.id;
    context.Reply("You have logged in successfully!  Your access level is set to " + Bold(std::to_string(entry->level)));
    user.operLevel = entry->level;
    logs_.LogToOperChannel(Bold(entry->nick) + " has logged in.");
    context.Audit("LOGIN ****** [Success]");
    for (const std::string* channel : {&logChannels_.bot, &logChannels_.net, &logChannels_.oper})
        out_.Invite(context.voice.Nick(), context.sender.nick, *channel);
}

}  // namespace nb
