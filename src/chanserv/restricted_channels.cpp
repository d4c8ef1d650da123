#include "chanserv/restricted_channels.h"

#include <algorithm>

#include "core/files.h"
#include "core/text.h"
#include "core/wildcard.h"

namespace nb {
namespace {

constexpr const char* kRestrictFile = "ChanServ/Restrict.nb2";

}  // namespace

RestrictedChannels::RestrictedChannels(const DataDirectory& data, Console& console) : data_(data), console_(console) {}

void RestrictedChannels::LoadRestrictedChannels() {
    patterns_.clear();
    for (const std::string& line : ReadTextLines(data_.Path(kRestrictFile))) {
        if (line.empty()) break;
        patterns_.push_back(line);
    }
}

bool RestrictedChannels::SaveRestrictedChannels() {
    std::string content;
    for (const std::string& pattern : patterns_) content += pattern + "\r\n";
    bool written = data_.WriteFile(kRestrictFile, content);
    if (!written) {
        console_.ShowMessage("NBII - ChanServ",
                             "Cannot write " + data_.Path(kRestrictFile).string() + "; the change was not saved.");
    }
    LoadRestrictedChannels();
    return written;
}

bool RestrictedChannels::IsChannelRestricted(const std::string& name) const {
    std::string lower = ToLower(name);
    return std::any_of(patterns_.begin(), patterns_.end(),
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
    if (std::any_of(patterns_.begin(), patterns_.end(), [&](const std::string& old) { return IEquals(old, pattern); })) {
        console_.ShowMessage("NBII - Error", "Already added, please try a different keyword.");
        return false;
    }
    patterns_.push_back(pattern);
    return SaveRestrictedChannels();
}

bool RestrictedChannels::RemoveRestrictedChannel(std::optional<std::size_t> index) {
    if (!index || *index >= patterns_.size()) {
        console_.ShowMessage("NBII - Error", "You must select a keyword from the list.");
        return false;
    }
    patterns_.erase(patterns_.begin() + static_cast<std::ptrdiff_t>(*index));
    return SaveRestrictedChannels();
}

}  // namespace nb
