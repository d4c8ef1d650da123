#include "memoserv/memoserv.h"

#include "core/datetime.h"
#include "core/text.h"

namespace nb {
namespace {

// A nick and a message: an empty memo is no message, the user most likely forgot it.
bool SendWords(const CommandWords& words) { return !words[1].empty() && !words.RestAfter(1).empty(); }

}  // namespace

MemoServ::MemoServ(const DataDirectory& data, Console& console, GroupCommit& commit, const Clock& clock,
                   const OnlineUsers& users,
                   const NickStatus& nicks, const ServiceClient& nickServ, const ServiceHelp& help,
                   const ServiceVoice& voice)
    : database_(data, console, commit, clock),
      users_(users),
      nicks_(nicks),
      nickServ_(nickServ),
      help_(help),
      voice_(voice) {
    auto run = HandlersOf(this);
    table_.commands = {
        {"help", Words<0>, "", Gate::None, "HELP", {}, run(&MemoServ::Help)},
        {"read", Words<1>, " read <memo number/all>", Gate::Identified, "READ", {}, run(&MemoServ::Read)},
        {"del", Words<1>, " del <memo number/all>", Gate::Identified, "DEL/ERASE", {}, run(&MemoServ::Delete)},
        {"erase", Words<1>, " erase <memo number/all>", Gate::Identified, "DEL/ERASE", {}, run(&MemoServ::Delete)},
        {"send", SendWords, " send <nick> <message>", Gate::Identified, "SEND", {}, run(&MemoServ::Send)},
        {"list", Words<0>, "", Gate::Identified, "LIST", {}, run(&MemoServ::List)},
    };
    table_.refusals.notIdentified = [this](const CommandContext& context, const Command& command) {
        if (RefusesSender(context, command)) return;
        context.Reply(Bold("Error") + ": You must identify with " + nickServ_.nick + "!");
        context.Audit(command.auditName + " [Failed (user not identified)]");
    };
}

void MemoServ::MemosChanged(const CommandContext& context, std::string failureReply, std::string failureAudit) {
    context.Changed(database_.MemoTable(), [context, failureReply, failureAudit] {
        context.Reply(failureReply);
        context.Audit(failureAudit);
    });
}

std::string MemoServ::NumberedHeading(std::size_t number, const Memo& memo) {
    return "Message " + Bold("#" + std::to_string(number)) + " from: " + Bold(memo.from) + " [" + Bold(memo.sentOn) +
           "]";
}

void MemoServ::NotifyMemoCount(std::size_t slot) {
    std::size_t count = MemoSlotsOf(users_.At(slot).nick).size();
    if (count == 0) return;
    voice_.Reply(slot, "You currently have " + Bold(std::to_string(count)) + " waiting to be read.");
}

void MemoServ::TellNewMemo(const std::string& to) {
    auto slot = users_.FindOnlineUser(to);
    if (!slot) return;
    voice_.Reply(*slot, "You have a message waiting for you (just sent).");
    voice_.Reply(*slot, "Type: /msg " + voice_.Nick() + " read all");
}

void MemoServ::Help(const CommandContext& context) {
    help_.SendServiceHelp(context.voice, context.sender, context.words[1]);
}

// A registered sender, and (for send) a registered recipient, in that order; the identified
// sender is the gate's own test.
bool MemoServ::RefusesSender(const CommandContext& context, const Command& command) const {
    const std::string& nickServ = nickServ_.nick;
    bool send = command.word == "send";
    if (!nicks_.IsNickRegistered(context.sender.nick)) {
        context.Reply(Bold("Error") + ": You must be registered with " + nickServ + "!");
        context.Audit(send ? "SEND [Failed (sender not registered)]" : command.auditName + " [Failed (user not registered)]");
        return true;
    }
    const std::string& recipient = context.words[1];
    if (send && !nicks_.IsNickRegistered(recipient)) {
        context.Reply(Bold("Error") + ": That nick (" + Bold(recipient) + ") is currently not registered with " +
                      nickServ + "!");
        context.Audit("SEND [Failed (reciever not registered)]");
        return true;
    }
    return false;
}

}  // namespace nb
