// The real nimbral2 binary on a data directory, and a loopback server that plays its uplink:
// it accepts the link, keeps every byte received, and sends on cue.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <functional>
#include <optional>
#include <thread>

#include "core/settings.h"
#include "support/fixture.h"

namespace nb::test {

using namespace std::chrono_literals;

// settings.ini linked to 127.0.0.1:<port>, the first run done, a new try after one second;
// `overrides` maps "Section/Key" to a value.
inline void WriteTestSettings(const std::filesystem::path& dataDir, int port, std::map<std::string, std::string> values = {}) {
    values.insert({{"Server Information/IP/Host", "127.0.0.1"}, {"Server Information/Port", std::to_string(port)},
                   {"Global/FirstTime", "1"}, {"General/Reconnect Delay", "1"}});
    std::filesystem::create_directories(dataDir);
    Settings settings(dataDir / "settings.ini");
    for (const auto& [name, value] : values) settings.Set(name.substr(0, name.find('/')), name.substr(name.find('/') + 1), value);
    settings.Save();
}

// The binary with its terminal output in a file beside the data directory.
class ServicesProcess {
public:
    ~ServicesProcess() { Stop(); }
    void Start(const std::filesystem::path& dataDir, std::vector<std::string> args = {}) {
        output_ = dataDir.string() + ".out";
        args.insert(args.begin(), {NB_BINARY_PATH, "--data-dir", dataDir.string()});
        if ((pid_ = ::fork()) != 0) return;
        int out = ::open(output_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
        ::dup2(::open("/dev/null", O_RDONLY), STDIN_FILENO);
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    // The exit status once the process ended by itself, or -1 when the time is up first.
    int WaitForExit(std::chrono::milliseconds timeout) {
        for (auto end = std::chrono::steady_clock::now() + timeout; pid_ > 0; std::this_thread::sleep_for(10ms)) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() > end) break;
        }
        return -1;
    }
    // SIGTERM; SIGKILL when it has not ended after 5 seconds. The exit status, or -1.
    int Stop() {
        if (pid_ <= 0) return -1;
        ::kill(pid_, SIGTERM);
        int status = WaitForExit(5s);
        Kill();
        return status;
    }
    void Signal(int signal) {
        if (pid_ > 0) ::kill(pid_, signal);
    }
    // SIGKILL: the process gets no chance to finish what it was doing.
    void Kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    std::string Output() const { return ReadWhole(output_); }
    // Resident memory in KiB (0 when it cannot be read).
    long ResidentKiB() const {
        std::istringstream status(ReadWhole("/proc/" + std::to_string(pid_) + "/status"));
        for (std::string field; status >> field;)
            if (field == "VmRSS:" && status >> field) return std::stol(field);
        return 0;
    }

private:
    pid_t pid_ = -1;
    std::string output_;
};

class ScriptedUplink {
public:
    explicit ScriptedUplink(int backlog = 4) {
        sockaddr_in address{.sin_family = AF_INET, .sin_port = 0, .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
        socklen_t length = sizeof address;
        if (::bind(listen_, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(listen_, backlog) != 0)
            throw std::runtime_error("cannot listen on loopback");
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~ScriptedUplink() {
        CloseConnection();
        ::close(listen_);
    }
    ScriptedUplink(const ScriptedUplink&) = delete;

    int Port() const { return port_; }
    bool Accept(std::chrono::milliseconds timeout = 10s) {
        pollfd waiting{listen_, POLLIN, 0};
        if (::poll(&waiting, 1, static_cast<int>(timeout.count())) <= 0) return false;
        CloseConnection();
        connection_ = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        closed_ = false;
        received_.clear();
        return connection_ >= 0;
    }
    void CloseConnection() {
        if (connection_ >= 0) ::close(connection_);
        connection_ = -1;
    }
    void SendRaw(std::string_view bytes) {
        for (ssize_t sent = 0; connection_ >= 0 && !bytes.empty(); bytes.remove_prefix(sent))
            if ((sent = ::send(connection_, bytes.data(), bytes.size(), MSG_NOSIGNAL)) <= 0) return;
    }
    void SendLine(std::string_view line) { SendRaw(std::string(line) + "\r\n"); }

    // Reads until `done` holds, the peer has closed or the time is up; whether `done` holds.
    bool ReadUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        for (auto end = std::chrono::steady_clock::now() + timeout; !done();) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd waiting{connection_, POLLIN, 0};
            if (left.count() <= 0 || closed_ || connection_ < 0) return done();
            if (::poll(&waiting, 1, static_cast<int>(left.count())) <= 0) continue;
            char buffer[65536];
            ssize_t got = ::recv(connection_, buffer, sizeof buffer, 0);
            closed_ = got <= 0;
            if (got > 0) received_.append(buffer, static_cast<std::size_t>(got));
        }
        return true;
    }
    // The index of the first line from `from` on that holds `part`, reading until it came.
    std::optional<std::size_t> WaitForLine(std::string_view part, std::size_t from = 0, std::chrono::milliseconds timeout = 10s) {
        std::optional<std::size_t> found;
        ReadUntil([&] {
            test::Lines lines = this->Lines();
            for (std::size_t i = from; i < lines.size() && !found; ++i)
                if (lines[i].find(part) != std::string::npos) found = i;
            return found.has_value();
        }, timeout);
        return found;
    }
    void ReadFor(std::chrono::milliseconds duration) { ReadUntil([] { return false; }, duration); }
    bool WaitForPeerClose(std::chrono::milliseconds timeout = 10s) { return ReadUntil([this] { return closed_; }, timeout); }

    // Whole lines without their LF.
    test::Lines Lines() const {
        test::Lines lines;
        for (std::size_t start = 0, end; (end = received_.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(received_.substr(start, end - start));
        return lines;
    }

private:
    int listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int connection_ = -1;
    int port_ = 0;
    bool closed_ = false;
    std::string received_;
};

// The binary on a temporary data directory, and its uplink.
struct ProcessTest : ::testing::Test {
    // Starts the binary and waits for its link and the end of its handshake.
    void StartAndLink() {
        process.Start(dataDir);
        AcceptLink();
    }
    void AcceptLink() {
        ASSERT_TRUE(uplink.Accept()) << process.Output();
        ASSERT_TRUE(uplink.WaitForLine("PING :services.localhost")) << process.Output();
    }
    TempDir dir;
    std::filesystem::path dataDir = dir.Path() / "data";
    ScriptedUplink uplink;
    ServicesProcess process;
};

}  // namespace nb::test
