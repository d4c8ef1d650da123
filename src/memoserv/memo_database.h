// The memos of the network: MemoServ/MemoServ.nb2, read at start-up and written through the
// block commit.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/console.h"
#include "core/data_dir.h"
#include "core/group_commit.h"
#include "memoserv/memo_record.h"

namespace nb {

class MemoDatabase {
public:
    MemoDatabase(const DataDirectory& data, Console& console, GroupCommit& commit, const Clock& clock);
    MemoDatabase(const MemoDatabase&) = delete;
    MemoDatabase& operator=(const MemoDatabase&) = delete;

    // Start-up and after a restore. A line that cannot be read is skipped (the rest still
    // loads) and the operator is told once.
    void LoadMemos();
    // Writes every memo that still has a sender (at the end of the block, inside one): deleted
    // memos leave the table and the later ones move up. False when the file could not be
    // written: the table is then what the file holds.
    bool SaveMemos() { return commit_.Changed(table_); }
    StoredTable& MemoTable() { return table_; }

    // Appends a memo dated now; SaveMemos stores it.
    void AddMemo(const std::string& from, const std::string& to, const std::string& text);
    const std::vector<Memo>& Memos() const { return memos_; }
    // Table slots of the memos sent to `nick` (letter case ignored) in table order: the
    // user's memo number n is element n - 1. Numbers change after every deletion.
    std::vector<std::size_t> MemoSlotsOf(const std::string& nick) const;
    // Blanks the sender; the next save leaves the memo out.
    void MarkDeleted(std::size_t memoSlot) { memos_.at(memoSlot).from.clear(); }

private:
    std::string_view MemoFileText(std::string& content);

    Console& console_;
    GroupCommit& commit_;
    const Clock& clock_;
    std::vector<Memo> memos_;
    StoredTable table_;
};

}  // namespace nb
