#include "core/services.h"
#include "memoserv/memo_commands.h"

namespace nb {

void SendMemo(const MemoSender& sender, const std::string& to, const std::string& text) {
    if (!PassesMemoChecks(sender, "SEND", &to)) return;
    MemoServ& memoServ = sender.services.memoServ;
    memoServ.AddMemo(sender.nick, to, text);
    if (!memoServ.SaveMemos()) {
        sender.Reply(Bold("Error") + ": Your message could not be stored, please try again later.");
        sender.Audit("SEND " + to + " ****** [Failed (database not written)]");
        return;
    }
    sender.Reply("You successfully sent " + Bold(to) + " a message!");
    sender.Audit("SEND " + to + " ****** [Success]");
    memoServ.TellNewMemo(to);
}

}  // namespace nb
