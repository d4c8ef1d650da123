// A Services object over a temporary data directory, a capturing link, a fake clock,
// manual timers and a recording console.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/services.h"
#include "core/clock.h"
#include "core/console.h"
#include "core/timers.h"
#include "link/line_sink.h"

namespace nb::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

class CapturingLink : public LineSink, public LinkControl {
public:
    void SendLine(std::string_view line) override { lines.emplace_back(line); }
    bool IsLinkConnected() const override { return connected; }
    void ConnectToServer() override { ++connectCalls; }
    void Disconnect(const std::string& reason) override { disconnected = reason; }
    // The lines sent since the last call.
    std::vector<std::string> Take();

    std::vector<std::string> lines;
    bool connected = true;
    int connectCalls = 0;
    std::string disconnected;  // the reason of the last Disconnect
};

class RecordingConsole : public Console {
public:
    void ShowMessage(const std::string& title, const std::string& text) override {
        messages.push_back(title + ": " + text);
    }
    void AskYesNo(const std::string&, const std::string& question, YesNoAnswer answer) override {
        asked.push_back(question);
        answer(yesNoAnswer);
    }
    // Answers from `answers` in turn while there are any, then `inputAnswer`.
    void PromptInput(const std::string&, const std::string& prompt, const std::string&, InputAnswer answer) override {
        asked.push_back(prompt);
        if (answers.empty()) return answer(inputAnswer);
        std::optional<std::string> next = answers.front();
        answers.pop_front();
        answer(next);
    }
    void AppendLogText(LogBox box, const std::string& text) override {
        (box == LogBox::RawTraffic ? raw : status).push_back(text);
    }

    std::vector<std::string> messages;
    std::vector<std::string> asked;  // questions and prompts, in order
    std::deque<std::optional<std::string>> answers;
    std::vector<std::string> status;
    std::vector<std::string> raw;
    bool yesNoAnswer = false;
    std::optional<std::string> inputAnswer;
};

// 6 December 2026, 21:07:15 local time.
TimePoint TestStartTime();

struct ServicesFixture {
    ServicesFixture();
    // Start-up, then a link and the end of the uplink's burst: what that sent is taken away, so
    // tests see only their own lines.
    void StartLinked();
    // Feeds a received line as a classic uplink would, as a block of its own: logged, acted on,
    // and what it changed written.
    void Receive(const std::string& line);
    // Introduces a user the classic way: NICK <nick> 1 <ts> <ident> <host> <server> 0 :<real name>
    void IntroduceUser(const std::string& nick, const std::string& ident = "user",
                       const std::string& host = "host.example.org", const std::string& server = "irc.example.org");
    // Introduces the user and drops what that sent.
    void Connect(const std::string& nick, const std::string& ident = "user",
                 const std::string& host = "host.example.org");
    // A private message to the service; returns every line sent meanwhile.
    std::vector<std::string> Tell(const std::string& service, const std::string& nick, const std::string& text);
    void RegisterAndIdentify(const std::string& nick, const std::string& password);
    std::string ReadFile(const std::string& relative) const;
    OnlineUser& User(const std::string& nick);

    TempDir dir;
    FakeClock clock{TestStartTime()};
    ManualTimers timers;
    RecordingConsole console;
    CapturingLink link;
    // The program as every front end builds it, on this test's clock, timers, console and link.
    Program program{dir.Path() / "data", clock, timers, console, link, link};
    Services& services = program.Internals();
};

// The services linked, for tests of a service.
struct ServiceTest : ::testing::Test, ServicesFixture {
    ServiceTest() { StartLinked(); }
};

}  // namespace nb::test
