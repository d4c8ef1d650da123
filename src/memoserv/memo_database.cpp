#include "core/files.h"
#include "memoserv/memoserv.h"

namespace nb {
namespace {

std::filesystem::path MemoFile(const DataDirectory& data) { return data.Path("MemoServ/MemoServ.nb2"); }

}  // namespace

void MemoServ::LoadMemos() {
    memos_.clear();
    bool damaged = false;
    for (const std::string& line : ReadTextLines(MemoFile(data_))) {
        auto memo = ParseMemoLine(line);
        if (!memo) {
            // Keep going: stopping here would drop every later memo at the next save.
            damaged = true;
            continue;
        }
        memos_.push_back(std::move(*memo));
    }
    stored_ = memos_;
    if (damaged)
        console_.ShowMessage("Nimbral - MemoServ Error",
                                      "Error loading MemoServ database, close Nimbral and try again.");
}

bool MemoServ::SaveMemos() {
    std::vector<Memo> kept;
    std::string content;
    for (const Memo& memo : memos_) {
        if (memo.from.empty()) continue;
        content += FormatMemoLine(memo) + "\r\n";
        kept.push_back(memo);
    }
    std::filesystem::path file = MemoFile(data_);
    if (!WriteFileAtomic(file, content)) {
        memos_ = stored_;
        console_.ShowMessage("NBII - MemoServ",
                                      "Cannot write " + file.string() + "; the last memo change was not saved.");
        return false;
    }
    memos_ = std::move(kept);
    stored_ = memos_;
    return true;
}

}  // namespace nb
