// The changes made while one received block is handled are written once, at its end: fifty
// registrations that arrive together cost one write of the nick file, not fifty.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace nb {

// A data file whose table lives in memory.
struct StoredTable {
    std::string name;               // for the operator: "NickServ/NickServ.nb2"
    std::function<bool()> write;    // the whole table to its file, atomically
    std::function<void()> reload;   // the table back to what the file holds
};

class GroupCommit {
public:
    void BeginBlock() { inBlock_ = true; }
    bool InBlock() const { return inBlock_; }

    // Inside a block the table is written when the block ends; outside one it is written now.
    // False only when a write now failed (the table is then read back).
    bool Changed(StoredTable& table);
    // Writes each changed table once, in the order of their first change. A table that could
    // not be written is read back; those are returned.
    std::vector<const StoredTable*> EndBlock();

private:
    static bool WriteOrReload(StoredTable& table);

    bool inBlock_ = false;
    std::vector<StoredTable*> changed_;
};

}  // namespace nb
