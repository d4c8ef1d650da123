// The real nimbral2 binary killed with SIGKILL at random moments while it registers nicks and
// stores memos, then started again on the same data directory. Whatever it answered with success
// before a kill must be on disk afterwards, and no database may be left half-written.
//
// The kill moments come from a seed printed at the start; NB_CRASH_SEED=<seed> repeats a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/fixture.h"
#include "support/scripted_uplink.h"
#include "support/services_process.h"

namespace nb {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr int kKilledRounds = 25;
constexpr int kNewUsersPerRound = 30;
// The kill lands this long after the first byte of a round's commands left.
constexpr int kKillAfterMinMs = 2;
constexpr int kKillAfterMaxMs = 80;
// The round before whose start half-written temporary files are planted.
constexpr int kPlantedRound = 2;

struct Registration {
    std::string nick;
    std::string password;
};

struct Memo {
    std::string from;
    std::string to;
    std::string text;
};

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string ToLower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The lines of a database file without their CR LF. A tail without CR LF is a half-written
// line; an empty line or a bare CR or LF would not load either.
std::vector<std::string> WholeLines(const fs::path& path) {
    std::string content = ReadWhole(path);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << path << " ends in a half-written line: " << ::testing::PrintToString(content.substr(start));
            break;
        }
        std::string line = content.substr(start, end - start);
        EXPECT_FALSE(line.empty()) << path << " has an empty line at byte " << start;
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos)
            << path << " has a stray line break in " << ::testing::PrintToString(line);
        lines.push_back(std::move(line));
        start = end + 2;
    }
    return lines;
}

// <nick> <password> <3 access hosts> [<last seen>] {<real name>} [<email>] (<url>) <age>
// <True|False> <reply type> <registered on>
const std::regex kNickLine(
    R"(^(\S+) (\S+) (\S+) (\S+) (\S+) \[([^\]]+)\] \{([^}]*)\} \[([^\]]*)\] \(([^)]*)\) (\S+) (True|False) )"
    R"((NOTICE|PRIVMSG) (\d+/\d+/\d+ \d+:\d\d:\d\d [AP]M)$)");
// <from> [<sent on>] <to> <text>
const std::regex kMemoLine(R"(^(\S+) \[(\d+/\d+/\d+ \d+:\d\d:\d\d [AP]M)\] (\S+) (.*)$)");
// <nick> <last quit message, maybe empty>
const std::regex kQuitLine(R"(^\S+ .*$)");

struct CrashSafety : ::testing::Test {
    CrashSafety() {
        const char* fixed = std::getenv("NB_CRASH_SEED");
        seed = fixed != nullptr ? static_cast<unsigned>(std::strtoul(fixed, nullptr, 10)) : std::random_device{}();
        random.seed(seed);
        std::cout << "[ crash    ] seed " << seed << " (NB_CRASH_SEED=" << seed << " repeats this run)" << std::endl;
        RecordProperty("seed", std::to_string(seed));
    }

