#include "core/timers.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>

namespace nb {

struct AsioTimers::Impl {
    explicit Impl(boost::asio::io_context& context) : io(context) {}
    boost::asio::io_context& io;
    TimerId nextId = 1;
    std::map<TimerId, std::unique_ptr<boost::asio::steady_timer>> running;
};

AsioTimers::AsioTimers(boost::asio::io_context& io) : impl_(std::make_unique<Impl>(io)) {}

AsioTimers::~AsioTimers() = default;

TimerId AsioTimers::StartTimer(Milliseconds delay, std::function<void()> onFire) {
    TimerId id = impl_->nextId++;
    auto timer = std::make_unique<boost::asio::steady_timer>(impl_->io, delay);
    timer->async_wait([this, id, onFire = std::move(onFire)](const boost::system::error_code& error) {
        if (error) return;  // cancelled
        impl_->running.erase(id);
        onFire();
    });
    impl_->running.emplace(id, std::move(timer));
    return id;
}

void AsioTimers::CancelTimer(TimerId id) {
    auto found = impl_->running.find(id);
    if (found == impl_->running.end()) return;
    found->second->cancel();
    impl_->running.erase(found);
}

TimerId ManualTimers::StartTimer(Milliseconds delay, std::function<void()> onFire) {
    TimerId id = nextId_++;
    pending_.emplace(id, Pending{now_ + delay, std::move(onFire)});
    return id;
}

void ManualTimers::CancelTimer(TimerId id) { pending_.erase(id); }

void ManualTimers::Advance(Milliseconds by) {
    Milliseconds target = now_ + by;
    for (;;) {
        auto next = pending_.end();
        for (auto it = pending_.begin(); it != pending_.end(); ++it) {
            if (it->second.due <= target && (next == pending_.end() || it->second.due < next->second.due))
                next = it;
        }
        if (next == pending_.end()) break;
        now_ = next->second.due;
        auto onFire = std::move(next->second.onFire);
        pending_.erase(next);
        onFire();
    }
    now_ = target;
}

}  // namespace nb
