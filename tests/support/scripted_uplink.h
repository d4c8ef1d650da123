// A loopback TCP server that plays the uplink IRC server: it accepts the services' link,
// records every received byte, and sends lines (whole or split across writes) on cue.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nb::test {

using namespace std::chrono_literals;

class ScriptedUplink {
public:
    ScriptedUplink();
    ~ScriptedUplink();
    ScriptedUplink(const ScriptedUplink&) = delete;
    ScriptedUplink& operator=(const ScriptedUplink&) = delete;

    int Port() const { return port_; }
    bool Accept(std::chrono::milliseconds timeout = 5s);
    void CloseConnection();

    void SendRaw(std::string_view bytes);
    void SendLine(std::string_view line) { SendRaw(std::string(line) + "\r\n"); }

    // Reads until a line containing `part` arrives after line `from`; its index, or nullopt.
    std::optional<std::size_t> WaitForLineContaining(std::string_view part, std::size_t from = 0,
                                                     std::chrono::milliseconds timeout = 5s);
    // Reads for the given time and returns what came.
    void ReadFor(std::chrono::milliseconds duration);
    // True once the peer closed the connection.
    bool WaitForPeerClose(std::chrono::milliseconds timeout = 5s);

    const std::string& Received() const { return received_; }
    // Whole lines without their LF.
    std::vector<std::string> Lines() const;

private:
    bool ReadOnce(std::chrono::milliseconds timeout);
    bool ReadUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    int listenFd_ = -1;
    int connFd_ = -1;
    int port_ = 0;
    bool peerClosed_ = false;
    std::string received_;
};

}  // namespace nb::test
