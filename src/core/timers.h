// One-shot timers. The program runs them on its event loop; tests fire them by hand.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace boost::asio {
class io_context;
}

namespace nb {

using TimerId = std::uint64_t;
using Milliseconds = std::chrono::milliseconds;

class Timers {
public:
    virtual ~Timers() = default;
    virtual TimerId StartTimer(Milliseconds delay, std::function<void()> onFire) = 0;
    // Cancelling a timer that already fired or never existed does nothing.
    virtual void CancelTimer(TimerId id) = 0;
};

class AsioTimers : public Timers {
public:
    explicit AsioTimers(boost::asio::io_context& io);
    ~AsioTimers() override;
    TimerId StartTimer(Milliseconds delay, std::function<void()> onFire) override;
    void CancelTimer(TimerId id) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Timers driven by Advance(): each fires, in deadline order, once its deadline is reached.
class ManualTimers : public Timers {
public:
    TimerId StartTimer(Milliseconds delay, std::function<void()> onFire) override;
    void CancelTimer(TimerId id) override;
    void Advance(Milliseconds by);
    std::size_t PendingCount() const { return pending_.size(); }

private:
    struct Pending {
        Milliseconds due;
        std::function<void()> onFire;
    };
    Milliseconds now_{0};
    TimerId nextId_ = 1;
    std::map<TimerId, Pending> pending_;
};

}  // namespace nb
