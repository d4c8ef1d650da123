#include "chanserv/channel_database.h"

#include <algorithm>
#include <utility>

#include "core/files.h"

namespace nb {
namespace {

constexpr const char* kChannelFile = "ChanServ/ChanServ.nb2";
constexpr const char* kAccessFile = "ChanServ/Access.nb2";

constexpr const char* kGapErrorTitle = "Nimbral - ChanServ Error";
const char* const kChannelGapError =
    "Error loading ChanServ database, close Nimbral and try again.\r\n"
    "If this problem continues, please check chanserv.os for gaps, or extra lines at the end of the file.\r\n"
    "!!THIS COULD ALSO BE CAUSED BECAUSED THIS IS THE FIRST TIME YOU RAN NIMBRAL, THIS MESSAGE SHOULD GO AWAY AS "
    "SOON AS A CHANNEL IS REGISTERED.!!";
const char* const kAccessGapError =
    "Error loading ChanServ database, close Nimbral and try again.\r\n"
    "If this problem continues, please check chanserv.os for gaps, or extra lines at the end of the file.\r\n"
    "This could also be caused because this is the first time you ran Nimbral, this message should go away as soon "
    "as a channel is registered.";

bool HoldsIdentification(const RegisteredChannel& record, const std::string& nick) {
    return (record.founderIdentified && IEquals(record.founder, nick)) || HasCoOwner(record, nick);
}

}  // namespace

ChannelDatabase::ChannelDatabase(const DataDirectory& data, Console& console, GroupCommit& commit,
                                 const NickStatus& nicks)
    : data_(data),
      console_(console),
      commit_(commit),
      nicks_(nicks),
      channelTable_{data.Path(kChannelFile), [this](std::string&) { return ChannelFileText(); },
                    [this] { LoadChannelDatabase(true, false); }},
      accessTable_{data.Path(kAccessFile), [this](std::string&) { return AccessFileText(); },
                   [this] { LoadChannelDatabase(false, true); }},
      restricted_(data, console, commit) {}

void ChannelDatabase::LoadChannelDatabase(bool channels, bool access) {
    // A gap in the channel file no longer ends the load, so the access entries are always read
    // when asked for: skipping them would let the next save of the access file drop them all.
    if (channels) ReadChannelFile();
    if (access) ReadAccessFile();
}

void ChannelDatabase::ReadChannelFile() {
    std::vector<RegisteredChannel> previous = std::move(channels_);
    channels_.clear();
    NameIndex<RegisteredChannel*> previousByName;
    for (RegisteredChannel& old : previous) {
        if (!old.name.empty()) previousByName.emplace(old.name, &old);
    }
    bool reported = false;
    MappedFile file(data_.Path(kChannelFile));
    channels_.reserve(CountLines(file.Text()));
    ForEachLine(file.Text(), [&](std::string_view line) {
        // A gap is reported once and passed over: stopping there would let the next save drop
        // every channel after it.
        if (line.empty()) {
            if (!reported) console_.ShowMessage(kGapErrorTitle, kChannelGapError);
            reported = true;
            return;
        }
        RegisteredChannel record = ParseChannelLine(line);
        // The co-owners go to the record that lookups find, the first of the name.
        if (auto old = previousByName.find(record.name); old != previousByName.end()) {
            record.coOwners = std::move(old->second->coOwners);
            previousByName.erase(old);
        }
        channels_.push_back(std::move(record));
    });
    IndexChannels();
    channelFileText_.Clear();
    // The file says which channels exist: the entries of channels whose drop it never saw
    // are theirs again.
    if (!droppedChannels_.empty()) {
        droppedChannels_.clear();
        IndexAccess();
    }
}

void ChannelDatabase::ReadAccessFile() {
    access_.clear();
    bool reported = false;
    MappedFile file(data_.Path(kAccessFile));
    access_.reserve(CountLines(file.Text()));
    ForEachLine(file.Text(), [&](std::string_view line) {
        if (line.empty()) {
            if (!reported) console_.ShowMessage(kGapErrorTitle, kAccessGapError);
            reported = true;
            return;
        }
        access_.push_back(ParseAccessLine(line));
    });
    IndexAccess();
    accessFileText_.Clear();
}

bool ChannelDatabase::SaveChannelDatabase(bool channels, bool access) {
    std::vector<StoredTable*> tables;
    if (channels) {
        EndFounderIdentifications();
        tables.push_back(&channelTable_);
    }
    if (access) tables.push_back(&accessTable_);
    return commit_.ChangedTogether(tables);
}

bool ChannelDatabase::ChannelsChanged() {
    EndFounderIdentifications();
    return commit_.Changed(channelTable_);
}

StoredTable& ChannelDatabase::ChannelTableChanged() {
    EndFounderIdentifications();
    return channelTable_;
}

// The table becomes what a read of the written file would give: the dropped records leave it,
// every other record keeps its run-time fields.
std::string_view ChannelDatabase::ChannelFileText() {
    if (std::erase_if(channels_, [](const RegisteredChannel& record) { return record.name.empty(); }) > 0) {
        IndexChannels();
        channelFileText_.Clear();
    }
    // The access entries of dropped channels go with them, in the same write: when it fails,
    // both tables are read back and the channel keeps its entries.
    if (DeleteAccessOfDroppedChannels()) commit_.Changed(accessTable_);
    return channelFileText_.Text(channels_.size(),
                                 [this](std::size_t slot, std::string& out) { AppendChannelLine(out, channels_[slot]); });
}

std::string_view ChannelDatabase::AccessFileText() {
    if (std::erase_if(access_, [](const ChannelAccessEntry& entry) { return entry.channel.empty(); }) > 0) {
        IndexAccess();
        accessFileText_.Clear();
    }
    return accessFileText_.Text(access_.size(),
                                [this](std::size_t slot, std::string& out) { AppendAccessLine(out, access_[slot]); });
}

void ChannelDatabase::IndexChannels() {
    slotByName_.clear();
    for (std::size_t slot = 0; slot < channels_.size(); ++slot) {
        if (!channels_[slot].name.empty()) slotByName_.emplace(channels_[slot].name, slot);
    }
    IndexIdentifications();
}

const RegisteredChannel* ChannelDatabase::FindRegisteredChannel(const std::string& name) const {
    auto found = slotByName_.find(name);
    return found == slotByName_.end() ? nullptr : &channels_[found->second];
}

RegisteredChannel* ChannelDatabase::FindRegisteredChannel(const std::string& name) {
    auto found = slotByName_.find(name);
    if (found == slotByName_.end()) return nullptr;
    channelFileText_.Touch(found->second);
    return &channels_[found->second];
}

void ChannelDatabase::AddRegisteredChannel(RegisteredChannel record) {
    if (!record.name.empty() && !IsChannelRegistered(record.name) && DeleteLeftoverAccess(record.name))
        AccessChanged();
    std::size_t slot = channels_.size();
    if (!record.name.empty()) slotByName_.emplace(record.name, slot);
    channels_.push_back(std::move(record));
    const RegisteredChannel& added = channels_.back();
    if (added.founderIdentified) NoteIdentification(added.founder, slot);
    for (const std::string& coOwner : added.coOwners) NoteIdentification(coOwner, slot);
}

void ChannelDatabase::DropRegisteredChannel(RegisteredChannel& record) {
    std::size_t slot = SlotOf(record);
    std::string name = std::move(record.name);
    record.name.clear();
    record.founderIdentified = false;
    record.coOwners.clear();
    if (auto entries = accessOfChannel_.find(name); entries != accessOfChannel_.end()) {
        for (std::size_t entrySlot : entries->second.inTableOrder) UnindexAccessOfNick(entrySlot);
        accessOfChannel_.erase(entries);
    }
    if (!IsDroppedChannel(name)) droppedChannels_.push_back(name);
    auto indexed = slotByName_.find(name);
    if (indexed == slotByName_.end() || indexed->second != slot) return;
    slotByName_.erase(indexed);
    // A later record of the same name (a damaged file) becomes the one found.
    for (std::size_t later = slot + 1; later < channels_.size(); ++later) {
        if (IEquals(channels_[later].name, name)) {
            slotByName_.emplace(channels_[later].name, later);
            break;
        }
    }
}

void ChannelDatabase::IndexIdentifications() {
    identifiedSlotsOfNick_.clear();
    for (std::size_t slot = 0; slot < channels_.size(); ++slot) {
        const RegisteredChannel& record = channels_[slot];
        if (record.name.empty()) continue;
        if (record.founderIdentified) NoteIdentification(record.founder, slot);
        for (const std::string& coOwner : record.coOwners) NoteIdentification(coOwner, slot);
    }
}

void ChannelDatabase::NoteIdentification(const std::string& nick, std::size_t slot) {
    std::vector<std::size_t>& slots = identifiedSlotsOfNick_[nick];
    if (std::find(slots.begin(), slots.end(), slot) == slots.end()) slots.push_back(slot);
}

void ChannelDatabase::IdentifyFounder(RegisteredChannel& record) {
    record.founderIdentified = true;
    NoteIdentification(record.founder, SlotOf(record));
}

void ChannelDatabase::AddCoOwner(RegisteredChannel& record, const std::string& nick) {
    if (!HasCoOwner(record, nick)) record.coOwners.push_back(nick);
    NoteIdentification(nick, SlotOf(record));
}

void ChannelDatabase::ForgetChannelIdentification(const std::string& nick) {
    auto found = identifiedSlotsOfNick_.find(nick);
    if (found == identifiedSlotsOfNick_.end()) return;
    for (std::size_t slot : found->second) {
        RegisteredChannel& record = channels_[slot];
        if (IEquals(record.founder, nick)) record.founderIdentified = false;
        std::erase_if(record.coOwners, [&](const std::string& coOwner) { return IEquals(coOwner, nick); });
    }
    identifiedSlotsOfNick_.erase(found);
}

void ChannelDatabase::ForgetChannelIdentifications() {
    for (RegisteredChannel& record : channels_) {
        record.founderIdentified = false;
        record.coOwners.clear();
    }
    identifiedSlotsOfNick_.clear();
}

void ChannelDatabase::EndFounderIdentifications() {
    for (auto nick = identifiedSlotsOfNick_.begin(); nick != identifiedSlotsOfNick_.end();) {
        std::vector<std::size_t>& slots = nick->second;
        for (std::size_t slot : slots) channels_[slot].founderIdentified = false;
        // What stays is the nick's co-ownerships.
        std::erase_if(slots, [&](std::size_t slot) { return !HoldsIdentification(channels_[slot], nick->first); });
        nick = slots.empty() ? identifiedSlotsOfNick_.erase(nick) : std::next(nick);
    }
}

}  // namespace nb
