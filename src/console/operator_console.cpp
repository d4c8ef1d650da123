#include "console/operator_console.h"

#include <algorithm>

#include "core/datetime.h"
#include "core/text.h"

namespace nb {
namespace {

constexpr const char* kAddTitle = "NBII - OperServ Access Add";
constexpr const char* kAccessErrorTitle = "NBII - OperServ Access Error";
constexpr const char* kAccessTitle = "NBII - OperServ Access";
constexpr const char* kCommandsTitle = "NBII - OperServ Commands";
constexpr const char* kErrorTitle = "NBII - Error";

// A level is a whole number from 1 to 500.
std::optional<int> LevelOf(const std::string& text) {
    std::string level = Trim(text);
    if (!IsDigits(level) || level.size() > 3) return std::nullopt;
    long long value = ToNumber(level);
    if (value < 1 || value > 500) return std::nullopt;
    return static_cast<int>(value);
}

// One entry a line, and no blank inside the fields of an operator's line.
bool OneWord(const std::string& text) { return !text.empty() && FindBlankOrControl(text) == std::string::npos; }

}  // namespace

OperatorConsole::OperatorConsole(Console& console, OperServ& operServ, const NickStatus& nicks, Settings& settings,
                                 IgnoreList& ignores, Outbound& out, Logs& logs, const Clock& clock,
                                 PasswordWork& passwords)
    : console_(console),
      operServ_(operServ),
      nicks_(nicks),
      settings_(settings),
      ignores_(ignores),
      out_(out),
      logs_(logs),
      clock_(clock),
      passwords_(passwords) {}

void OperatorConsole::SaveOperators() {
    operServ_.Database().OperatorsChanged();
    operServ_.OperatorsReloaded();
}

void OperatorConsole::AddOperator() {
    console_.PromptInput(kAddTitle, "Enter a nickname:", "", [this](std::optional<std::string> answer) {
        if (!answer) return;
        std::string nick = Trim(*answer);
        if (nick.empty()) return;
        if (operServ_.Database().FindOperator(nick) != nullptr)
            return console_.ShowMessage(kAccessErrorTitle, "That user is already on the access list.");
        if (!nicks_.IsNickRegistered(nick))
            return console_.ShowMessage(kAccessErrorTitle, "To add a user, they first must register with NickServ.");
        AskPassword(nick);
    });
}

void OperatorConsole::AskPassword(const std::string& nick) {
    console_.PromptInput(kAddTitle, "Enter a password for " + nick + ":", "", [this, nick](std::optional<std::string> answer) {
        if (!answer) return;
        std::string password = Trim(*answer);
        if (!OneWord(password)) return AskPassword(nick);
        AskLevel(nick, password, "Enter an access level for " + nick + ":");
    });
}

void OperatorConsole::AskLevel(const std::string& nick, const std::string& password, const std::string& question) {
    console_.PromptInput(kAddTitle, question, "", [this, nick, password, question](std::optional<std::string> answer) {
        if (!answer) return;
        if (Trim(*answer).empty()) return AskLevel(nick, password, question);
        std::optional<int> level = LevelOf(*answer);
        if (!level) return AskLevel(nick, password, "Enter an access level for " + nick + " (must be between 1-500):");
        passwords_.Store(password, [this, nick, level](const std::string& stored) {
            // The entry may have come meanwhile, from another front end.
            if (operServ_.Database().FindOperator(nick) != nullptr)
                return console_.ShowMessage(kAccessErrorTitle, "That user is already on the access list.");
            OperatorEntry entry;
            entry.nick = nick;
            entry.password = stored;
            entry.hosts = nicks_.AccessHostsOf(nick).value_or(std::array<std::string, 3>{});
            entry.level = *level;
            operServ_.Database().EditOperators().push_back(std::move(entry));
            SaveOperators();
        });
    });
}

void OperatorConsole::DeleteOperator(std::optional<std::size_t> index) {
    if (!index || *index >= operServ_.Database().Operators().size())
        return console_.ShowMessage(kAccessErrorTitle, "You must select a user from the list to delete.");
    std::string nick = operServ_.Database().Operators()[*index].nick;
    console_.AskYesNo(kAccessTitle, "You are about to delete " + nick + " from the database, continue?", [this, nick](bool yes) {
        std::vector<OperatorEntry>& operators = operServ_.Database().EditOperators();
        auto entry = std::find_if(operators.begin(), operators.end(), [&](const OperatorEntry& e) { return e.nick == nick; });
        if (!yes || entry == operators.end()) return;
        operators.erase(entry);
        SaveOperators();
    });
}

void OperatorConsole::ModifyOperator(std::optional<std::size_t> index, const OperatorFields& fields) {
    if (!index || *index >= operServ_.Database().Operators().size())
        return console_.ShowMessage(kAccessErrorTitle, "Please select a nickname in the access list box before modifying.");
    std::optional<int> level = LevelOf(fields.level);
    if (!level) return console_.ShowMessage(kAccessErrorTitle, "You must set the level between 1 and 500.");
    // A blank would split the operator's line in the file.
    bool storable = OneWord(fields.nick) && OneWord(fields.password) &&
                    std::all_of(fields.hosts.begin(), fields.hosts.end(), [](const std::string& host) {
                        return FindBlankOrControl(host) == std::string::npos;
                    });
    if (!storable)
        return console_.ShowMessage(kAccessErrorTitle, "The nickname, password and hosts cannot hold blanks.");
    std::string old = operServ_.Database().Operators()[*index].nick;
    console_.AskYesNo(kAccessTitle, "You are about to modify " + old + ", continue?", [this, old, fields, level](bool yes) {
        OperatorEntry* entry = operServ_.Database().FindOperator(old);
        if (!yes || entry == nullptr) return;
        auto write = [this, old, fields, level](const std::string& password) {
            OperatorEntry* entry = operServ_.Database().FindOperator(old);
            if (entry == nullptr) return;
            // Another operator's nick: the login no longer belongs to this entry.
            if (!IEquals(entry->nick, fields.nick)) entry->loggedInUser = 0;
            entry->nick = fields.nick;
            entry->password = password;
            entry->hosts = fields.hosts;
            entry->level = *level;
            SaveOperators();
        };
        // The form shows what is stored: a hash left as it was stays that hash.
        if (fields.password == entry->password) return write(entry->password);
        passwords_.Store(fields.password, write);
    });
}

void OperatorConsole::ChangeCommandLevel(std::optional<std::size_t> index, const std::string& level) {
    const std::vector<CommandLevel>& levels = operServ_.Database().CommandLevels();
    if (Trim(level).empty()) return console_.ShowMessage(kCommandsTitle, "You must select a command to edit.");
    if (!index || *index >= levels.size())
        return console_.ShowMessage(kCommandsTitle, "You must select a command from the list first.");
    std::optional<int> value = LevelOf(level);
    if (!value) return console_.ShowMessage(kCommandsTitle, "You must set the level between 1 and 500.");
    std::string command = levels[*index].name;
    if (command == "login") return console_.ShowMessage(kCommandsTitle, "You cannot modify this command.");
    console_.AskYesNo(kCommandsTitle,
                      "You are about to assign the level " + std::to_string(*value) + " to " + command + ", continue?",
                      [this, command, value](bool yes) {
                          if (!yes) return;
                          for (CommandLevel& entry : operServ_.Database().EditCommandLevels()) {
                              if (entry.name == command) entry.level = *value;
                          }
                          operServ_.Database().CommandLevelsChanged();
                          operServ_.CommandLevelsReloaded();
                      });
}

void OperatorConsole::ResetCommandLevels() {
    operServ_.Database().ResetCommandLevels();
    operServ_.CommandLevelsReloaded();
}

void OperatorConsole::SetOsInfo(const std::string& level) {
    std::optional<int> value = LevelOf(level);
    if (!value) console_.ShowMessage(kCommandsTitle, "Must be between 1-500!");
    settings_.Write("General", "OS Info", std::to_string(value.value_or(450)));
}

void OperatorConsole::AddJupe(const std::string& server) {
    StoredList& jupes = operServ_.Jupes();
    if (Trim(server).empty()) return console_.ShowMessage(kErrorTitle, "You must type in a server.");
    if (!OneWord(server)) return console_.ShowMessage(kErrorTitle, "A server name cannot hold blanks.");
    if (jupes.Contains(server)) return console_.ShowMessage(kErrorTitle, "Already added, please try a different server.");
    // Sent only while the link is up: the writer keeps nothing for a link that is down.
    out_.Squit(server, "Server added to jupe list");
    out_.Jupe(server, "Server juped on " + FormatGeneralDate(clock_.Now()));
    logs_.LogToOperChannel(Bold(server) + " has been juped.");
    jupes.Edit().push_back(server);
    jupes.Changed();
}

void OperatorConsole::RemoveJupe(std::optional<std::size_t> index) {
    StoredList& jupes = operServ_.Jupes();
    if (!index || *index >= jupes.Entries().size())
        return console_.ShowMessage(kErrorTitle, "You must select a server from the list.");
    std::string server = jupes.Entries()[*index];
    out_.Squit(server, "");
    logs_.LogToOperChannel(Bold(server) + " has been unjuped.");
    jupes.Edit().erase(jupes.Edit().begin() + static_cast<std::ptrdiff_t>(*index));
    jupes.Changed();
}

void OperatorConsole::AddIgnore(const std::string& mask) {
    if (Trim(mask).empty()) return console_.ShowMessage(kErrorTitle, "You must type in a mask.");
    if (!OneWord(mask)) return console_.ShowMessage(kErrorTitle, "A mask cannot hold blanks or control characters.");
    if (ignores_.Masks().Contains(mask)) return console_.ShowMessage(kErrorTitle, "Already added, please try a different mask.");
    ignores_.Masks().Edit().push_back(mask);
    ignores_.Masks().Changed();
}

void OperatorConsole::RemoveIgnore(std::optional<std::size_t> index) {
    StoredList& masks = ignores_.Masks();
    if (!index || *index >= masks.Entries().size())
        return console_.ShowMessage(kErrorTitle, "You must select a mask from the list.");
    masks.Edit().erase(masks.Edit().begin() + static_cast<std::ptrdiff_t>(*index));
    masks.Changed();
}

}  // namespace nb
