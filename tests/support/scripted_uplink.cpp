#include "support/scripted_uplink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace nb::test {

ScriptedUplink::ScriptedUplink() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 4) != 0)
        throw std::runtime_error("cannot listen on loopback");
    socklen_t length = sizeof address;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
}

ScriptedUplink::~ScriptedUplink() {
    CloseConnection();
    if (listenFd_ >= 0) ::close(listenFd_);
}

bool ScriptedUplink::Accept(std::chrono::milliseconds timeout) {
    pollfd waiting{listenFd_, POLLIN, 0};
    if (::poll(&waiting, 1, static_cast<int>(timeout.count())) <= 0) return false;
    CloseConnection();
    connFd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    peerClosed_ = false;
    received_.clear();
    return connFd_ >= 0;
}

void ScriptedUplink::CloseConnection() {
    if (connFd_ >= 0) ::close(connFd_);
    connFd_ = -1;
}

void ScriptedUplink::SendRaw(std::string_view bytes) {
    std::size_t done = 0;
    while (connFd_ >= 0 && done < bytes.size()) {
        ssize_t sent = ::send(connFd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0) return;
        done += static_cast<std::size_t>(sent);
    }
}

bool ScriptedUplink::ReadOnce(std::chrono::milliseconds timeout) {
    if (connFd_ < 0 || peerClosed_) return false;
    pollfd waiting{connFd_, POLLIN, 0};
    if (::poll(&waiting, 1, static_cast<int>(std::max<long long>(0, timeout.count()))) <= 0) return false;
    char buffer[65536];
    ssize_t got = ::recv(connFd_, buffer, sizeof buffer, 0);
    if (got <= 0) {
        peerClosed_ = true;
        return false;
    }
    received_.append(buffer, static_cast<std::size_t>(got));
    return true;
}

bool ScriptedUplink::ReadUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || peerClosed_) return done();
        ReadOnce(left);
    }
    return true;
}

std::optional<std::size_t> ScriptedUplink::WaitForLineContaining(std::string_view part, std::size_t from,
                                                                 std::chrono::milliseconds timeout) {
    std::optional<std::size_t> found;
    ReadUntil([&] {
        auto lines = Lines();
        for (std::size_t i = from; i < lines.size() && !found; ++i)
            if (lines[i].find(part) != std::string::npos) found = i;
        return found.has_value();
    }, timeout);
    return found;
}

void ScriptedUplink::ReadFor(std::chrono::milliseconds duration) {
    ReadUntil([] { return false; }, duration);
}

bool ScriptedUplink::WaitForPeerClose(std::chrono::milliseconds timeout) {
    // ReadOnce notes the close; until then there is more to read.
    return ReadUntil([this] { return peerClosed_; }, timeout) || peerClosed_;
}

std::vector<std::string> ScriptedUplink::Lines() const {
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = received_.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(received_.substr(start, end - start));
    return lines;
}

}  // namespace nb::test
