// One user on the network, as the services keep it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/clock.h"

namespace nb {

// How the services answer a user.
enum class ReplyType { Notice, Privmsg };

// "NOTICE" or "PRIVMSG", the command the reply type stands for.
const char* ReplyCommand(ReplyType type);

struct OnlineUser {
    std::string nick;
    std::string ident;
    std::string host;
    std::optional<std::string> server;  // none when the introduction named no usable server
    TimePoint connectedAt;
    std::size_t slotIndex = 0;
    // Never given to another user while the program runs: what a user did (identify, log in)
    // stays with this record, whoever takes the nick or the slot later.
    std::uint64_t id = 0;
    ReplyType replyType = ReplyType::Notice;
    int operLevel = 0;  // OperServ level while logged in
    bool override = false;
    int badPasswords = 0;  // wrong passwords given to any service since the last kill

    // "nick!ident@host", what masks are matched against. Made when asked: a network has many
    // users, and few of them are matched at any time.
    std::string Mask() const { return nick + "!" + ident + "@" + host; }
};

// The time of day, a blank and the date the user came.
std::string ConnectTimeText(const OnlineUser& user);

}  // namespace nb
