#include "link/server_link.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>

#include "core/text.h"
#include "link/line_limit.h"

namespace nb {

namespace asio = boost::asio;
using asio::ip::tcp;
using std::chrono::steady_clock;

namespace {

constexpr std::chrono::seconds kConnectTimeout{30};

}  // namespace

ServerLink::ServerLink(asio::io_context& io, Timers& timers, Console& console, DebugLog& debugLog,
                       const LinkSettings& settings, LinkListener& listener)
    : io_(io),
      timers_(timers),
      console_(console),
      debugLog_(debugLog),
      settings_(settings),
      listener_(listener),
      resolver_(io),
      socket_(io) {}

void ServerLink::Close() {
    ++generation_;
    connected_ = false;
    boost::system::error_code ignored;
    resolver_.cancel();
    socket_.shutdown(tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
    timers_.CancelTimer(connectTimer_);
    timers_.CancelTimer(silenceTimer_);
    framer_.Clear();
    // Give the memory of a full queue back, not just its contents.
    std::string().swap(pending_);
    std::string().swap(writing_);
    flushScheduled_ = false;
    queueFull_ = false;
    pingSent_ = false;
    closeWhenWritten_.reset();
}

void ServerLink::Disconnect(const std::string& reason) {
    if (!connected_) return;
    closeWhenWritten_ = reason;
    // The lines of the block that asked for it leave first (the block ends before the flush).
    unsigned generation = generation_;
    asio::post(io_, [this, generation] {
        if (generation == generation_ && pending_.empty() && writing_.empty() && closeWhenWritten_)
            OnLinkFailed(*closeWhenWritten_);
    });
}

TimerId ServerLink::StartLinkTimer(std::chrono::milliseconds delay, std::function<void()> action) {
    unsigned generation = generation_;
    return timers_.StartTimer(delay, [this, generation, action = std::move(action)] {
        if (generation == generation_) action();
    });
}

void ServerLink::Shutdown() {
    shutDown_ = true;
    timers_.CancelTimer(retryTimer_);
    Close();
}

void ServerLink::ConnectToServer() {
    Close();
    timers_.CancelTimer(retryTimer_);
    listener_.OnConnecting();
    dialect_ = MakeDialect(settings_.protocol);
    if (!dialect_) {
        console_.ShowMessage("NBII - Server Link",
                             "Unknown Protocol \"" + settings_.protocol + "\" in settings.ini; use classic, ngircd or inspircd.");
        return;
    }
    console_.AppendLogText(LogBox::Status, "Please wait while NBII attempts to connect to " + settings_.host + ":" +
                                               std::to_string(settings_.port) +
                                               " (IP/Host and Port in settings.ini).");
    connectTimer_ = StartLinkTimer(kConnectTimeout, [this] { OnLinkFailed("no connection within 30 seconds"); });
    unsigned generation = generation_;
    resolver_.async_resolve(
        settings_.host, std::to_string(settings_.port),
        [this, generation](const boost::system::error_code& error, const tcp::resolver::results_type& endpoints) {
            if (generation != generation_) return;
            if (error) return OnLinkFailed("cannot resolve " + settings_.host + ": " + error.message());
            asio::async_connect(socket_, endpoints,
                                [this, generation](const boost::system::error_code& connectError, const tcp::endpoint&) {
                                    if (generation != generation_) return;
                                    if (connectError) return OnLinkFailed(connectError.message());
                                    OnConnected();
                                });
        });
}

void ServerLink::OnConnected() {
    boost::system::error_code ignored;
    // Replies are small; without this each waits for the peer's delayed ACK.
    socket_.set_option(tcp::no_delay(true), ignored);
    connected_ = true;
    timers_.CancelTimer(connectTimer_);
    dialect_->Reset({settings_.serverName, settings_.password, settings_.description});
    listener_.OnLinkUp();
    console_.AppendLogText(LogBox::Status, "NBII has successfully connected to " + settings_.host + "!");
    // A flush must never wait on the socket.
    socket_.non_blocking(true, ignored);
    lastReceived_ = steady_clock::now();
    WatchSilence();
    StartRead();
}

void ServerLink::StartRead() {
    unsigned generation = generation_;
    socket_.async_read_some(asio::buffer(readBuffer_),
                            [this, generation](const boost::system::error_code& error, std::size_t size) {
                                if (generation != generation_) return;
                                if (error) {
                                    return OnLinkFailed(error == asio::error::eof ? "closed by the server"
                                                                                  : error.message());
                                }
                                lastReceived_ = steady_clock::now();
                                pingSent_ = false;
                                OnReceived(std::string_view(readBuffer_.data(), size));
                                if (generation == generation_) StartRead();
                            });
}

void ServerLink::OnReceived(std::string_view bytes) {
    unsigned generation = generation_;
    LineFramer::Result framed = framer_.Append(bytes);
    if (framed.droppedLongLines > 0) {
        debugLog_.Write("Dropped " + std::to_string(framed.droppedLongLines) + " received line(s) longer than 16 KiB");
    }
    inBlock_ = true;
    HandleLines(framed.lines, generation);
    // Also after a reconnect in the middle: what the block changed is written all the same.
    // Its replies, held until then, are sent at the end.
    listener_.OnBlockEnd();
    inBlock_ = false;
    if (generation == generation_) Flush();
}

void ServerLink::HandleLines(const std::vector<std::string>& lines, unsigned generation) {
    for (const auto& text : lines) {
        auto wireLine = ParseIrcLine(text);
        if (!wireLine) continue;
        listener_.OnWireLine(*wireLine);
        for (const auto& line : dialect_->FromWire(*wireLine)) {
            listener_.OnLine(line);
            // A SQUIT of our own server reconnects: the rest belongs to the old link.
            if (generation != generation_) return;
        }
        for (const auto& released : dialect_->TakeWireLines()) QueueWireLine(released);
    }
}

void ServerLink::OnLinkFailed(const std::string& reason) {
    bool wasConnected = connected_;
    Close();
    std::string where = settings_.host + ":" + std::to_string(settings_.port);
    std::string text = wasConnected ? "Link to " + where + " lost (" + reason + ")"
                                    : "Cannot connect to " + where + " (" + reason + ")";
    long long delay = settings_.reconnectDelaySeconds;
    if (shutDown_) return;
    if (delay > 0) text += "; trying again in " + std::to_string(delay) + (delay == 1 ? " second" : " seconds");
    console_.AppendLogText(LogBox::Status, text);
    debugLog_.Write(text);
    if (delay <= 0) return;
    retryTimer_ = timers_.StartTimer(std::chrono::seconds(delay), [this] { ConnectToServer(); });
}

void ServerLink::SendLine(std::string_view line) {
    // Outbound drops and logs what is sent while the link is down; nothing else reaches here.
    if (!connected_ || queueFull_) return;
    for (const auto& wireLine : dialect_->ToWire(line)) QueueWireLine(wireLine);
}

void ServerLink::QueueWireLine(const std::string& wireLine) {
    if (!connected_ || queueFull_) return;
    // The dialect may have made a line longer; the uplink would drop the link for it.
    for (const auto& fitted : FitLine(wireLine)) {
        pending_ += fitted;
        pending_ += '\n';
    }
    if (pending_.size() + writing_.size() > settings_.sendQueueBytes) {
        // An uplink that does not read would make the queue grow without end.
        queueFull_ = true;
        std::string().swap(pending_);
        std::size_t kib = settings_.sendQueueBytes / 1024;
        asio::post(io_, [this, generation = generation_, kib] {
            if (generation == generation_)
                OnLinkFailed("the server did not read our last " + std::to_string(kib) + " KiB (Send Queue)");
        });
        return;
    }
    // The block's own lines leave at its end; others once their handler returns.
    if (!inBlock_) ScheduleFlush();
}

// A quiet link gets a PING after the ping interval; when nothing at all arrives within as long
// again, the uplink is gone even if the connection still looks open.
void ServerLink::WatchSilence() {
    if (settings_.pingIntervalSeconds <= 0) return;
    auto interval = std::chrono::seconds(settings_.pingIntervalSeconds);
    auto quiet = steady_clock::now() - lastReceived_;
    auto wait = quiet < interval && !pingSent_ ? interval - quiet : interval;
    silenceTimer_ = StartLinkTimer(std::chrono::ceil<std::chrono::milliseconds>(wait), [this] { OnSilence(); });
}

void ServerLink::OnSilence() {
    auto interval = std::chrono::seconds(settings_.pingIntervalSeconds);
    if (pingSent_) {
        OnLinkFailed("no answer from the server for " + std::to_string(2 * settings_.pingIntervalSeconds) + " seconds");
        return;
    }
    if (steady_clock::now() - lastReceived_ >= interval) {
        SendLine(":" + settings_.serverName + " PING :" + settings_.serverName);
        pingSent_ = true;
    }
    WatchSilence();
}

// Everything sent while one event is handled leaves together once the handler returns.
void ServerLink::ScheduleFlush() {
    if (flushScheduled_ || !writing_.empty()) return;
    flushScheduled_ = true;
    unsigned generation = generation_;
    asio::post(io_, [this, generation] {
        if (generation != generation_) return;
        flushScheduled_ = false;
        Flush();
    });
}

// What the socket takes at once is written now; only a remainder waits for the socket, so a
// write costs no further round through the loop.
void ServerLink::Flush() {
    if (!writing_.empty()) return;
    if (!pending_.empty()) {
        boost::system::error_code error;
        std::size_t sent = socket_.write_some(asio::buffer(pending_), error);
        if (error && error != asio::error::would_block) return OnLinkFailed(error.message());
        pending_.erase(0, sent);
    }
    if (pending_.empty()) {
        if (closeWhenWritten_) OnLinkFailed(*closeWhenWritten_);
        return;
    }
    writing_.swap(pending_);
    unsigned generation = generation_;
    asio::async_write(socket_, asio::buffer(writing_), [this, generation](const boost::system::error_code& error, std::size_t) {
        if (generation != generation_) return;
        writing_.clear();
        if (error) return OnLinkFailed(error.message());
        Flush();
    });
}

}  // namespace nb
