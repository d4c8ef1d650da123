// One user on the network, as the services keep it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

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
    std::string mask;                   // nick!ident@host
    std::string connectTime;            // time of day, blank, date
    std::size_t slotIndex = 0;
    ReplyType replyType = ReplyType::Notice;
    int operLevel = 0;  // OperServ level while logged in
    bool override = false;
};

}  // namespace nb
