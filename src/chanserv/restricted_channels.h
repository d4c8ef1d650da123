// The channel-name patterns that may not be registered: ChanServ/Restrict.nb2, and the
// console's two operations on the list.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/data_dir.h"
#include "services/stored_list.h"

namespace nb {

class RestrictedChannels {
public:
    RestrictedChannels(const DataDirectory& data, Console& console, GroupCommit& commit);

    // Reads the patterns up to the end of the file or its first empty line.
    void LoadRestrictedChannels() { patterns_.Load(); }
    // Writes the list (at the end of the block). False when the file could not be written: the
    // operator is told and the list is what the file still holds.
    bool SaveRestrictedChannels() { return patterns_.Changed(); }

    // The channel name in lower case against each pattern as stored.
    bool IsChannelRestricted(const std::string& name) const;

    // The console's add and remove: a refusal is shown to the operator; a change is saved.
    bool AddRestrictedChannel(const std::string& pattern);
    bool RemoveRestrictedChannel(std::optional<std::size_t> index);

    const std::vector<std::string>& Patterns() const { return patterns_.Entries(); }

private:
    Console& console_;
    StoredList patterns_;
};

}  // namespace nb
