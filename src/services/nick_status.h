// What the other services ask about a nickname's registration.
#pragma once

#include <string>

namespace nb {

class NickStatus {
public:
    virtual ~NickStatus() = default;
    virtual bool IsNickRegistered(const std::string& nick) const = 0;
    // Registered, and its owner has identified with the password on this link.
    virtual bool IsNickIdentified(const std::string& nick) const = 0;
};

}  // namespace nb
