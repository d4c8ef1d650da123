// MemoServ: short messages between registered nicknames, kept in MemoServ/MemoServ.nb2.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "memoserv/memo_record.h"

namespace nb {

class Services;

class MemoServ {
public:
    explicit MemoServ(Services& services);

    // Start-up and after a restore. A line that cannot be read is skipped (the rest still
    // loads) and the operator is told once.
    void LoadMemos();
    // Writes every memo that still has a sender: deleted memos leave the table and the later
    // ones move up. When the file cannot be written the table goes back to what the file
    // holds, the operator is told, and the result is false.
    bool SaveMemos();

    // Appends a memo dated now; SaveMemos stores it. The console sends from "Administrator"
    // to many nicks with one save, then tells each with TellNewMemo.
    void AddMemo(const std::string& from, const std::string& to, const std::string& text);

    const std::vector<Memo>& Memos() const { return memos_; }
    // Table slots of the memos sent to `nick` (letter case ignored) in table order: the
    // user's memo number n is element n - 1. Numbers change after every deletion.
    std::vector<std::size_t> MemoSlotsOf(const std::string& nick) const;
    // Blanks the sender; the next save leaves the memo out.
    void MarkDeleted(std::size_t memoSlot);

    // Tells the user in `slot` how many memos wait for its nick (nothing when none).
    void NotifyMemoCount(std::size_t slot);
    // Tells the recipient at once, when online, that a memo has just arrived.
    void TellNewMemo(const std::string& to);

    // A private message to the MemoServ nickname from the user in `slot`.
    void Dispatch(std::size_t senderSlot, const std::string& text);

private:
    Services& services_;
    std::vector<Memo> memos_;
    std::vector<Memo> stored_;  // what the file holds
};

}  // namespace nb
