#include "link/server_link.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>

#include "core/text.h"

namespace nb {

namespace asio = boost::asio;
using asio::ip::tcp;

ServerLink::ServerLink(asio::io_context& io, Timers& timers, Console& console, const DebugLog& debugLog,
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
    framer_.Clear();
    pending_.clear();
    writing_.clear();
    flushScheduled_ = false;
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
                             "Unknown Protocol \"" + settings_.protocol + "\" in settings.ini; use classic or ngircd.");
        return;
    }
    console_.AppendLogText(
        LogBox::Status, "Please wait while NBII attempts to connect to " + settings_.host +
                            ".  If this process seems to take a long time, please hit cancel and recheck you settings.");
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
    dialect_->Reset({settings_.serverName, settings_.password, settings_.description});
    listener_.OnLinkUp();
    console_.AppendLogText(LogBox::Status, "NBII has successfully connected to " + settings_.host + "!");
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
    for (const auto& text : framed.lines) {
        auto wireLine = ParseIrcLine(text);
        if (!wireLine) continue;
        listener_.OnWireLine(*wireLine);
        for (const auto& line : dialect_->FromWire(*wireLine)) {
            listener_.OnLine(line);
            // A SQUIT of our own server reconnects: the rest belongs to the old link.
            if (generation != generation_) return;
        }
    }
}

void ServerLink::OnLinkFailed(const std::string& reason) {
    bool wasConnected = connected_;
    Close();
    std::string text = (wasConnected ? "Link to " : "Cannot connect to ") + settings_.host + ":" +
                       std::to_string(settings_.port) + " " + (wasConnected ? "lost" : "failed") + " (" + reason + ")";
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
    if (!connected_) return;
    for (const auto& wireLine : dialect_->ToWire(line)) {
        pending_ += wireLine;
        pending_ += '\n';
    }
    ScheduleFlush();
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

void ServerLink::Flush() {
    if (pending_.empty() || !writing_.empty()) return;
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
