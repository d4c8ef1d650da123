#include "services/ignore_list.h"

#include "core/text.h"
#include "core/wildcard.h"

namespace nb {

bool IgnoreList::Matches(const std::string& userMask) const {
    std::string mask = ToLower(userMask);
    for (const auto& entry : masks_.Entries()) {
        if (WildcardMatch(mask, ToLower(entry))) return true;
    }
    return false;
}

}  // namespace nb
