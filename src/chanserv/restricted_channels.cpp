#include "chanserv/restricted_channels.h"

#include <algorithm>

#include "core/files.h"
#include "core/text.h"
#include "core/wildcard.h"

namespace nb {
namespace {

constexpr const char* kRestrictFile = "ChanServ/Restrict.nb2";

}  // namespace

RestrictedChannels::RestrictedChannels(const DataDirectory& data, Console& console, GroupCommit& commit)
    : console_(console), patterns_(data.Path(kRestrictFile), commit) {}

bool RestrictedChannels::IsChannelRestricted(const std::string& name) const {
    std::string lower = ToLower(name);
    return std::any_of(patterns_.Entries().begin(), patterns_.Entries().end(),
                       [&](const std::string& pattern) { return WildcardMatch(lower, pattern); });
}

bool RestrictedChannels::AddRestrictedChannel(const std::string& pattern) {
    if (pattern.empty()) {
        console_.ShowMessage("NBII - Error", "You must type in a keyword.");
        return false;
    }
    // One pattern a line: a line break would come back as two patterns.
    if (pattern.find_first_of("\r\n") != std::string::npos) {
        console_.ShowMessage("NBII - Error", "A keyword cannot hold a line break.");
        return false;
    }
    if (patterns_.Contains(pattern)) {
        console_.ShowMessage("NBII - Error", "Already added, please try a different keyword.");
        return false;
    }
    patterns_.Edit().push_back(pattern);
    return SaveRestrictedChannels();
}

bool RestrictedChannels::RemoveRestrictedChannel(std::optional<std::size_t> index) {
    if (!index || *index >= patterns_.Entries().size()) {
        console_.ShowMessage("NBII - Error", "You must select a keyword from the list.");
        return false;
    }
    patterns_.Edit().erase(patterns_.Edit().begin() + static_cast<std::ptrdiff_t>(*index));
    return SaveRestrictedChannels();
}

}  // namespace nb
