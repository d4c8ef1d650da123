// The channel-name patterns that may not be registered: ChanServ/Restrict.nb2, and the
// console's two operations on the list.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/data_dir.h"

namespace nb {

class RestrictedChannels {
public:
    RestrictedChannels(const DataDirectory& data, Console& console);

    // Reads the patterns up to the end of the file or its first empty line.
    void LoadRestrictedChannels();
    // Writes the list and reads it back. False when the file could not be written: the
    // operator is told and the list is what the file still holds.
    bool SaveRestrictedChannels();

    // The channel name in lower case against each pattern as stored.
    bool IsChannelRestricted(const std::string& name) const;

    // The console's add and remove: a refusal is shown to the operator; a change is saved.
    bool AddRestrictedChannel(const std::string& pattern);
    bool RemoveRestrictedChannel(std::optional<std::size_t> index);

    const std::vector<std::string>& Patterns() const { return patterns_; }

private:
    const DataDirectory& data_;
    Console& console_;
    std::vector<std::string> patterns_;
};

}  // namespace nb