    int Draw(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

    void StartAndLink() {
        process.Start(dataDir);
        ASSERT_TRUE(uplink.Accept(10s)) << "the services did not link\n" << process.Output();
        ASSERT_TRUE(uplink.WaitForLineContaining("ready to serve.", 0, 10s)) << process.Output();
    }

    // What must hold after any kill: every database loaded, every answered registration and memo
    // stored, every line whole and of its layout.
    void CheckDataDirectory() {
        std::string output = process.Output();
        for (const char* complaint : {"Error loading", "cannot be read", "Cannot write", "Cannot create"})
            EXPECT_EQ(output.find(complaint), std::string::npos) << complaint << " in the output:\n" << output;

        std::map<std::string, std::string> passwords;
        for (const std::string& line : WholeLines(dataDir / "NickServ/NickServ.nb2")) {
            std::smatch fields;
            if (!std::regex_match(line, fields, kNickLine)) {
                ADD_FAILURE() << "nick line out of layout: " << ::testing::PrintToString(line);
                continue;
            }
            EXPECT_TRUE(passwords.emplace(ToLower(fields[1]), fields[2]).second) << "nick stored twice: " << fields[1];
        }
        for (const Registration& answered : registered) {
            auto stored = passwords.find(ToLower(answered.nick));
            if (stored == passwords.end()) {
                ADD_FAILURE() << "registration of " << answered.nick << " was answered but is not in NickServ.nb2";
                continue;
            }
            EXPECT_EQ(stored->second, answered.password) << answered.nick;
        }

        std::map<std::string, Memo> storedMemos;
        for (const std::string& line : WholeLines(dataDir / "MemoServ/MemoServ.nb2")) {
            std::smatch fields;
            if (!std::regex_match(line, fields, kMemoLine)) {
                ADD_FAILURE() << "memo line out of layout: " << ::testing::PrintToString(line);
                continue;
            }
            Memo memo{fields[1], fields[3], fields[4]};
            EXPECT_TRUE(storedMemos.emplace(memo.text, memo).second) << "memo stored twice: " << line;
        }
        for (const Memo& answered : memos) {
            auto stored = storedMemos.find(answered.text);
            if (stored == storedMemos.end()) {
                ADD_FAILURE() << "memo \"" << answered.text << "\" was answered but is not in MemoServ.nb2";
                continue;
            }
            EXPECT_EQ(stored->second.from, answered.from) << answered.text;
            EXPECT_EQ(stored->second.to, answered.to) << answered.text;
        }

        // settings.ini is rewritten at every start and with a new user record; its lines end in LF.
        std::string settings = ReadWhole(dataDir / "settings.ini");
        EXPECT_TRUE(!settings.empty() && settings.back() == '\n') << "settings.ini ends in a half-written line";
        EXPECT_NE(settings.find("Port=" + std::to_string(uplink.Port()) + "\n"), std::string::npos) << settings;

        for (const std::string& line : WholeLines(dataDir / "NickServ/Quit.nb2")) {
            EXPECT_TRUE(std::regex_match(line, kQuitLine)) << "quit line out of layout: " << line;
        }

        // The half-written temporary files planted before one start were never the database.
        EXPECT_EQ(ReadWhole(dataDir / "NickServ/NickServ.nb2").find("planted"), std::string::npos);
        EXPECT_EQ(ReadWhole(dataDir / "MemoServ/MemoServ.nb2").find("planted"), std::string::npos);
    }

    // A killed write can leave a temporary file behind; the next start must not take it for
    // the database. These look like a save cut short, with one record more than the database.
    void PlantHalfWrittenTemporaryFiles() {
        std::ofstream(dataDir / "NickServ/NickServ.nb2.tmp", std::ios::binary)
            << ReadWhole(dataDir / "NickServ/NickServ.nb2")
            << "plantednick plantedpw *planted@*.example.org *planted@*.example.org *planted@*.example.org [12/6/2026 "
               "9:07:15 PM] {N/A} [none@not.entered] (http://nimbral.example.org) 0 True NOTICE 12/6/20";
        std::ofstream(dataDir / "MemoServ/MemoServ.nb2.tmp", std::ios::binary)
            << ReadWhole(dataDir / "MemoServ/MemoServ.nb2") << "plantednick [12/6/2026 9:07:15 PM] "
            << (registered.empty() ? std::string("nobody") : registered.front().nick) << " a planted memo, cut sh";
    }

    std::vector<std::string> TemporaryFiles() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(dataDir))
            if (entry.path().extension() == ".tmp") found.push_back(fs::relative(entry.path(), dataDir).string());
        return found;
    }

    // Before the random part of a round, and waited for: a nick registered in an earlier round
    // comes back from its own host and identifies (its stored password still works), and a new
    // nick registers and sends a memo, so every round has answers that must survive its kill.
    // Returns the identified earlier nick, or "" in the first round.
    std::string SettledStart(int round) {
        std::string earlierNick;
        std::string lines;
        if (!registered.empty()) {
            const Registration& earlier =
                registered[static_cast<std::size_t>(Draw(0, static_cast<int>(registered.size()) - 1))];
            earlierNick = earlier.nick;
            lines += "NICK " + earlierNick + " 1 1765055235 " + earlierNick +
                     " host.example.org irc.example.org 0 :Crash Test\r\n";
            lines += ":" + earlierNick + " PRIVMSG NickServ :identify " + earlier.password + "\r\n";
        }
        std::string anchor = "cr" + std::to_string(round) + "a";
        std::string password = "pw" + std::to_string(random() % 100000) + "x" + anchor;
        lines += "NICK " + anchor + " 1 1765055235 " + anchor + " host.example.org irc.example.org 0 :Crash Test\r\n";
        lines += ":" + anchor + " PRIVMSG NickServ :register " + password + "\r\n";
        lines += ":" + anchor + " PRIVMSG NickServ :identify " + password + "\r\n";
        pendingRegistrations[anchor] = password;
        Memo memo{anchor, earlierNick.empty() ? anchor : earlierNick,
                  "memo r" + std::to_string(round) + "-" + std::to_string(++memoSerial) + " settled"};
        lines += ":" + anchor + " PRIVMSG MemoServ :send " + memo.to + " " + memo.text + "\r\n";
        pendingMemos[anchor].push_back(memo);
        if (round == kPlantedRound) lines += ":" + anchor + " PRIVMSG NickServ :info plantednick\r\n";
        const std::string token = "settled-" + std::to_string(round);
        lines += "PING :" + token + "\r\n";
        uplink.SendRaw(lines);
        EXPECT_TRUE(uplink.WaitForLineContaining(":MemoServ PONG :" + token, 0, 10s)) << process.Output();

        auto received = [&](const std::string& line) {
            auto all = uplink.Lines();
            return std::find(all.begin(), all.end(), line) != all.end();
        };
        if (!earlierNick.empty()) {
            EXPECT_TRUE(received(":NickServ NOTICE " + earlierNick + " :Hello \x02" + earlierNick +
                                 "\x02.  You have successfully identified."))
                << earlierNick << ", registered earlier, cannot identify";
        }
        EXPECT_TRUE(received(":NickServ NOTICE " + anchor + " :You successfully registered \x02" + anchor + "\x02!"));
        EXPECT_TRUE(received(":MemoServ NOTICE " + anchor + " :You successfully sent \x02" + memo.to + "\x02 a message!"));
        if (round == kPlantedRound) {
            EXPECT_TRUE(received(":NickServ NOTICE " + anchor + " :\x02plantednick\x02 is not registered."))
                << "a half-written temporary file was loaded as the nick database";
        }
        return earlierNick;
    }

    // New users register and identify, identified users send memos to registered nicks, some
    // users quit (which saves the nick database and Quit.nb2). Fills the expected answers.
    std::string BuildStream(int round, const std::string& earlierNick) {
        std::vector<std::string> recipients;
        for (const Registration& earlier : registered) recipients.push_back(earlier.nick);
        std::string stream;
        auto sendMemo = [&](const std::string& from) {
            if (recipients.empty()) return;
            Memo memo{from, recipients[static_cast<std::size_t>(Draw(0, static_cast<int>(recipients.size()) - 1))],
                      "memo r" + std::to_string(round) + "-" + std::to_string(++memoSerial) + " from " + from +
                          " [kept] " + std::to_string(random())};
            stream += ":" + from + " PRIVMSG MemoServ :send " + memo.to + " " + memo.text + "\r\n";
            pendingMemos[from].push_back(memo);
        };
        for (int user = 0; user < kNewUsersPerRound; ++user) {
            std::string nick = "cr" + std::to_string(round) + "n" + std::to_string(user);
            std::string password = "pw" + std::to_string(random() % 100000) + "x" + nick;
            stream += "NICK " + nick + " 1 1765055235 " + nick + " host.example.org irc.example.org 0 :Crash Test\r\n";
            stream += ":" + nick + " PRIVMSG NickServ :register " + password + "\r\n";
            stream += ":" + nick + " PRIVMSG NickServ :identify " + password + "\r\n";
            pendingRegistrations[nick] = password;
            recipients.push_back(nick);
            for (int memo = Draw(0, 2); memo > 0; --memo) sendMemo(nick);
            if (!earlierNick.empty() && user % 5 == 0) sendMemo(earlierNick);
            if (Draw(0, 3) == 0) stream += ":" + nick + " QUIT :gone in round " + std::to_string(round) + "\r\n";
        }
        return stream;
    }

    // Sends the stream in pieces of random size (lines split across writes too), `gap` apart and
    // reading all along, until the deadline comes. Back to back, the services take in much of the
    // stream as one block; small pieces a few ms apart make small blocks, so more answers leave
    // before the kill.
    void SendUntil(const std::string& stream, SteadyClock::time_point deadline, std::chrono::milliseconds gap) {
        const int largest = gap.count() == 0 ? 700 : 150;
        std::size_t sent = 0;
        while (SteadyClock::now() < deadline) {
            if (sent < stream.size()) {
                std::size_t piece = std::min<std::size_t>(static_cast<std::size_t>(Draw(1, largest)), stream.size() - sent);
                uplink.SendRaw(std::string_view(stream).substr(sent, piece));
                sent += piece;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
            uplink.ReadFor(std::clamp(left, 0ms, std::max(gap, 1ms)));
        }
    }

    // Takes the success answers out of the whole lines received: each send gets one answer to its
    // sender, success or error, in the order sent.
    void CollectAnswers(int round) {
        const std::string registeredText = " :You successfully registered \x02";
        const std::string memoPrefix = ":MemoServ NOTICE ";
        for (const std::string& line : uplink.Lines()) {
            if (line.rfind(":NickServ NOTICE ", 0) == 0) {
                std::size_t at = line.find(registeredText);
                if (at == std::string::npos) continue;
                std::string nick = line.substr(17, at - 17);
                auto pending = pendingRegistrations.find(nick);
                EXPECT_NE(pending, pendingRegistrations.end()) << "round " << round << ": unexpected " << line;
                if (pending == pendingRegistrations.end()) continue;
                EXPECT_EQ(line.substr(at), registeredText + nick + "\x02!");
                registered.push_back({nick, pending->second});
                pendingRegistrations.erase(pending);
            } else if (line.rfind(memoPrefix, 0) == 0) {
                std::size_t colon = line.find(" :", memoPrefix.size());
                if (colon == std::string::npos) continue;
                std::string sender = line.substr(memoPrefix.size(), colon - memoPrefix.size());
                std::string text = line.substr(colon + 2);
                bool success = text.rfind("You successfully sent ", 0) == 0;
                if (!success && text.rfind("\x02" "Error\x02:", 0) != 0) continue;
                auto& queue = pendingMemos[sender];
                if (queue.empty()) {
                    ADD_FAILURE() << "round " << round << ": an answer to no memo: " << line;
                    continue;
                }
                Memo memo = queue.front();
                queue.pop_front();
                if (!success) continue;
                EXPECT_EQ(text, "You successfully sent \x02" + memo.to + "\x02 a message!") << memo.text;
                memos.push_back(memo);
            }
        }
    }

    void ForgetUnanswered() {
        pendingRegistrations.clear();
        pendingMemos.clear();
    }

    test::TempDir dir;
    fs::path dataDir = dir.Path() / "data";
    test::ScriptedUplink uplink;
    test::ServicesProcess process;
    unsigned seed = 0;
    std::mt19937 random;
    // Answered with success before a kill, over all rounds.
    std::vector<Registration> registered;
    std::vector<Memo> memos;
    // Sent in this round, not answered yet.
    std::map<std::string, std::string> pendingRegistrations;
    std::map<std::string, std::deque<Memo>> pendingMemos;
    int memoSerial = 0;
};

