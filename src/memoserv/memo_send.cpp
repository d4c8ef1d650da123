#include "memoserv/memoserv.h"

namespace nb {

void MemoServ::Send(const CommandContext& context) {
    const Command& send = *table_.Find("send");
    if (RefusesSender(context, send)) return;
    const std::string& to = context.words[1];
    std::string text = context.words.RestAfter(1);
    if (!HasOnlyFormattingControls(text)) {
        context.Reply(Bold("Error") + ": Your message cannot contain control characters.");
        context.Audit("SEND " + to + " ****** [Failed (invalid character)]");
        return;
    }
    database_.AddMemo(context.sender.nick, to, text);
    MemosChanged(context, Bold("Error") + ": Your message could not be stored, please try again later.",
                 "SEND " + to + " ****** [Failed (database not written)]");
    context.Reply("You successfully sent " + Bold(to) + " a message!");
    context.Audit("SEND " + to + " ****** [Success]");
    TellNewMemo(to);
}

void MemoServ::SendFromAdministrator(const std::vector<std::string>& to, const std::string& text) {
    for (const std::string& nick : to) database_.AddMemo("Administrator", nick, text);
    if (!database_.SaveMemos()) return;
    for (const std::string& nick : to) TellNewMemo(nick);
}

}  // namespace nb
