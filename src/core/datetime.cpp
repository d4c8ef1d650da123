#include "core/datetime.h"

#include <cstdio>
#include <ctime>

namespace nb {
namespace {

std::tm LocalTime(TimePoint when) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    return local;
}

std::string DateText(const std::tm& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%d/%d/%d", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900);
    return text;
}

std::string TimeText(const std::tm& t) {
    int hour12 = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d:%02d %s", hour12, t.tm_min, t.tm_sec,
                  t.tm_hour < 12 ? "AM" : "PM");
    return text;
}

}  // namespace

std::string FormatGeneralDate(TimePoint when) {
    std::tm t = LocalTime(when);
    return DateText(t) + " " + TimeText(t);
}

std::string FormatShortDate(TimePoint when) { return DateText(LocalTime(when)); }

std::string FormatTimeOfDay(TimePoint when) { return TimeText(LocalTime(when)); }

const std::string& DateTextCache::Text(TimePoint when) {
    auto second = std::chrono::floor<std::chrono::seconds>(when.time_since_epoch());
    if (second != second_) {
        text_ = format_(when);
        second_ = second;
    }
    return text_;
}

}  // namespace nb
