// Slow work (a password hash) off the event loop. The program runs it on a few threads and
// hands the result back to the loop; tests finish it by hand.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <utility>

namespace boost::asio {
class io_context;
}

namespace nb {

class Workers {
public:
    virtual ~Workers() = default;
    // `work` runs on a worker; `done` runs afterwards on the loop, never inside Submit.
    virtual void Submit(std::function<void()> work, std::function<void()> done) = 0;
};

class ThreadWorkers : public Workers {
public:
    ThreadWorkers(boost::asio::io_context& io, std::size_t threads);
    ~ThreadWorkers() override;
    void Submit(std::function<void()> work, std::function<void()> done) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Work waits until Finish() runs it, in the order it came, with its `done`.
class ManualWorkers : public Workers {
public:
    void Submit(std::function<void()> work, std::function<void()> done) override {
        queue_.emplace_back(std::move(work), std::move(done));
    }
    // Also what finishing brings in.
    void Finish() {
        while (!queue_.empty()) {
            auto [work, done] = std::move(queue_.front());
            queue_.pop_front();
            work();
            done();
        }
    }
    std::size_t PendingCount() const { return queue_.size(); }

private:
    std::deque<std::pair<std::function<void()>, std::function<void()>>> queue_;
};

}  // namespace nb
