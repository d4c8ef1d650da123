// The slots of the nick table by nick, letter case ignored: an open table of four-byte slot
// numbers (a million nicks take 8 MiB) that reads the nicks from the records themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "nickserv/nick_record.h"

namespace nb {

class NickSlotIndex {
public:
    explicit NickSlotIndex(const std::vector<RegisteredNick>& records) : records_(records) {}

    void Clear();
    void Reserve(std::size_t count);
    std::optional<std::size_t> Find(std::string_view nick) const;
    // False when the slot's nick is in the index already (with its first slot).
    bool Insert(std::size_t slot);
    // Call while the record still has its nick.
    void Erase(std::string_view nick);

private:
    std::size_t Home(std::string_view nick) const;
    std::string_view NickAt(std::uint32_t entry) const { return records_[entry - 1].Field(NickField::Nick); }

    const std::vector<RegisteredNick>& records_;
    std::vector<std::uint32_t> entries_;  // slot + 1; 0 is free. Never more than half full.
    std::size_t used_ = 0;
};

}  // namespace nb
