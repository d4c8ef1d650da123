// The registered nicknames with their quit messages, and the restricted nickname patterns:
// NickServ/NickServ.nb2, NickServ/Quit.nb2 and NickServ/Restrict.nb2.
#pragma once

#include <string>
#include <vector>

#include "core/clock.h"
#include "core/console.h"
#include "core/data_dir.h"
#include "core/group_commit.h"
#include "core/record_file_text.h"
#include "core/text.h"
#include "nickserv/nick_record.h"
#include "services/stored_list.h"

namespace nb {

class NickDatabase {
public:
    NickDatabase(const DataDirectory& data, Console& console, const Clock& clock, GroupCommit& commit);
    NickDatabase(const NickDatabase&) = delete;
    NickDatabase& operator=(const NickDatabase&) = delete;

    // Reads NickServ.nb2 (an empty line is passed over and reported once), then Quit.nb2.
    // Identification, the last quit and the count of wrong passwords stay with their nick: a
    // reload never moves them to another record or resets them.
    void LoadNickDatabase(bool loadNicks, bool loadQuits);
    // Writes every record that has a nick now (at the end of the block, inside one); dropped
    // records leave the table. False when the file could not be written: the operator is told
    // and the table is what the file still holds.
    bool SaveNickDatabase();
    // The nick file (or the quit file) changed: written at the end of the received block.
    void NicksChanged() { commit_.Changed(nickTable_); }
    void QuitsChanged() { commit_.Changed(quitTable_); }
    StoredTable& NickTable() { return nickTable_; }
    // A new link: nobody is identified any more.
    void ForgetIdentifications();

    void LoadRestrictedNicks() { restricted_.Load(); }
    // The console edits the patterns in place, then saves them (at the end of the block).
    bool SaveRestrictedNicks() { return restricted_.Changed(); }
    std::vector<std::string>& RestrictedNicks() { return restricted_.Edit(); }
    StoredList& RestrictedNickList() { return restricted_; }

    // The first record with this nick (letter case ignored), or nullptr. A save or a load
    // rebuilds the table: never keep the pointer across one. The writable one is how a record
    // is changed: its line in the file is made again at the next write.
    RegisteredNick* FindRegisteredNick(const std::string& nick);
    const RegisteredNick* FindRegisteredNick(const std::string& nick) const;
    bool IsNickRegistered(const std::string& nick) const { return FindRegisteredNick(nick) != nullptr; }
    // The user identified with the password of the nick it holds.
    bool IsNickIdentified(const OnlineUser& user) const;
    ReplyType GetNickReplyType(const std::string& nick) const;
    // The nick in lower case against each pattern as stored.
    bool IsNickRestricted(const std::string& nick) const;

    // A new record at the end of the table; the next write of the nick file stores it.
    void AddRegisteredNick(RegisteredNick record);
    // The record is dropped: its nick is free at once, the next write leaves it out.
    void DropRegisteredNick(RegisteredNick& record);
    const std::vector<RegisteredNick>& RegisteredNicks() const { return nicks_; }

private:
    std::string_view NickFileText();
    std::string_view QuitFileText(std::string& content) const;
    void IndexNicks();

    const DataDirectory& data_;
    Console& console_;
    const Clock& clock_;
    GroupCommit& commit_;
    std::vector<RegisteredNick> nicks_;
    NameIndex<std::size_t> slotByNick_;  // nick to its first record
    StoredTable nickTable_;
    RecordFileText nickFileText_;
    StoredTable quitTable_;
    StoredList restricted_;
};

// True when the full mask matches access host 1, 2 or 3 of the record.
bool MatchesAccessHosts(const RegisteredNick& record, const std::string& mask);

}  // namespace nb
