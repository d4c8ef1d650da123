// A Services object over a temporary data directory, a capturing link, a fake clock, manual
// timers and a recording console; and a count of the atomic writes of a folder.
#pragma once

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/program.h"
#include "core/journal.h"
#include "app/services.h"

namespace nb::test {

using Lines = std::vector<std::string>;

// A folder of its own, removed with all it holds at the end.
struct TempDir {
    TempDir() { std::filesystem::create_directories(path_); }
    ~TempDir() { std::filesystem::remove_all(path_, ignored_); }
    TempDir(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    const std::filesystem::path path_ = std::filesystem::temp_directory_path() / ("nimbral-test-" + std::to_string(std::random_device{}()));
    std::error_code ignored_;
};

// The journal moved aside and a link to it put in its place: it reads as before, and every
// append to it is refused.
inline void BlockJournal(const std::filesystem::path& dataDir, bool block) {
    const auto journal = dataDir / "Changes.journal", aside = dataDir / "Changes.journal.aside";
    if (block) {
        std::ofstream(journal, std::ios::app).close();  // there even before the first change
        std::filesystem::rename(journal, aside);
        std::filesystem::create_symlink(aside, journal);
    } else {
        std::filesystem::remove(journal);
        std::filesystem::rename(aside, journal);
    }
}

inline std::string ReadWhole(const std::filesystem::path& path) {
    std::ostringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

class CapturingLink : public LineSink, public LinkControl {
public:
    void SendLine(std::string_view line) override { lines.emplace_back(line); }
    bool IsLinkConnected() const override { return connected; }
    void ConnectToServer() override {}
    void Disconnect(const std::string& reason) override { disconnected = reason; }
    // The lines sent since the last call.
    Lines Take() { return std::exchange(lines, {}); }

    Lines lines;
    bool connected = true;
    std::string disconnected;  // the reason of the last Disconnect
};

class RecordingConsole : public Console {
public:
    void ShowMessage(const std::string& title, const std::string& text) override { messages.push_back(title + ": " + text); }
    void AskYesNo(const std::string&, const std::string& question, YesNoAnswer answer) override {
        asked.push_back(question);
        answer(yesNoAnswer);
    }
    // Answers from `answers` in turn while there are any, then "no answer".
    void PromptInput(const std::string&, const std::string& prompt, const std::string&, InputAnswer answer) override {
        asked.push_back(prompt);
        if (answers.empty()) return answer(std::nullopt);
        std::optional<std::string> next = answers.front();
        answers.pop_front();
        answer(next);
    }
    void AppendLogText(LogBox box, const std::string& text) override {
        boxes[box].push_back(text);
        if (box == LogBox::RawTraffic) raw.push_back(text);
        if (box == LogBox::Status || box == LogBox::BotInfo || box == LogBox::WebServer) status.push_back(text);
    }

    Lines messages, raw, status;
    std::map<LogBox, Lines> boxes;  // every box
    Lines asked;  // questions and prompts, in order
    std::deque<std::optional<std::string>> answers;
    bool yesNoAnswer = false;
};

// 6 December 2026, 21:07:15 local time.
inline TimePoint TestStartTime() {
    std::tm local{};
    std::istringstream("2026-12-06 21:07:15") >> std::get_time(&local, "%Y-%m-%d %H:%M:%S");
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

struct ServicesFixture {
    ServicesFixture() = default;
    // Over the data directory of other services: the program started again.
    explicit ServicesFixture(std::filesystem::path data) : dataDir(std::move(data)) {}
    // Start-up, then a link and the end of the uplink's burst (its first PING): what that sent is
    // taken away, so tests see only their own lines.
    void StartLinked() {
        program.Start("testhost");
        services.OnLinkUp();
        Receive("PING :irc.example.org");
        link.Take();
    }
    // A received line as a block of its own unless `endsBlock` is false: logged, acted on, and
    // what it changed written.
    void Receive(const std::string& text, bool endsBlock = true) {
        if (auto line = ParseIrcLine(text)) {
            services.OnWireLine(*line);
            services.OnLine(*line);
        }
        if (endsBlock) services.OnBlockEnd();
        if (endsBlock && !holdWorkers) workers.Finish();  // as the loop would bring their answers
    }
    // The classic introduction: NICK <nick> 1 <ts> <ident> <host> <server> 0 :<real name>
    void IntroduceUser(const std::string& nick, const std::string& ident = "user", const std::string& host = "host.example.org") {
        Receive("NICK " + nick + " 1 1765055235 " + ident + " " + host + " irc.example.org 0 :Real Name");
    }
    // Introduces the user and drops what that sent.
    void Connect(const std::string& nick, const std::string& ident = "user", const std::string& host = "host.example.org") {
        IntroduceUser(nick, ident, host);
        link.Take();
    }
    // A private message to the service; every line sent meanwhile.
    Lines Tell(const std::string& service, const std::string& nick, const std::string& text) {
        Receive(":" + nick + " PRIVMSG " + service + " :" + text);
        return link.Take();
    }
    void RegisterAndIdentify(const std::string& nick, const std::string& password = "secret1") {
        Tell("NickServ", nick, "register " + password);
        Tell("NickServ", nick, "identify " + password);
        ASSERT_TRUE(services.nickServ.IsNickIdentified(nick)) << nick;
    }
    // A journaled file (keyed by its first word) as its checkpoint and the journal give it.
    std::string ReadFile(const std::string& relative) const {
        std::vector<JournalEntry> entries = Journal(dataDir).Entries(relative);
        return entries.empty() ? ReadWhole(dataDir / relative) : ApplyJournal(ReadWhole(dataDir / relative), entries, 1);
    }
    void WriteFile(const std::string& relative, const std::string& text) const { std::ofstream(dataDir / relative, std::ios::binary) << text; }
    OnlineUser& User(const std::string& nick) { return services.users.At(services.users.FindOnlineUser(nick).value()); }

    bool holdWorkers = false;
    TempDir dir;
    FakeClock clock{TestStartTime()};
    ManualTimers timers;
    RecordingConsole console;
    CapturingLink link;
    // The program as every front end builds it, on this test's clock, timers, console and link.
    ManualWorkers workers;
    std::filesystem::path dataDir = dir.Path() / "data";
    Program program{dataDir, clock, timers, console, link, link, &workers};
    Services& services = program.Internals();
};

// The services linked, for tests of a service.
struct ServiceTest : ::testing::Test, ServicesFixture {
    ServiceTest() { StartLinked(); }
};

// Counts how often each file of a folder is renamed into place, as every atomic write does.
class FileWrites {
public:
    explicit FileWrites(const std::filesystem::path& folder) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        ::inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO);
    }
    ~FileWrites() { ::close(fd_); }
    FileWrites(const FileWrites&) = delete;
    FileWrites& operator=(const FileWrites&) = delete;

    int Count(const std::string& name) {
        alignas(inotify_event) char buffer[64 * 1024];
        for (ssize_t size; (size = ::read(fd_, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < size;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0) ++counts_[event->name];
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return counts_[name];
    }

private:
    int fd_;
    std::map<std::string, int> counts_;
};

}  // namespace nb::test
