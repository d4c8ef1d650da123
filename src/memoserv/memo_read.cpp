#include "memoserv/memo_choice.h"
#include "memoserv/memoserv.h"

namespace nb {

void MemoServ::ReadAll(const CommandContext& context) {
    std::vector<std::size_t> slots = database_.MemoSlotsOf(context.sender.nick);
    for (std::size_t n = 1; n <= slots.size(); ++n) {
        const Memo& memo = database_.Memos()[slots[n - 1]];
        context.Reply(NumberedHeading(n, memo) + " " + memo.text);
    }
    context.Audit("READ ALL [Success]");
    if (slots.empty()) {
        context.Reply("You currently do not have any messages.");
        return;
    }
    context.Reply("Total number of messages: " + Bold(std::to_string(slots.size())));
}

void MemoServ::Read(const CommandContext& context) {
    const std::string& which = context.words[1];
    auto choice = ParseMemoChoice(which);
    if (!choice) {
        context.Reply(Bold("Error") + ": Invalid read command.");
        context.Audit("READ [Failed (invalid read command)]");
        return;
    }
    if (choice->all) {
        ReadAll(context);
        return;
    }
    auto slot = FindNumberedMemo(database_.MemoSlotsOf(context.sender.nick), choice->number);
    if (!slot) {
        context.Audit("READ " + which + " [Failed (invalid message number)]");
        context.Reply(Bold("Error") + ": You don't have a memo " + which + " or higher.");
        return;
    }
    const Memo& memo = database_.Memos()[*slot];
    context.Reply("Message from: " + Bold(memo.from) + " [" + Bold(memo.sentOn) + "] " + memo.text);
    context.Audit("READ " + which + " [Success]");
}

}  // namespace nb
