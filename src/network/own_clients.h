// Our own pseudo-clients, as far as the network state needs to know them.
#pragma once

#include <cstddef>
#include <string>

namespace nb {

class OwnClients {
public:
    virtual ~OwnClients() = default;
    virtual bool IsOwnClient(const std::string& nick) const = 0;
    virtual std::size_t OwnClientCount() const = 0;
    virtual const std::string& OwnNick(std::size_t index) const = 0;
};

}  // namespace nb
