#include "memoserv/memo_choice.h"
#include "memoserv/memoserv.h"

namespace nb {

void MemoServ::DeletionChanged(const CommandContext& context) {
    MemosChanged(context, Bold("Error") + ": Your messages could not be deleted, please try again later.",
                 "DEL/ERASE " + context.words[1] + " [Failed (database not written)]");
}

void MemoServ::DeleteAll(const CommandContext& context) {
    std::vector<std::size_t> slots = database_.MemoSlotsOf(context.sender.nick);
    if (slots.empty()) {
        context.Reply("You currently do not have any messages.");
        return;
    }
    for (std::size_t slot : slots) database_.MarkDeleted(slot);
    DeletionChanged(context);
    context.Audit("DEL/ERASE ALL [Success]");
    context.Reply("You successfully deleted " + Bold(std::to_string(slots.size())) + " messages.");
}

void MemoServ::Delete(const CommandContext& context) {
    const std::string& which = context.words[1];
    auto choice = ParseMemoChoice(which);
    if (!choice) {
        context.Reply(Bold("Error") + ": Invalid del/erase command.");
        context.Audit("DEL/ERASE [Failed (invalid del/erase command)]");
        return;
    }
    if (choice->all) {
        DeleteAll(context);
        return;
    }
    auto slot = FindNumberedMemo(database_.MemoSlotsOf(context.sender.nick), choice->number);
    if (!slot) {
        context.Audit("DEL/ERASE " + which + " [Failed (invalid message number)]");
        context.Reply(Bold("Error") + ": You don't have a memo " + which + " or higher.");
        return;
    }
    database_.MarkDeleted(*slot);
    DeletionChanged(context);
    context.Audit("DEL/ERASE " + which + " [Success]");
    context.Reply("You successfully deleted message number " + Bold(which) + ".");
}

}  // namespace nb
