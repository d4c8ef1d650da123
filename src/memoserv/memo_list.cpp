#include "core/services.h"
#include "memoserv/memo_commands.h"

namespace nb {

void ListMemos(const MemoSender& sender) {
    if (!PassesMemoChecks(sender, "LIST")) return;
    const MemoServ& memoServ = sender.services.memoServ;
    std::vector<std::size_t> slots = memoServ.MemoSlotsOf(sender.nick);
    for (std::size_t n = 1; n <= slots.size(); ++n) {
        const Memo& memo = memoServ.Memos()[slots[n - 1]];
        sender.Reply("Message " + Bold("#" + std::to_string(n)) + " from: " + Bold(memo.from) + " [" +
                     Bold(memo.sentOn) + "]");
    }
    if (slots.empty()) {
        sender.Audit("LIST [Success]");
        sender.Reply("You currently do not have any messages.");
        return;
    }
    sender.Reply("Listed " + Bold(std::to_string(slots.size())) + " messages.");
    sender.Audit("LIST [Success]");
}

}  // namespace nb
