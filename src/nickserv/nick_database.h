// The registered nicknames with their quit messages, and the restricted nickname patterns:
// NickServ/NickServ.nb2, NickServ/Quit.nb2 and NickServ/Restrict.nb2.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/console.h"
#include "core/data_dir.h"
#include "core/group_commit.h"
#include "core/text.h"
#include "nickserv/nick_record.h"
#include "nickserv/nick_slot_index.h"
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
    // The nick file changed: written at the end of the received block.
    void NicksChanged() { commit_.Changed(nickTable_); }
    // The record's last quit changed: its line of the quit file is written at the block's end.
    void QuitChanged(const RegisteredNick& record);
    StoredTable& NickTable() { return nickTable_; }
    // A new link: nobody is identified any more.
    void ForgetIdentifications();

    void LoadRestrictedNicks() { restricted_.Load(); }
    // The console edits the patterns in place, then saves them (at the end of the block).
    bool SaveRestrictedNicks() { return restricted_.Changed(); }
    std::vector<std::string>& RestrictedNicks() { return restricted_.Edit(); }
    StoredList& RestrictedNickList() { return restricted_; }

    // The first record with this nick (letter case ignored), or nullptr. A load rebuilds the
    // table and a registration may move it: never keep the pointer across either. The writable
    // one is how a record is changed: its line in the file is made again at the next write.
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
    // With the dropped records (an empty nick) until the next load.
    const std::vector<RegisteredNick>& RegisteredNicks() const { return nicks_; }

private:
    // What changed in one file since its last write, for the journal.
    struct Pending {
        std::vector<std::size_t> slots;    // records changed or added, each once
        std::vector<std::string> removed;  // nicks dropped
        std::size_t writtenCount = 0;      // slots from here on are new records
    };
    enum Mark : std::uint8_t { kNickMark = 1, kQuitMark = 2 };

    using LineFormat = void (*)(std::string&, const RegisteredNick&);

    void JournalTable(StoredTable& table, const char* file, Pending& pending, Mark mark, LineFormat append);
    void Note(Pending& pending, Mark mark, std::size_t slot);
    void Journal(const Pending& pending, JournalBlock& block, const std::string& name, LineFormat append);
    void Written(Pending& pending, Mark mark);
    bool Slice(std::string& out, std::size_t& cursor, LineFormat append) const;
    bool LoadNicks(std::string_view quitText);
    void IndexNicks();

    const DataDirectory& data_;
    Console& console_;
    const Clock& clock_;
    GroupCommit& commit_;
    std::vector<RegisteredNick> nicks_;
    std::vector<std::uint8_t> marks_;    // per record: which Pending holds its slot
    NickSlotIndex slotByNick_{nicks_};    // nick to its first record
    bool repeatedNicks_ = false;         // a damaged file stored a nick twice
    StoredTable nickTable_;
    StoredTable quitTable_;
    Pending nickChanges_;
    Pending quitChanges_;
    StoredList restricted_;
};

// True when the full mask matches access host 1, 2 or 3 of the record.
bool MatchesAccessHosts(const RegisteredNick& record, const std::string& mask);

}  // namespace nb
