#include "core/services.h"
#include "memoserv/memo_commands.h"
#include "memoserv/memoserv.h"

namespace nb {
namespace {

using MemoHandler = void (*)(const MemoSender& sender, const MemoMessage& message);

struct MemoCommandEntry {
    const char* word;
    bool needsWord1;
    const char* syntax;  // follows "Syntax Error: /msg <MemoServ nickname>"
    MemoHandler handler;
};

const MemoCommandEntry kMemoCommands[] = {
    {"help", false, "",
     [](const MemoSender& s, const MemoMessage& m) {
         s.services.help.SendServiceHelp(HelpService::MemoServ, s.slot, m.Word(1));
     }},
    {"read", true, " read <memo number/all>",
     [](const MemoSender& s, const MemoMessage& m) { ReadMemo(s, m.Word(1)); }},
    {"del", true, " del <memo number/all>",
     [](const MemoSender& s, const MemoMessage& m) { DeleteMemo(s, m.Word(1)); }},
    {"erase", true, " erase <memo number/all>",
     [](const MemoSender& s, const MemoMessage& m) { DeleteMemo(s, m.Word(1)); }},
    {"send", true, " send <nick> <message>",
     [](const MemoSender& s, const MemoMessage& m) { SendMemo(s, m.Word(1), m.RestAfter(1)); }},
    {"list", false, "", [](const MemoSender& s, const MemoMessage&) { ListMemos(s); }},
};

}  // namespace

void MemoServ::Dispatch(std::size_t senderSlot, const std::string& text) {
    MemoSender sender{services_, senderSlot, services_.users.At(senderSlot).nick};
    if (services_.dispatcher.IsUserIgnored(senderSlot)) {
        sender.Reply("You are currently being ignored by " + Bold("ALL") + " services, please try again later.");
        return;
    }
    MemoMessage message(text);
    std::string command = ToLower(message.Word(0));
    for (const MemoCommandEntry& entry : kMemoCommands) {
        if (command != entry.word) continue;
        if (entry.needsWord1 && message.Word(1).empty()) {
            sender.Reply("Syntax Error: /msg " + services_.names.memoServ + entry.syntax);
            return;
        }
        entry.handler(sender, message);
        return;
    }
    sender.Reply(Bold("Error") + ": Unknown command.  Please type: /msg " + services_.names.memoServ + " help");
    sender.Audit(message.Word(0) + " [Failed (unknown command)]");
}

}  // namespace nb
