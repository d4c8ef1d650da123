// The registered channels and their access entries (ChanServ/ChanServ.nb2 and
// ChanServ/Access.nb2), the identification of founders and co-owners, and the restricted
// channel-name patterns.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "chanserv/channel_record.h"
#include "chanserv/restricted_channels.h"
#include "core/console.h"
#include "core/data_dir.h"
#include "core/group_commit.h"
#include "core/record_file_text.h"
#include "core/text.h"
#include "network/online_user.h"
#include "services/nick_status.h"

namespace nb {

class ChannelDatabase {
public:
    static constexpr int kFounderLevel = 500;  // also an operator with override who has no entry
    static constexpr int kCoOwnerLevel = 499;

    ChannelDatabase(const DataDirectory& data, Console& console, GroupCommit& commit, const NickStatus& nicks);
    ChannelDatabase(const ChannelDatabase&) = delete;
    ChannelDatabase& operator=(const ChannelDatabase&) = delete;

    // Reads ChanServ.nb2, then Access.nb2. An empty line is passed over and reported once a
    // file. A reload of the channels ends every founder's identification; the co-owners stay
    // with their channel, found by name.
    void LoadChannelDatabase(bool channels, bool access);
    // Writes now, for the console; dropped records and deleted entries leave the tables.
    // Writing the channels ends every founder's identification. False when a file could not
    // be written: the operator is told and that table is what its file still holds.
    bool SaveChannelDatabase(bool channels, bool access);

    // The table changed: it is written when the received block ends (at once outside a block;
    // false when that write failed). Any change of the channels ends every founder's
    // identification, as every save of the channel file always has.
    bool ChannelsChanged();
    bool AccessChanged() { return commit_.Changed(accessTable_); }
    // For a command that answers a failed write itself, to hand to CommandContext::Changed.
    // Ends the founders' identification as ChannelsChanged() does.
    [[nodiscard]] StoredTable& ChannelTableChanged();
    StoredTable& AccessTable() { return accessTable_; }
    // A stored password became its hash: nobody's identification ends for that.
    StoredTable& PasswordHashed() { return channelTable_; }

    // The first record with this name (letter case ignored), or nullptr. A write or a load
    // rebuilds the table: never keep the pointer across one. The writable one is how a record
    // is changed: its line is made again at the next write.
    RegisteredChannel* FindRegisteredChannel(const std::string& name);
    const RegisteredChannel* FindRegisteredChannel(const std::string& name) const;
    bool IsChannelRegistered(const std::string& name) const { return FindRegisteredChannel(name) != nullptr; }

    // The channel's entries in table order.
    std::vector<const ChannelAccessEntry*> ChannelAccessEntries(const std::string& channel) const;
    // The first entry of the nick on the channel, or nullptr. Through the writable one its level
    // and hosts may be changed (then AccessChanged()); its channel and nick only by
    // RemoveAccessEntry.
    ChannelAccessEntry* FindAccessEntry(const std::string& channel, const std::string& nick);
    const ChannelAccessEntry* FindAccessEntry(const std::string& channel, const std::string& nick) const;
    // The user's mask matches one of the entry's hosts, or the user's nick is identified.
    bool RecognisesUser(const ChannelAccessEntry& entry, const OnlineUser& user) const;
    // The user's level on the channel: 0 when it is not registered. Without an entry, 500 with
    // override and 0 otherwise. With one: 500 for the identified founder, 499 for a co-owner,
    // else the entry's level when it recognises the user, and 0 when it does not.
    int GetChannelAccessLevel(const std::string& channel, const OnlineUser& user) const;

    // What the channel password gives: the founder has 500, anybody else 499, until the nick
    // quits or changes (ForgetChannelIdentification). Identification is set only here.
    void IdentifyFounder(RegisteredChannel& record);
    void AddCoOwner(RegisteredChannel& record, const std::string& nick);
    // The nick quit or changed: it is nobody's founder or co-owner any more. Touches only the
    // channels where the nick holds an identification.
    void ForgetChannelIdentification(const std::string& nick);
    // A new link: nobody holds an identification any more.
    void ForgetChannelIdentifications();

    // Appended; the next write of the channel file stores it. A new channel starts without
    // access entries: any left by an earlier channel of the name (a write that failed halfway, a
    // damaged file) are deleted and the access entries marked changed, so they never give a
    // level on it.
    void AddRegisteredChannel(RegisteredChannel record);
    // The name is free and the channel's access entries are gone from every lookup at once. The
    // entries are deleted when the channel file has been written without the channel; when that
    // write fails the channel comes back with them.
    void DropRegisteredChannel(RegisteredChannel& record);
    void AddAccessEntry(ChannelAccessEntry entry);
    void RemoveAccessEntry(ChannelAccessEntry& entry);
    // Puts a NickServ access host into host slot 1, 2 or 3 of every access entry of the nick and
    // marks the access entries changed; answers how many entries that was.
    std::size_t CarryAccessHost(const std::string& nick, int hostSlot, const std::string& host);

    // In table order, with dropped records and deleted entries until the next write.
    const std::vector<RegisteredChannel>& RegisteredChannels() const { return channels_; }
    const std::vector<ChannelAccessEntry>& ChannelAccessList() const { return access_; }

    RestrictedChannels& Restricted() { return restricted_; }
    bool IsChannelRestricted(const std::string& name) const { return restricted_.IsChannelRestricted(name); }

private:
    struct ChannelAccessSlots {
        std::vector<std::size_t> inTableOrder;
        NameIndex<std::size_t> firstOfNick;
    };

    std::string_view ChannelFileText();
    std::string_view AccessFileText();
    void ReadChannelFile();
    void ReadAccessFile();

    std::size_t SlotOf(const RegisteredChannel& record) const {
        return static_cast<std::size_t>(&record - channels_.data());
    }
    void IndexChannels();
    void IndexIdentifications();
    void NoteIdentification(const std::string& nick, std::size_t slot);
    void EndFounderIdentifications();
    void IndexAccess();
    void IndexAccessEntry(std::size_t slot);
    void UnindexAccessOfNick(std::size_t slot);
    bool IsDroppedChannel(const std::string& name) const;
    bool DeleteAccessOfDroppedChannels();
    bool DeleteLeftoverAccess(const std::string& name);

    const DataDirectory& data_;
    Console& console_;
    GroupCommit& commit_;
    const NickStatus& nicks_;
    std::vector<RegisteredChannel> channels_;
    NameIndex<std::size_t> slotByName_;  // name to its first record
    // Nick to the channels where it is the identified founder or a co-owner: a quit must not
    // look at every channel.
    NameIndex<std::vector<std::size_t>> identifiedSlotsOfNick_;
    std::vector<ChannelAccessEntry> access_;
    NameIndex<ChannelAccessSlots> accessOfChannel_;
    NameIndex<std::vector<std::size_t>> accessSlotsOfNick_;
    // Dropped since the last write of the channel file: their access entries wait for it,
    // unseen by the lookups.
    std::vector<std::string> droppedChannels_;
    StoredTable channelTable_;
    StoredTable accessTable_;
    RecordFileText channelFileText_;
    RecordFileText accessFileText_;
    RestrictedChannels restricted_;
};

}  // namespace nb
