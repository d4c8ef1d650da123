// A service's commands: one table row each, read by the one dispatcher that every service
// shares. Adding a command to a service is one row and one handler.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/group_commit.h"
#include "core/text.h"
#include "services/block_commit.h"
#include "services/command_words.h"
#include "services/password_work.h"
#include "services/service_voice.h"

namespace nb {

// What a sender must be before a command runs.
enum class Gate {
    None,
    Identified,  // identified with NickServ to the nick in use
    OperLevel,   // logged in to OperServ with the command's level
};

// A command that waits for a password check or hash: it says nothing now and runs again, for
// the same user, once the answer is known (the dispatcher holds that user's next commands).
struct CommandWait {
    PasswordWork& passwords;
    std::function<void()> again;
    bool waiting = false;
};

// What a handler gets: the sender as the message found it, the words, and the service's voice.
// It is a value: no handler keeps per-message state on a long-lived object.
struct CommandContext {
    UserRef sender;
    CommandWords words;
    ServiceVoice voice;
    BlockCommit* block;
    CommandWait* wait = nullptr;

    // The typed password against the stored one. Pending: return at once, saying nothing.
    PasswordCheck CheckPassword(const std::string& stored, const std::string& typed) const {
        PasswordCheck check = wait->passwords.Check(stored, typed, wait->again);
        if (check == PasswordCheck::Pending) wait->waiting = true;
        return check;
    }
    // What to store for a new password; nullopt: return at once, saying nothing.
    std::optional<std::string> PasswordToStore(const std::string& password) const {
        std::optional<std::string> stored = wait->passwords.ToStore(password, wait->again);
        if (!stored) wait->waiting = true;
        return stored;
    }
    // A password given right is stored as its hash from now on, when hashes are on; false while
    // the hash is made (return at once, saying nothing).
    bool UpgradesPassword(std::string& stored, const std::string& typed) const {
        if (!wait->passwords.WantsUpgrade(stored)) return true;
        std::optional<std::string> hash = PasswordToStore(typed);
        if (!hash) return false;
        stored = *hash;
        return true;
    }

    void Reply(const std::string& text) const { voice.Reply(sender, text); }
    void Audit(const std::string& text) const { voice.Audit(sender.nick, text); }
    // The command changed a stored table: it is written when the received block ends, before
    // any reply leaves. When that write fails, `failed` answers instead of all the command said.
    void Changed(StoredTable& table, std::function<void()> failed) const {
        block->CommandChanged(table, std::move(failed));
    }
};

// True when the words that the command needs are there.
using RequiredWords = bool (*)(const CommandWords& words);

// Words 1 to N are not empty.
template <std::size_t N>
bool Words(const CommandWords& words) {
    for (std::size_t i = 1; i <= N; ++i) {
        if (words[i].empty()) return false;
    }
    return true;
}

// Makes table handlers of an object's member functions: run(&NickServCommands::Register).
template <class Object>
auto HandlersOf(Object* object) {
    return [object](void (Object::*method)(const CommandContext&)) -> std::function<void(const CommandContext&)> {
        return [object, method](const CommandContext& context) { (object->*method)(context); };
    };
}

struct Command {
    std::string word;    // lower case
    RequiredWords required;
    std::string syntax;  // the syntax reply says it after the table's lead and the service's nick
    Gate gate;
    std::string auditName;  // the command as its audit lines name it
    std::vector<std::size_t> passwordWords;  // word positions the logs show as "******"
    std::function<void(const CommandContext&)> run;
    // Checks of the arguments that come before the gate (a channel name, say); each refuses in
    // the service's own words and answers false.
    std::function<bool(const CommandContext&)> checkFirst = nullptr;
    int level = 0;        // Gate::OperLevel: the operator level the sender needs
    bool enabled = true;  // a row that is off answers as a word the service does not know
};

// The service's own words for a sender who does not pass a gate.
struct GateRefusals {
    std::function<void(const CommandContext&, const Command&)> notIdentified;
    std::function<void(const CommandContext&, const Command&)> levelTooLow;
};

struct CommandTable {
    std::vector<Command> commands;
    // The dispatcher's own replies; the service's nickname goes between lead and the rest.
    std::string syntaxLead = "Syntax Error: /msg ";
    std::string unknownLead = Bold("Error") + ": Unknown command.  Please type: /msg ";
    std::string unknownTail = " help";
    bool auditsUnknown = true;
    bool honoursIgnoreList = true;
    // Asked before any word is looked up, except for the words in `sendersNotChecked`: a sender
    // this refuses (with the service's own replies) gets no further.
    std::function<bool(const CommandContext&)> admitsSender = nullptr;
    std::vector<std::string> sendersNotChecked;
    // Answers a word the table does not know, instead of the replies above.
    std::function<void(const CommandContext&)> answerUnknown = nullptr;
    GateRefusals refusals;

    const Command* Find(std::string_view word) const {
        for (const Command& command : commands) {
            if (command.word == word) return &command;
        }
        return nullptr;
    }
    Command* Find(std::string_view word) { return const_cast<Command*>(std::as_const(*this).Find(word)); }
};

// The actions of a command that has them (access add, set topic, jupe del): a row each, and
// one answer for an action the command does not know.
struct Action {
    std::string word;  // lower case
    std::function<void(const CommandContext&)> run;
};

struct ActionTable {
    std::vector<Action> actions;
    std::function<void(const CommandContext&)> unknown;

    // Runs the action named by `word`, letter case ignored.
    void Run(const CommandContext& context, const std::string& word) const {
        std::string lower = ToLower(word);
        for (const Action& action : actions) {
            if (action.word == lower) return action.run(context);
        }
        if (unknown) unknown(context);
    }
};

}  // namespace nb
