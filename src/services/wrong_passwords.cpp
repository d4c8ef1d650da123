#include "services/wrong_passwords.h"

namespace nb {
namespace {

OnlineUser* SenderOf(const CommandContext& context, OnlineUsers& users) {
    auto slot = users.FindOnlineUser(context.sender.nick);
    return slot ? &users.At(*slot) : nullptr;
}

}  // namespace

void RefuseWrongPassword(const CommandContext& context, OnlineUsers& users, Outbound& out, const std::string& reply,
                         const std::string& auditWords, const AuditLine& audit) {
    auto write = [&](const std::string& text) { audit ? audit(text) : context.Audit(text); };
    OnlineUser* sender = SenderOf(context, users);
    if (sender != nullptr && ++sender->badPasswords >= kKillAfterWrongPasswords) {
        out.Kill(context.voice.Nick(), context.sender.nick, "Too many invalid passwords!");
        return write(auditWords + " [Failed (too many invalid passwords, user killed)]");
    }
    context.Reply(reply);
    write(auditWords + " [Failed (invalid password)]");
}

void RightPassword(const CommandContext& context, OnlineUsers& users) {
    if (OnlineUser* sender = SenderOf(context, users)) sender->badPasswords = 0;
}

}  // namespace nb
