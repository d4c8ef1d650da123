// The registered nicknames with their quit messages, and the restricted nickname patterns:
// NickServ/NickServ.nb2, NickServ/Quit.nb2 and NickServ/Restrict.nb2.
#pragma once

#include <string>
#include <vector>

#include "core/clock.h"
#include "core/console.h"
#include "core/data_dir.h"
#include "nickserv/nick_record.h"

namespace nb {

class NickDatabase {
public:
    NickDatabase(const DataDirectory& data, Console& console, const Clock& clock);

    // Reads NickServ.nb2 (an empty line is passed over and reported once), then Quit.nb2.
    // Identification, the last quit and the count of wrong passwords stay with their nick: a
    // reload never moves them to another record or resets them.
    void LoadNickDatabase(bool loadNicks, bool loadQuits);
    // Writes every record that has a nick and reads the file back: dropped records leave the
    // table. False when the file could not be written: the operator is told and the table is
    // what the file still holds.
    bool SaveNickDatabase();
    // A new link: nobody is identified any more.
    void ForgetIdentifications();
    bool SaveQuitMessages();

    void LoadRestrictedNicks();
    bool SaveRestrictedNicks();
    std::vector<std::string>& RestrictedNicks() { return restricted_; }

    // The first record with this nick (letter case ignored), or nullptr. A save or a load
    // rebuilds the table: never keep the pointer across one.
    RegisteredNick* FindRegisteredNick(const std::string& nick);
    const RegisteredNick* FindRegisteredNick(const std::string& nick) const;
    bool IsNickRegistered(const std::string& nick) const { return FindRegisteredNick(nick) != nullptr; }
    bool IsNickIdentified(const std::string& nick) const;
    ReplyType GetNickReplyType(const std::string& nick) const;
    // The nick in lower case against each pattern as stored.
    bool IsNickRestricted(const std::string& nick) const;

    // A new record at the end of the table; SaveNickDatabase stores it.
    void AddRegisteredNick(RegisteredNick record);
    const std::vector<RegisteredNick>& RegisteredNicks() const { return nicks_; }

private:
    bool WriteDataFile(const char* relative, const std::string& content);

    const DataDirectory& data_;
    Console& console_;
    const Clock& clock_;
    std::vector<RegisteredNick> nicks_;
    std::vector<std::string> restricted_;
};

// True when the full mask matches access host 1, 2 or 3 of the record.
bool MatchesAccessHosts(const RegisteredNick& record, const std::string& mask);

}  // namespace nb
