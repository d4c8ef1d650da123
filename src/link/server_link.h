// The TCP link to the uplink IRC server: connects with the link settings, frames the received
// bytes into lines, parses each line once, translates the dialect, and sends every line that
// the handling of one received block produces in one write.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/debug_log.h"
#include "core/timers.h"
#include "link/dialect.h"
#include "link/line_framer.h"
#include "link/line_sink.h"
#include "link/link_listener.h"
#include "link/link_settings.h"

namespace nb {

class ServerLink : public LineSink, public LinkControl {
public:
    ServerLink(boost::asio::io_context& io, Timers& timers, Console& console, DebugLog& debugLog,
               const LinkSettings& settings, LinkListener& listener);

    void SendLine(std::string_view line) override;
    bool IsLinkConnected() const override { return connected_; }
    void ConnectToServer() override;
    void Disconnect(const std::string& reason) override;
    // Closes the link and stops retrying (program shutdown).
    void Shutdown();

private:
    void Close();
    void OnConnected();
    void StartRead();
    void OnReceived(std::string_view bytes);
    void HandleLines(const std::vector<std::string>& lines, unsigned generation);
    // One line in the uplink's dialect onto the send queue, fitted to the line limit.
    void QueueWireLine(const std::string& wireLine);
    void OnLinkFailed(const std::string& reason);
    void ScheduleFlush();
    void Flush();
    // Runs `action` after `delay`, unless the connection has changed by then.
    TimerId StartLinkTimer(std::chrono::milliseconds delay, std::function<void()> action);
    void WatchSilence();
    void OnSilence();

    boost::asio::io_context& io_;
    Timers& timers_;
    Console& console_;
    DebugLog& debugLog_;
    const LinkSettings& settings_;
    LinkListener& listener_;
    boost::asio::ip::tcp::resolver resolver_;
    boost::asio::ip::tcp::socket socket_;
    std::unique_ptr<Dialect> dialect_;
    LineFramer framer_;
    std::array<char, 8192> readBuffer_{};
    std::string pending_;  // lines waiting for the next write
    std::string writing_;  // the write in flight
    bool connected_ = false;
    bool flushScheduled_ = false;
    bool inBlock_ = false;  // lines queued now leave together at the block's end
    bool shutDown_ = false;
    bool queueFull_ = false;   // the uplink stopped reading: nothing more is queued
    unsigned generation_ = 0;  // handlers of an older connection see a different number
    TimerId retryTimer_ = 0;
    TimerId connectTimer_ = 0;
    TimerId silenceTimer_ = 0;
    std::chrono::steady_clock::time_point lastReceived_;
    bool pingSent_ = false;  // our PING is waiting for any line from the uplink
    std::optional<std::string> closeWhenWritten_;  // Disconnect's reason, until the queue is empty
};

}  // namespace nb
