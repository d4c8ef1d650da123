// What the other services ask about a nickname's registration.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace nb {

class NickStatus {
public:
    virtual ~NickStatus() = default;
    virtual bool IsNickRegistered(const std::string& nick) const = 0;
    // Registered, and its owner has identified with the password on this link.
    virtual bool IsNickIdentified(const std::string& nick) const = 0;
    // The three access hosts of a registered nick, or nullopt when it is not registered.
    virtual std::optional<std::array<std::string, 3>> AccessHostsOf(const std::string&) const { return std::nullopt; }
};

}  // namespace nb
