// The one place where dates and times become text. Local time, US layout.
#pragma once

#include <string>

#include "core/clock.h"

namespace nb {

std::string FormatGeneralDate(TimePoint when);  // "12/6/2026 9:07:15 PM"
std::string FormatShortDate(TimePoint when);    // "12/6/2026"
std::string FormatTimeOfDay(TimePoint when);    // "9:07:15 PM"

// One of those texts, made once per second: a burst logs thousands of lines in one.
class DateTextCache {
public:
    using Format = std::string (*)(TimePoint);
    explicit DateTextCache(Format format) : format_(format) {}
    const std::string& Text(TimePoint when);

private:
    Format format_;
    std::chrono::seconds second_{-1};
    std::string text_;
};

}  // namespace nb
