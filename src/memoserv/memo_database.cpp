#include "core/files.h"
#include "memoserv/memoserv.h"

namespace nb {
namespace {

constexpr const char* kMemoFile = "MemoServ/MemoServ.nb2";

}  // namespace

void MemoServ::LoadMemos() {
    memos_.clear();
    bool damaged = false;
    for (const std::string& line : ReadTextLines(data_.Path(kMemoFile))) {
        auto memo = ParseMemoLine(line);
        if (!memo) {
            // Keep going: stopping here would drop every later memo at the next save.
            damaged = true;
            continue;
        }
        memos_.push_back(std::move(*memo));
    }
    if (damaged)
        console_.ShowMessage("Nimbral - MemoServ Error",
                                      "Error loading MemoServ database, close Nimbral and try again.");
}

bool MemoServ::SaveMemos() { return commit_.Changed(memoTable_); }

// The table becomes what a read of the written file gives: deleted memos leave it.
std::string_view MemoServ::MemoFileText(std::string& content) {
    std::erase_if(memos_, [](const Memo& memo) { return memo.from.empty(); });
    for (const Memo& memo : memos_) content += FormatMemoLine(memo) + "\r\n";
    return content;
}

void MemoServ::MemosChanged(const CommandContext& context, std::string failureReply, std::string failureAudit) {
    context.Changed(memoTable_, [context, failureReply, failureAudit] {
        context.Reply(failureReply);
        context.Audit(failureAudit);
    });
}

}  // namespace nb
