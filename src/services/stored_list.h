// A data file that holds one entry a line, read up to its first empty line: the restricted
// nick and channel patterns, the jupes and the ignores.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/console.h"
#include "core/group_commit.h"

namespace nb {

class StoredList {
public:
    StoredList(std::filesystem::path file, GroupCommit& commit);
    StoredList(const StoredList&) = delete;
    StoredList& operator=(const StoredList&) = delete;

    void Load();
    const std::vector<std::string>& Entries() const { return entries_; }
    // Letter case ignored.
    bool Contains(std::string_view entry) const;

    // The list is changed in place, then Changed(): it is written at the end of the received
    // block, at once outside one. False when that write failed: the list is then what the file
    // still holds.
    std::vector<std::string>& Edit() { return entries_; }
    bool Changed() { return commit_.Changed(table_); }
    StoredTable& Table() { return table_; }

private:
    std::vector<std::string> entries_;
    GroupCommit& commit_;
    StoredTable table_;
};

// The console's add and remove of a keyword (a restricted nick or channel pattern): an empty,
// multi-line or repeated keyword and a remove without a chosen entry are refused in an
// "NBII - Error" box; a change is saved.
bool AddKeyword(StoredList& list, Console& console, const std::string& keyword);
bool RemoveKeyword(StoredList& list, Console& console, std::optional<std::size_t> index);

}  // namespace nb
