#include "services/wrong_passwords.h"

namespace nb {
namespace {

OnlineUser* SenderOf(const CommandContext& context, OnlineUsers& users) {
    auto slot = users.FindOnlineUser(context.sender.nick);
    return slot ? &users.At(*slot) : nullptr;
}

}  // namespace

bool KilledForWrongPassword(const CommandContext& context, OnlineUsers& users, Outbound& out) {
    OnlineUser* sender = SenderOf(context, users);
    if (sender == nullptr || ++sender->badPasswords < kKillAfterWrongPasswords) return false;
    out.Kill(context.voice.Nick(), context.sender.nick, "Too many invalid passwords!");
    return true;
}

void RightPassword(const CommandContext& context, OnlineUsers& users) {
    if (OnlineUser* sender = SenderOf(context, users)) sender->badPasswords = 0;
}

}  // namespace nb
