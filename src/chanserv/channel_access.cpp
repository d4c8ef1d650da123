// The access entries of ChannelDatabase: their indexes, changes and the levels they give.
#include <algorithm>
#include <utility>

#include "chanserv/channel_database.h"
#include "core/wildcard.h"

namespace nb {

void ChannelDatabase::IndexAccess() {
    accessOfChannel_.clear();
    accessSlotsOfNick_.clear();
    accessOfChannel_.reserve(channels_.size());
    accessSlotsOfNick_.reserve(access_.size());
    for (std::size_t slot = 0; slot < access_.size(); ++slot) IndexAccessEntry(slot);
}

// Slots come in rising order, so each list stays in table order.
void ChannelDatabase::IndexAccessEntry(std::size_t slot) {
    const ChannelAccessEntry& entry = access_[slot];
    if (entry.channel.empty() || IsDroppedChannel(entry.channel)) return;
    ChannelAccessSlots& ofChannel = accessOfChannel_[entry.channel];
    ofChannel.inTableOrder.push_back(slot);
    ofChannel.firstOfNick.emplace(entry.nick, slot);
    accessSlotsOfNick_[entry.nick].push_back(slot);
}

void ChannelDatabase::UnindexAccessOfNick(std::size_t slot) {
    auto ofNick = accessSlotsOfNick_.find(access_[slot].nick);
    if (ofNick == accessSlotsOfNick_.end()) return;
    std::erase(ofNick->second, slot);
    if (ofNick->second.empty()) accessSlotsOfNick_.erase(ofNick);
}

bool ChannelDatabase::IsDroppedChannel(const std::string& name) const {
    return std::any_of(droppedChannels_.begin(), droppedChannels_.end(),
                       [&](const std::string& dropped) { return IEquals(dropped, name); });
}

// The channel file no longer holds them: now their entries go.
bool ChannelDatabase::DeleteAccessOfDroppedChannels() {
    if (droppedChannels_.empty()) return false;
    bool deleted = false;
    for (ChannelAccessEntry& entry : access_) {
        if (!IsDroppedChannel(entry.channel)) continue;
        entry.channel.clear();
        deleted = true;
    }
    droppedChannels_.clear();
    return deleted;
}

bool ChannelDatabase::DeleteLeftoverAccess(const std::string& name) {
    bool deleted = false;
    if (auto dropped = std::find_if(droppedChannels_.begin(), droppedChannels_.end(),
                                    [&](const std::string& other) { return IEquals(other, name); });
        dropped != droppedChannels_.end()) {
        droppedChannels_.erase(dropped);
        for (ChannelAccessEntry& entry : access_) {
            if (!IEquals(entry.channel, name)) continue;
            entry.channel.clear();
            deleted = true;
        }
    }
    if (auto entries = accessOfChannel_.find(name); entries != accessOfChannel_.end()) {
        for (std::size_t slot : entries->second.inTableOrder) {
            UnindexAccessOfNick(slot);
            access_[slot].channel.clear();
        }
        accessOfChannel_.erase(entries);
        deleted = true;
    }
    return deleted;
}

std::vector<const ChannelAccessEntry*> ChannelDatabase::ChannelAccessEntries(const std::string& channel) const {
    std::vector<const ChannelAccessEntry*> entries;
    auto ofChannel = accessOfChannel_.find(channel);
    if (ofChannel == accessOfChannel_.end()) return entries;
    entries.reserve(ofChannel->second.inTableOrder.size());
    for (std::size_t slot : ofChannel->second.inTableOrder) entries.push_back(&access_[slot]);
    return entries;
}

const ChannelAccessEntry* ChannelDatabase::FindAccessEntry(const std::string& channel, const std::string& nick) const {
    auto ofChannel = accessOfChannel_.find(channel);
    if (ofChannel == accessOfChannel_.end()) return nullptr;
    auto found = ofChannel->second.firstOfNick.find(nick);
    return found == ofChannel->second.firstOfNick.end() ? nullptr : &access_[found->second];
}

ChannelAccessEntry* ChannelDatabase::FindAccessEntry(const std::string& channel, const std::string& nick) {
    auto ofChannel = accessOfChannel_.find(channel);
    if (ofChannel == accessOfChannel_.end()) return nullptr;
    auto found = ofChannel->second.firstOfNick.find(nick);
    if (found == ofChannel->second.firstOfNick.end()) return nullptr;
    accessFileText_.Touch(found->second);
    return &access_[found->second];
}

void ChannelDatabase::AddAccessEntry(ChannelAccessEntry entry) {
    access_.push_back(std::move(entry));
    IndexAccessEntry(access_.size() - 1);
}

void ChannelDatabase::RemoveAccessEntry(ChannelAccessEntry& entry) {
    std::size_t slot = static_cast<std::size_t>(&entry - access_.data());
    if (auto ofChannel = accessOfChannel_.find(entry.channel); ofChannel != accessOfChannel_.end()) {
        ChannelAccessSlots& slots = ofChannel->second;
        std::erase(slots.inTableOrder, slot);
        if (auto first = slots.firstOfNick.find(entry.nick); first != slots.firstOfNick.end() && first->second == slot) {
            slots.firstOfNick.erase(first);
            // A later entry of the same nick (a damaged file) becomes the one found.
            auto next = std::find_if(slots.inTableOrder.begin(), slots.inTableOrder.end(),
                                     [&](std::size_t other) { return IEquals(access_[other].nick, entry.nick); });
            if (next != slots.inTableOrder.end()) slots.firstOfNick.emplace(access_[*next].nick, *next);
        }
        if (slots.inTableOrder.empty()) accessOfChannel_.erase(ofChannel);
        UnindexAccessOfNick(slot);
    }
    entry.channel.clear();
    entry.nick.clear();
}

std::size_t ChannelDatabase::CarryAccessHost(const std::string& nick, int hostSlot, const std::string& host) {
    if (hostSlot < 1 || hostSlot > 3) return 0;
    auto ofNick = accessSlotsOfNick_.find(nick);
    if (ofNick == accessSlotsOfNick_.end()) return 0;
    for (std::size_t slot : ofNick->second) {
        access_[slot].accessHosts[hostSlot - 1] = host;
        accessFileText_.Touch(slot);
    }
    AccessChanged();
    return ofNick->second.size();
}

bool ChannelDatabase::RecognisesUser(const ChannelAccessEntry& entry, const OnlineUser& user) const {
    const std::string mask = user.Mask();
    return std::any_of(entry.accessHosts.begin(), entry.accessHosts.end(),
                       [&](const std::string& host) { return WildcardMatch(mask, host); }) ||
           nicks_.IsIdentified(user);
}

int ChannelDatabase::GetChannelAccessLevel(const std::string& channel, const OnlineUser& user) const {
    const RegisteredChannel* record = FindRegisteredChannel(channel);
    if (record == nullptr) return 0;
    const ChannelAccessEntry* entry = FindAccessEntry(channel, user.nick);
    if (entry == nullptr) return user.override ? kFounderLevel : 0;
    if (record->founderIdentified && IEquals(record->founder, user.nick)) return kFounderLevel;
    if (HasCoOwner(*record, user.nick)) return kCoOwnerLevel;
    return RecognisesUser(*entry, user) ? entry->level : 0;
}

}  // namespace nb
