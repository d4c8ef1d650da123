// Where the program reads the time, so tests can set it.
#pragma once

#include <chrono>

namespace nb {

using TimePoint = std::chrono::system_clock::time_point;

class Clock {
public:
    virtual ~Clock() = default;
    virtual TimePoint Now() const = 0;
};

class SystemClock : public Clock {
public:
    TimePoint Now() const override { return std::chrono::system_clock::now(); }
};

class FakeClock : public Clock {
public:
    explicit FakeClock(TimePoint start) : now_(start) {}
    TimePoint Now() const override { return now_; }
    void Advance(std::chrono::seconds by) { now_ += by; }
    void Set(TimePoint to) { now_ = to; }

private:
    TimePoint now_;
};

}  // namespace nb
