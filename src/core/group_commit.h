// The changes made while one received block is handled are written once, at its end: fifty
// registrations that arrive together cost one write of the nick file, not fifty. The files a
// block changed are written as one: all of them, or none.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/console.h"
#include "core/data_dir.h"

namespace nb {

// A data file whose table lives in memory.
struct StoredTable {
    std::filesystem::path file;
    // The whole file as the table is now: made in `scratch`, or text the table keeps itself
    // (valid until the table changes again). It may tidy the table the way a read of the file
    // would (dropped records leave), and may mark other tables changed.
    std::function<std::string_view(std::string& scratch)> text;
    // The table back to what the file holds.
    std::function<void()> reload;
    // The text is in the file now (optional).
    std::function<void()> written = [] {};
};

class GroupCommit {
public:
    GroupCommit(const DataDirectory& data, Console& console);

    void BeginBlock() { inBlock_ = true; }
    bool InBlock() const { return inBlock_; }

    // Inside a block the table is written when the block ends; outside one it is written now.
    // False only when a write now failed (the table is then read back).
    bool Changed(StoredTable& table);
    // The same for several tables that must be written together (outside a block: now, as one).
    bool ChangedTogether(const std::vector<StoredTable*>& tables);
    // Writes every changed table: each to a temporary file first, and only when all of them
    // were written are they renamed into place. When any one fails, none is replaced, every
    // changed table is read back, and all of them are returned.
    std::vector<const StoredTable*> EndBlock();

private:
    struct Pending {
        StoredTable* table = nullptr;
        bool needsText = true;
        std::string scratch;
        std::string_view kept;  // the table's own text, when it did not use the scratch
        bool inScratch = false;
        std::string_view Text() const { return inScratch ? std::string_view(scratch) : kept; }
    };

    bool WriteAll();
    void Reload();

    const DataDirectory& data_;
    Console& console_;
    bool inBlock_ = false;
    bool committing_ = false;
    std::vector<Pending> changed_;
};

}  // namespace nb
