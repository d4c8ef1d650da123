#include "core/services.h"
#include "memoserv/memo_commands.h"

namespace nb {

void MemoSender::Reply(const std::string& text) const { services.out.Reply(services.names.memoServ, slot, text); }

void MemoSender::Audit(const std::string& text) const {
    services.out.LogToBotChannel(services.names.memoServ, "[" + Bold(nick) + "] " + text);
}

MemoMessage::MemoMessage(const std::string& message) : text(message) {
    for (const std::string& word : SplitWords(message)) words.push_back(Trim(word));
}

std::string MemoMessage::Word(std::size_t index) const { return index < words.size() ? words[index] : ""; }

std::string MemoMessage::RestAfter(std::size_t index) const {
    // Words were cut at single blanks, so word n + 1 starts after n + 1 blanks.
    std::size_t start = 0;
    for (std::size_t i = 0; i <= index && start <= text.size(); ++i) {
        std::size_t blank = text.find(' ', start);
        if (blank == std::string::npos) return "";
        start = blank + 1;
    }
    return Trim(text.substr(start));
}

bool PassesMemoChecks(const MemoSender& sender, const std::string& name, const std::string* recipient) {
    NickServ& nickServ = sender.services.nickServ;
    const std::string& nickServNick = sender.services.names.nickServ;
    if (!nickServ.IsNickRegistered(sender.nick)) {
        sender.Reply(Bold("Error") + ": You must be registered with " + nickServNick + "!");
        sender.Audit(recipient != nullptr ? "SEND [Failed (sender not registered)]"
                                          : name + " [Failed (user not registered)]");
        return false;
    }
    if (recipient != nullptr && !nickServ.IsNickRegistered(*recipient)) {
        sender.Reply(Bold("Error") + ": That nick (" + Bold(*recipient) +
                     ") is currently not registered with " + nickServNick + "!");
        sender.Audit("SEND [Failed (reciever not registered)]");
        return false;
    }
    if (!nickServ.IsNickIdentified(sender.nick)) {
        sender.Reply(Bold("Error") + ": You must identify with " + nickServNick + "!");
        sender.Audit(name + " [Failed (user not identified)]");
        return false;
    }
    return true;
}

}  // namespace nb
