#include "memoserv/memoserv.h"

namespace nb {

void MemoServ::List(const CommandContext& context) {
    std::vector<std::size_t> slots = database_.MemoSlotsOf(context.sender.nick);
    for (std::size_t n = 1; n <= slots.size(); ++n) context.Reply(NumberedHeading(n, database_.Memos()[slots[n - 1]]));
    if (slots.empty()) {
        context.Audit("LIST [Success]");
        context.Reply("You currently do not have any messages.");
        return;
    }
    context.Reply("Listed " + Bold(std::to_string(slots.size())) + " messages.");
    context.Audit("LIST [Success]");
}

}  // namespace nb
