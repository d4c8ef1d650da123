// What the other services ask about a nickname's registration.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "network/online_user.h"

namespace nb {

class NickStatus {
public:
    virtual ~NickStatus() = default;
    virtual bool IsNickRegistered(const std::string& nick) const = 0;
    // The user's nick is registered and this user identified to it with its password.
    virtual bool IsIdentified(const OnlineUser& user) const = 0;
    // The three access hosts of a registered nick, or nullopt when it is not registered.
    virtual std::optional<std::array<std::string, 3>> AccessHostsOf(const std::string&) const { return std::nullopt; }
};

}  // namespace nb
