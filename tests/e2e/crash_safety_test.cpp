// The real nimbral2 binary killed with SIGKILL at random moments while it registers nicks and
// stores memos, then started again on the same data directory. Whatever it answered with success
// before a kill must be on disk afterwards, and no database may be left half-written. In half of
// the rounds the journal is kept so small that nearly every block starts a checkpoint, so kills
// fall into appends and checkpoints alike.
//
// The kill moments come from a seed printed at the start; NB_CRASH_SEED=<seed> repeats a run.
#include <deque>
#include <iostream>
#include <random>
#include <regex>

#include "core/text.h"
#include "support/process.h"

namespace nb {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;
using Table = std::map<std::string, std::string>;

constexpr int kKilledRounds = 25;
constexpr int kNewUsersPerRound = 30;
constexpr int kPlantedRound = 2;  // half-written temporary files are planted before its start

// <nick> <password> <3 hosts> [<last seen>] {<real name>} [<email>] (<url>) <age> <flag> <reply> <registered>
const std::regex kNickLine(R"(^(\S+) (\S+) \S+ \S+ \S+ \[[^\]]+\] \{[^}]*\} \[[^\]]*\] \([^)]*\) \S+ (True|False) )"
                           R"((NOTICE|PRIVMSG) \d+/\d+/\d+ \d+:\d\d:\d\d [AP]M$)");
// <from> [<sent on>] <to> <text>
const std::regex kMemoLine(R"(^(\S+) \[\d+/\d+/\d+ \d+:\d\d:\d\d [AP]M\] (\S+) (.*)$)");

// Each line of a database file matched against its layout, as key and value: every line ends in
// CR LF (a tail without it is a half-written line), no key is stored twice, none was planted.
Table Records(const fs::path& path, const std::regex& layout, const std::function<Table::value_type(const std::smatch&)>& entry) {
    std::string content = test::ReadWhole(path);
    EXPECT_TRUE(content.empty() || content.ends_with("\r\n")) << path << " ends in a half-written line";
    Table records;
    std::istringstream lines(content);
    for (std::string line; std::getline(lines, line) && line.ends_with('\r');) {
        line.pop_back();
        std::smatch fields;
        if (!std::regex_match(line, fields, layout)) ADD_FAILURE() << path << ": line out of layout: " << line;
        else EXPECT_TRUE(records.insert(entry(fields)).second) << "stored twice: " << line;
        EXPECT_EQ(line.find("planted"), std::string::npos) << line;
    }
    return records;
}

struct CrashSafety : test::ProcessTest {
    CrashSafety() {
        const char* fixed = std::getenv("NB_CRASH_SEED");
        seed = fixed != nullptr ? static_cast<unsigned>(std::strtoul(fixed, nullptr, 10)) : std::random_device{}();
        random.seed(seed);
        std::cout << "[ crash    ] seed " << seed << " (NB_CRASH_SEED=" << seed << " repeats this run)" << std::endl;
    }
    int Draw(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

    void StartAndCheck() {
        ASSERT_NO_FATAL_FAILURE(StartAndLink());
        // Every database loaded, every answered registration and memo stored.
        for (const char* complaint : {"Error loading", "cannot be read", "Cannot write", "Cannot create"})
            EXPECT_EQ(process.Output().find(complaint), std::string::npos) << process.Output();
        Table passwords = Records(dataDir / "NickServ/NickServ.nb2", kNickLine, [](auto& f) { return Table::value_type(ToLower(f[1].str()), f[2].str()); });
        for (const auto& [nick, password] : registered) EXPECT_EQ(passwords[ToLower(nick)], password) << nick;
        Table stored = Records(dataDir / "MemoServ/MemoServ.nb2", kMemoLine, [](auto& f) { return Table::value_type(f[3].str(), f[1].str() + " " + f[2].str()); });
        for (const auto& [text, fromTo] : memos) EXPECT_EQ(stored[text], fromTo) << text;
    }

    // A killed write can leave a temporary file behind: a save cut short, one record longer; and
    // a journal whose last block was cut off in the middle.
    void PlantHalfWrittenFiles() {
        std::ofstream(dataDir / "Changes.journal", std::ios::binary | std::ios::app)
            << "+ NickServ/NickServ.nb2 140\nplantednick plantedpw *p@*.org *p@*.org *p@*.org [12/6/20";
        std::ofstream(dataDir / "NickServ/NickServ.nb2.tmp", std::ios::binary)
            << test::ReadWhole(dataDir / "NickServ/NickServ.nb2") << "plantednick plantedpw *p@*.org *p@*.org *p@*.org [12/6/20";
        std::ofstream(dataDir / "MemoServ/MemoServ.nb2.tmp", std::ios::binary)
            << test::ReadWhole(dataDir / "MemoServ/MemoServ.nb2") << "plantednick [12/6/2026 9:07:15 PM] nobody a planted me";
    }

    // New users register and identify, send memos to earlier ones, and some quit.
    std::string BuildStream(int round) {
        std::string stream;
        for (int user = 0; user < kNewUsersPerRound; ++user) {
            std::string nick = "cr" + std::to_string(round) + "n" + std::to_string(user);
            std::string password = "pw" + std::to_string(random() % 100000) + "x" + nick;
            stream += "NICK " + nick + " 1 1765055235 " + nick + " host.example.org irc.example.org 0 :Crash\r\n:" + nick +
                      " PRIVMSG NickServ :register " + password + "\r\n:" + nick + " PRIVMSG NickServ :identify " + password + "\r\n";
            pendingRegistrations[nick] = password;
            if (!registered.empty() && Draw(0, 1) == 0) {
                auto to = std::next(registered.begin(), Draw(0, static_cast<int>(registered.size()) - 1))->first;
                std::string text = "memo r" + std::to_string(round) + "-" + std::to_string(user) + " [kept] " + std::to_string(random());
                stream += ":" + nick + " PRIVMSG MemoServ :send " + to + " " + text + "\r\n";
                pendingMemos[nick].push_back({text, nick + " " + to});
            }
            if (Draw(0, 3) == 0) stream += ":" + nick + " QUIT :gone in round " + std::to_string(round) + "\r\n";
        }
        return stream;
    }

    // Sends the stream in pieces of random size (lines split across writes too), `gap` apart, until
    // the deadline: back to back the services take much of it as one block, small pieces a few ms
    // apart make small blocks, so more answers leave before the kill. With `inCheckpoint` it
    // stops as soon as a checkpoint is seen running.
    void SendUntil(const std::string& stream, SteadyClock::time_point deadline, std::chrono::milliseconds gap, bool inCheckpoint) {
        for (std::size_t sent = 0; SteadyClock::now() < deadline;) {
            if (inCheckpoint && fs::exists(dataDir / "Changes.journal.old")) return;
            std::size_t piece = std::min<std::size_t>(Draw(1, gap.count() == 0 ? 700 : 150), stream.size() - sent);
            uplink.SendRaw(std::string_view(stream).substr(sent, piece));
            sent += piece;
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
            uplink.ReadFor(std::clamp(left, 0ms, std::max(gap, 1ms)));
        }
    }

    // The success answers among the lines received: each memo gets one answer, in the order sent.
    void CollectAnswers() {
        const std::string registeredText = " :You successfully registered \x02", memoPrefix = ":MemoServ NOTICE ";
        for (const std::string& line : uplink.Lines()) {
            if (line.starts_with(":NickServ NOTICE ") && line.find(registeredText) != std::string::npos) {
                std::string nick = line.substr(17, line.find(registeredText) - 17);
                ASSERT_TRUE(pendingRegistrations.count(nick)) << line;
                registered[nick] = pendingRegistrations[nick];
            } else if (line.starts_with(memoPrefix) && line.find(" a message!") != std::string::npos) {
                std::string sender = line.substr(memoPrefix.size(), line.find(" :") - memoPrefix.size());
                ASSERT_FALSE(pendingMemos[sender].empty()) << line;
                memos.insert(pendingMemos[sender].front());
                pendingMemos[sender].pop_front();
            }
        }
        pendingRegistrations.clear();
        pendingMemos.clear();
    }

    unsigned seed = 0;
    int killedInCheckpoints = 0;
    std::mt19937 random;
    Table registered, memos;  // answered: nick -> password, text -> "from to"
    Table pendingRegistrations;
    std::map<std::string, std::deque<std::pair<std::string, std::string>>> pendingMemos;
};

TEST_F(CrashSafety, AnsweredRegistrationsAndMemosSurviveKillsAndNoFileIsLeftHalfWritten) {
    for (int round = 1; round <= kKilledRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round) + ", seed " + std::to_string(seed));
        bool smallJournal = Draw(0, 1) == 0;
        test::WriteTestSettings(dataDir, uplink.Port(), {{"General/Journal Size", smallJournal ? "0.002" : "16"}});
        if (round == kPlantedRound) PlantHalfWrittenFiles();
        killedInCheckpoints += fs::exists(dataDir / "Changes.journal.old") ? 1 : 0;
        ASSERT_NO_FATAL_FAILURE(StartAndCheck());
        if (round == kPlantedRound) {
            EXPECT_NE(process.Output().find("ended in a change cut off by a stop"), std::string::npos);
        }
        // A first part waited for, so that every round has answers that must survive its kill.
        std::string stream = BuildStream(round);
        std::size_t settled = stream.find("\r\n", stream.find(" :identify ")) + 2;
        uplink.SendRaw(stream.substr(0, settled) + "PING :settled\r\n");
        ASSERT_TRUE(uplink.WaitForLine(":MemoServ PONG :settled")) << process.Output();
        auto gap = std::chrono::milliseconds(Draw(0, 1) == 0 ? 0 : Draw(2, 12));
        // A round that waits for a checkpoint gets the time to reach one before its kill.
        bool untilCheckpoint = smallJournal && Draw(0, 1) == 0;
        auto window = std::chrono::milliseconds(Draw(2, 80) + (untilCheckpoint ? 250 : 0));
        SendUntil(stream.substr(settled), SteadyClock::now() + window, gap, untilCheckpoint);
        process.Kill();
        uplink.WaitForPeerClose(5s);  // what left before the kill is still in our socket buffer
        CollectAnswers();
        ASSERT_FALSE(HasFailure()) << "stopped at the first round whose checks failed";
    }
    ASSERT_NO_FATAL_FAILURE(StartAndCheck());
    EXPECT_EQ(process.Stop(), 0) << process.Output();
    EXPECT_GT(killedInCheckpoints, 0) << "no kill fell into a checkpoint";
    std::cout << "[ crash    ] " << registered.size() << " registrations and " << memos.size() << " memos answered; "
              << killedInCheckpoints << " kills fell into a checkpoint" << std::endl;
}

}  // namespace
}  // namespace nb
