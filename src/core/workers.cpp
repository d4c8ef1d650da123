#include "core/workers.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/thread_pool.hpp>

#include <sys/resource.h>
#include <unistd.h>

namespace nb {

struct ThreadWorkers::Impl {
    Impl(boost::asio::io_context& io, std::size_t threads) : io(io), pool(threads) {}
    boost::asio::io_context& io;
    boost::asio::thread_pool pool;
};

ThreadWorkers::ThreadWorkers(boost::asio::io_context& io, std::size_t threads)
    : impl_(std::make_unique<Impl>(io, threads)) {}

// Waits for the work under way; what it hands back is dropped with the loop.
ThreadWorkers::~ThreadWorkers() { impl_->pool.join(); }

void ThreadWorkers::Submit(std::function<void()> work, std::function<void()> done) {
    boost::asio::post(impl_->pool, [this, work = std::move(work), done = std::move(done)]() mutable {
        // The loop answers everyone else: on a busy machine a worker gives way to it.
        thread_local const bool niced = ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10) == 0;
        (void)niced;
        work();
        boost::asio::post(impl_->io, std::move(done));
    });
}

}  // namespace nb
