// What the other services ask about the channels registered with ChanServ.
#pragma once

#include <string>
#include <vector>

namespace nb {

class ChannelRegistry {
public:
    virtual ~ChannelRegistry() = default;
    virtual bool IsChannelRegistered(const std::string& name) const = 0;
    // In the order they were registered.
    virtual std::vector<std::string> RegisteredChannelNames() const = 0;
};

}  // namespace nb