TEST_F(CrashSafety, AnsweredRegistrationsAndMemosSurviveKillsAndNoFileIsLeftHalfWritten) {
    test::WriteTestSettings(dataDir, uplink.Port());
    auto testStart = SteadyClock::now();
    int roundsWithTemporaryFiles = 0;

    for (int round = 1; round <= kKilledRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round) + ", seed " + std::to_string(seed));
        if (round == kPlantedRound) PlantHalfWrittenTemporaryFiles();
        ASSERT_NO_FATAL_FAILURE(StartAndLink());
        CheckDataDirectory();
        if (HasFailure()) break;

        std::string earlierNick = SettledStart(round);
        if (HasFailure()) break;
        std::string stream = BuildStream(round, earlierNick);
        int killAfterMs = Draw(kKillAfterMinMs, kKillAfterMaxMs);
        auto gap = std::chrono::milliseconds(Draw(0, 1) == 0 ? 0 : Draw(2, 12));
        std::size_t registrationsBefore = registered.size();
        std::size_t memosBefore = memos.size();
        SendUntil(stream, SteadyClock::now() + std::chrono::milliseconds(killAfterMs), gap);
        process.Kill();
        // What left before the kill is still in our socket buffer.
        uplink.WaitForPeerClose(5s);
        CollectAnswers(round);
        ForgetUnanswered();

        std::vector<std::string> leftovers = TemporaryFiles();
        if (!leftovers.empty()) ++roundsWithTemporaryFiles;
        std::cout << "[ crash    ] round " << round << ": pieces " << gap.count() << " ms apart, killed after "
                  << killAfterMs << " ms, "
                  << registered.size() - registrationsBefore << " registrations and " << memos.size() - memosBefore
                  << " memos answered (the settled ones included)"
                  << (leftovers.empty() ? "" : ", left " + ::testing::PrintToString(leftovers)) << std::endl;
    }
    ASSERT_FALSE(HasFailure()) << "stopped at the first round whose checks failed";

    // A last round runs to its end: every command is answered with success, and a clean stop
    // leaves the same guarantees.
    const int finalRound = kKilledRounds + 1;
    SCOPED_TRACE("round " + std::to_string(finalRound) + ", seed " + std::to_string(seed));
    ASSERT_NO_FATAL_FAILURE(StartAndLink());
    CheckDataDirectory();
    std::size_t registrationsBefore = registered.size();
    std::size_t memosBefore = memos.size();
    std::string earlierNick = SettledStart(finalRound);
    std::string stream = BuildStream(finalRound, earlierNick);
    std::size_t memosSent = 0;
    for (const auto& [sender, queue] : pendingMemos) memosSent += queue.size();
    std::size_t registrationsSent = pendingRegistrations.size();
    for (std::size_t sent = 0; sent < stream.size();) {
        std::size_t piece = std::min<std::size_t>(static_cast<std::size_t>(Draw(1, 700)), stream.size() - sent);
        uplink.SendRaw(std::string_view(stream).substr(sent, piece));
        sent += piece;
    }
    uplink.SendLine("PING :crash-done");
    ASSERT_TRUE(uplink.WaitForLineContaining(":MemoServ PONG :crash-done", 0, 30s)) << process.Output();
    CollectAnswers(finalRound);
    EXPECT_EQ(registered.size() - registrationsBefore, registrationsSent);
    EXPECT_EQ(memos.size() - memosBefore, memosSent);
    EXPECT_EQ(process.Stop(), 0) << process.Output();
    CheckDataDirectory();

    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - testStart);
    std::cout << "[ crash    ] " << registered.size() << " registrations and " << memos.size()
              << " memos answered in all, " << roundsWithTemporaryFiles << " kills left a temporary file, "
              << took.count() << " ms" << std::endl;
}

}  // namespace
}  // namespace nb
