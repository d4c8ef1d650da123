// What users say to NickServ: the command table and one handler per command.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace nb {

class Services;
class NickDatabase;
class NickEnforcement;
struct RegisteredNick;

// The words of one message; a word that was not given reads as empty.
class CommandWords {
public:
    explicit CommandWords(const std::string& text);
    const std::string& operator[](std::size_t index) const;

private:
    std::vector<std::string> words_;
};

class NickServCommands {
public:
    NickServCommands(Services& services, NickDatabase& database, NickEnforcement& enforcement);

    // A private message to NickServ from the online user in `senderSlot`.
    void Dispatch(std::size_t senderSlot, const std::string& text);

private:
    struct Command;
    static const std::vector<Command>& CommandTable();

    void Help(const CommandWords& words);
    void Register(const CommandWords& words);
    void Drop(const CommandWords& words);
    void Set(const CommandWords& words);
    void Info(const CommandWords& words);
    void Identify(const CommandWords& words);
    void Access(const CommandWords& words);
    void Ghost(const CommandWords& words);
    void ChangePassword(const CommandWords& words);

    void KillForBadPasswords();
    // The record of the sender's nick; when there is none, the sender is told and `failure`
    // audited.
    RegisteredNick* SenderRecord(const std::string& failure);
    // The record of the sender's nick when the sender has identified to it; otherwise the
    // refusal is answered and audited as "<auditWords> [Failed (not identified)]".
    RegisteredNick* IdentifiedSenderRecord(const std::string& auditWords);

    // To the sender, the way the sender wants to be answered.
    void Reply(const std::string& text);
    // "[<sender>] <text>" to the audit channel.
    void Audit(const std::string& text);

    Services& services_;
    NickDatabase& database_;
    NickEnforcement& enforcement_;
    // The sender of the message being handled.
    std::size_t senderSlot_ = 0;
    std::string senderNick_;
};

}  // namespace nb
