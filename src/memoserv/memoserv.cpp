#include "memoserv/memoserv.h"

#include <algorithm>

#include "core/datetime.h"
#include "core/services.h"
#include "core/text.h"

namespace nb {

MemoServ::MemoServ(Services& services) : services_(services) {}

void MemoServ::AddMemo(const std::string& from, const std::string& to, const std::string& text) {
    // One memo is one line of the file.
    std::string oneLine = text;
    std::replace(oneLine.begin(), oneLine.end(), '\r', ' ');
    std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
    memos_.push_back({from, to, oneLine, FormatGeneralDate(services_.clock.Now())});
}

std::vector<std::size_t> MemoServ::MemoSlotsOf(const std::string& nick) const {
    std::vector<std::size_t> slots;
    for (std::size_t slot = 0; slot < memos_.size(); ++slot) {
        if (!memos_[slot].from.empty() && IEquals(memos_[slot].to, nick)) slots.push_back(slot);
    }
    return slots;
}

void MemoServ::MarkDeleted(std::size_t memoSlot) { memos_.at(memoSlot).from.clear(); }

void MemoServ::NotifyMemoCount(std::size_t slot) {
    std::size_t count = MemoSlotsOf(services_.users.At(slot).nick).size();
    if (count == 0) return;
    services_.out.Reply(services_.names.memoServ, slot,
                        "You currently have " + Bold(std::to_string(count)) + " waiting to be read.");
}

void MemoServ::TellNewMemo(const std::string& to) {
    auto slot = services_.users.FindOnlineUser(to);
    if (!slot) return;
    const std::string& memoServ = services_.names.memoServ;
    services_.out.Reply(memoServ, *slot, "You have a message waiting for you (just sent).");
    services_.out.Reply(memoServ, *slot, "Type: /msg " + memoServ + " read all");
}

}  // namespace nb
