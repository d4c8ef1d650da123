// The masks of users whom the services do not answer: Ignore.nb2, one mask a line.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "services/stored_list.h"

namespace nb {

class IgnoreList {
public:
    IgnoreList(std::filesystem::path file, GroupCommit& commit) : masks_(std::move(file), commit) {}

    // Masks compare without regard to letter case, like every IRC mask.
    bool Matches(const std::string& userMask) const;
    // Wildcard masks of "nick!ident@host", in list order.
    StoredList& Masks() { return masks_; }
    const std::vector<std::string>& Entries() const { return masks_.Entries(); }

private:
    StoredList masks_;
};

}  // namespace nb
