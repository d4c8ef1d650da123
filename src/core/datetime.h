// The one place where dates and times become text. Local time, US layout.
#pragma once

#include <string>

#include "core/clock.h"

namespace nb {

std::string FormatGeneralDate(TimePoint when);  // "12/6/2026 9:07:15 PM"
std::string FormatShortDate(TimePoint when);    // "12/6/2026"
std::string FormatTimeOfDay(TimePoint when);    // "9:07:15 PM"

}  // namespace nb
