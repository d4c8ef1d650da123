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
    return AddKeyword(patterns_, console_, pattern);
}

bool RestrictedChannels::RemoveRestrictedChannel(std::optional<std::size_t> index) {
    return RemoveKeyword(patterns_, console_, index);
}

}  // namespace nb
