// The masks of users whom the services do not answer.
#pragma once

#include <string>
#include <vector>

namespace nb {

struct IgnoreList {
    std::vector<std::string> masks;  // wildcard masks of "nick!ident@host", in list order

    // Masks compare without regard to letter case, like every IRC mask.
    bool Matches(const std::string& userMask) const;
};

}  // namespace nb
