// debug.nb2 in the data directory: the start lines and what the uplink sent, one line each.
#pragma once

#include <filesystem>
#include <string>

#include "core/clock.h"

namespace nb {

class DebugLog {
public:
    DebugLog(std::filesystem::path file, const Clock& clock);
    // Appends "[<date and time>] <text>" CR LF; line breaks inside the text become blanks.
    void Write(const std::string& text) const;

private:
    std::filesystem::path file_;
    const Clock& clock_;
};

}  // namespace nb
