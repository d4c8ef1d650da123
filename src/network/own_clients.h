// Our own pseudo-clients, as far as the network state needs to know them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace nb {

class OwnClients {
public:
    virtual ~OwnClients() = default;
    virtual bool IsOwnClient(const std::string& nick) const = 0;
    virtual std::vector<std::string> OwnNicks() const = 0;
    // A client made at run time (the bot) leaves; the services stay.
    virtual void RemoveOwnClient(const std::string& nick) = 0;
};

}  // namespace nb
