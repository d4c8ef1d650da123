#include "nickserv/nick_slot_index.h"

#include "core/text.h"

namespace nb {

void NickSlotIndex::Clear() {
    entries_.clear();
    used_ = 0;
}

std::size_t NickSlotIndex::Home(std::string_view nick) const { return NameHash()(nick) & (entries_.size() - 1); }

void NickSlotIndex::Reserve(std::size_t count) {
    std::size_t size = 16;
    while (size < 2 * count) size *= 2;
    if (size <= entries_.size()) return;
    std::vector<std::uint32_t> old = std::move(entries_);
    entries_.assign(size, 0);
    for (std::uint32_t entry : old) {
        if (entry == 0) continue;
        std::size_t at = Home(NickAt(entry));
        while (entries_[at] != 0) at = (at + 1) & (size - 1);
        entries_[at] = entry;
    }
}

std::optional<std::size_t> NickSlotIndex::Find(std::string_view nick) const {
    if (entries_.empty()) return std::nullopt;
    for (std::size_t at = Home(nick); entries_[at] != 0; at = (at + 1) & (entries_.size() - 1)) {
        if (IEquals(NickAt(entries_[at]), nick)) return entries_[at] - 1;
    }
    return std::nullopt;
}

bool NickSlotIndex::Insert(std::size_t slot) {
    if (2 * (used_ + 1) > entries_.size()) Reserve(used_ + 1);
    std::string_view nick = records_[slot].Field(NickField::Nick);
    std::size_t at = Home(nick);
    for (; entries_[at] != 0; at = (at + 1) & (entries_.size() - 1)) {
        if (IEquals(NickAt(entries_[at]), nick)) return false;
    }
    entries_[at] = static_cast<std::uint32_t>(slot + 1);
    ++used_;
    return true;
}

// Entries after the freed one move back where a search from their home would stop early.
void NickSlotIndex::Erase(std::string_view nick) {
    if (entries_.empty()) return;
    std::size_t mask = entries_.size() - 1;
    std::size_t at = Home(nick);
    while (entries_[at] != 0 && !IEquals(NickAt(entries_[at]), nick)) at = (at + 1) & mask;
    if (entries_[at] == 0) return;
    entries_[at] = 0;
    --used_;
    for (std::size_t next = (at + 1) & mask; entries_[next] != 0; next = (next + 1) & mask) {
        std::size_t home = Home(NickAt(entries_[next]));
        // Move the entry unless its home lies cyclically in (at, next].
        bool stays = at <= next ? (at < home && home <= next) : (at < home || home <= next);
        if (stays) continue;
        entries_[at] = entries_[next];
        entries_[next] = 0;
        at = next;
    }
}

}  // namespace nb
