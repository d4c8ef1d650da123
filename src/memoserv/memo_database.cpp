#include "memoserv/memo_database.h"

#include "core/datetime.h"
#include "core/files.h"
#include "core/text.h"

namespace nb {

MemoDatabase::MemoDatabase(const DataDirectory& data, Console& console, GroupCommit& commit, const Clock& clock)
    : console_(console),
      commit_(commit),
      clock_(clock),
      table_{data.Path("MemoServ/MemoServ.nb2"), [this](std::string& content) { return MemoFileText(content); },
             [this] { LoadMemos(); }} {}

void MemoDatabase::LoadMemos() {
    memos_.clear();
    bool damaged = false;
    for (const std::string& line : ReadTextLines(table_.file)) {
        auto memo = ParseMemoLine(line);
        if (!memo) {
            // Keep going: stopping here would drop every later memo at the next save.
            damaged = true;
            continue;
        }
        memos_.push_back(std::move(*memo));
    }
    if (damaged)
        console_.ShowMessage("Nimbral - MemoServ Error", "Error loading MemoServ database, close Nimbral and try again.");
}

// The table becomes what a read of the written file gives: deleted memos leave it.
std::string_view MemoDatabase::MemoFileText(std::string& content) {
    std::erase_if(memos_, [](const Memo& memo) { return memo.from.empty(); });
    for (const Memo& memo : memos_) content += FormatMemoLine(memo) + "\r\n";
    return content;
}

void MemoDatabase::AddMemo(const std::string& from, const std::string& to, const std::string& text) {
    // One memo is one line of the file.
    memos_.push_back({from, to, OneLine(text), FormatGeneralDate(clock_.Now())});
}

std::vector<std::size_t> MemoDatabase::MemoSlotsOf(const std::string& nick) const {
    std::vector<std::size_t> slots;
    for (std::size_t slot = 0; slot < memos_.size(); ++slot) {
        if (!memos_[slot].from.empty() && IEquals(memos_[slot].to, nick)) slots.push_back(slot);
    }
    return slots;
}

}  // namespace nb
