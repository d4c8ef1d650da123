#include "memoserv/memoserv.h"

namespace nb {

void MemoServ::Send(const CommandContext& context) {
    const std::string& to = context.words[1];
    AddMemo(context.sender.nick, to, context.words.RestAfter(1));
    if (!SaveMemos()) {
        context.Reply(Bold("Error") + ": Your message could not be stored, please try again later.");
        context.Audit("SEND " + to + " ****** [Failed (database not written)]");
        return;
    }
    context.Reply("You successfully sent " + Bold(to) + " a message!");
    context.Audit("SEND " + to + " ****** [Success]");
    TellNewMemo(to);
}

}  // namespace nb
