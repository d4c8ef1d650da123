#include "core/services.h"
#include "memoserv/memo_commands.h"

namespace nb {
namespace {

void ReportNotSaved(const MemoSender& sender, const std::string& which) {
    sender.Reply(Bold("Error") + ": Your messages could not be deleted, please try again later.");
    sender.Audit("DEL/ERASE " + which + " [Failed (database not written)]");
}

void DeleteAllMemos(const MemoSender& sender, const std::string& which) {
    MemoServ& memoServ = sender.services.memoServ;
    std::vector<std::size_t> slots = memoServ.MemoSlotsOf(sender.nick);
    if (slots.empty()) {
        sender.Reply("You currently do not have any messages.");
        return;
    }
    for (std::size_t slot : slots) memoServ.MarkDeleted(slot);
    if (!memoServ.SaveMemos()) {
        ReportNotSaved(sender, which);
        return;
    }
    sender.Audit("DEL/ERASE ALL [Success]");
    sender.Reply("You successfully deleted " + Bold(std::to_string(slots.size())) + " messages.");
}

}  // namespace

void DeleteMemo(const MemoSender& sender, const std::string& which) {
    if (!PassesMemoChecks(sender, "DEL/ERASE")) return;
    auto choice = ParseMemoChoice(which);
    if (!choice) {
        sender.Reply(Bold("Error") + ": Invalid del/erase command.");
        sender.Audit("DEL/ERASE [Failed (invalid del/erase command)]");
        return;
    }
    if (choice->all) {
        DeleteAllMemos(sender, which);
        return;
    }
    MemoServ& memoServ = sender.services.memoServ;
    auto slot = FindNumberedMemo(memoServ.MemoSlotsOf(sender.nick), choice->number);
    if (!slot) {
        sender.Audit("DEL/ERASE " + which + " [Failed (invalid message number)]");
        sender.Reply(Bold("Error") + ": You don't have a memo " + which + " or higher.");
        return;
    }
    memoServ.MarkDeleted(*slot);
    if (!memoServ.SaveMemos()) {
        ReportNotSaved(sender, which);
        return;
    }
    sender.Audit("DEL/ERASE " + which + " [Success]");
    sender.Reply("You successfully deleted message number " + Bold(which) + ".");
}

}  // namespace nb
