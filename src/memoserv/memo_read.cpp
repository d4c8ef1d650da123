#include "core/services.h"
#include "memoserv/memo_commands.h"

namespace nb {
namespace {

void ReadAllMemos(const MemoSender& sender) {
    const MemoServ& memoServ = sender.services.memoServ;
    std::vector<std::size_t> slots = memoServ.MemoSlotsOf(sender.nick);
    for (std::size_t n = 1; n <= slots.size(); ++n) {
        const Memo& memo = memoServ.Memos()[slots[n - 1]];
        sender.Reply("Message " + Bold("#" + std::to_string(n)) + " from: " + Bold(memo.from) + " [" +
                     Bold(memo.sentOn) + "] " + memo.text);
    }
    sender.Audit("READ ALL [Success]");
    if (slots.empty()) {
        sender.Reply("You currently do not have any messages.");
        return;
    }
    sender.Reply("Total number of messages: " + Bold(std::to_string(slots.size())));
}

}  // namespace

void ReadMemo(const MemoSender& sender, const std::string& which) {
    if (!PassesMemoChecks(sender, "READ")) return;
    auto choice = ParseMemoChoice(which);
    if (!choice) {
        sender.Reply(Bold("Error") + ": Invalid read command.");
        sender.Audit("READ [Failed (invalid read command)]");
        return;
    }
    if (choice->all) {
        ReadAllMemos(sender);
        return;
    }
    const MemoServ& memoServ = sender.services.memoServ;
    auto slot = FindNumberedMemo(memoServ.MemoSlotsOf(sender.nick), choice->number);
    if (!slot) {
        sender.Audit("READ " + which + " [Failed (invalid message number)]");
        sender.Reply(Bold("Error") + ": You don't have a memo " + which + " or higher.");
        return;
    }
    const Memo& memo = memoServ.Memos()[*slot];
    sender.Reply("Message from: " + Bold(memo.from) + " [" + Bold(memo.sentOn) + "] " + memo.text);
    sender.Audit("READ " + which + " [Success]");
}

}  // namespace nb
