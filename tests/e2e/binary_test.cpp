// The real nimbral2 binary on a scripted uplink, for what needs a process: start-up and the
// first run, files across a restart, signals (SIGTERM, SIGHUP), the link's keepalive, time-out
// and send queue.
#include "support/process.h"

namespace nb {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::size_t kHandshakeLines = 26;

int ModeOf(const fs::path& path) { return static_cast<int>(fs::symlink_status(path).permissions() & fs::perms::all); }

struct Binary : test::ProcessTest {
    void StartServices(const std::map<std::string, std::string>& overrides = {}) {
        test::WriteTestSettings(dataDir, uplink.Port(), overrides);
        StartAndLink();
    }
    // Whether the program printed `part`, waiting for it up to the time given.
    void ExpectOutput(const std::string& part, std::chrono::milliseconds wait = 0s) {
        for (auto end = std::chrono::steady_clock::now() + wait; std::chrono::steady_clock::now() < end;
             std::this_thread::sleep_for(100ms))
            if (process.Output().find(part) != std::string::npos) return;
        EXPECT_NE(process.Output().find(part), std::string::npos) << process.Output();
    }
    // Sends the lines; the first line that holds `part` after them.
    std::string Exchange(const std::string& lines, const std::string& part) {
        std::size_t from = uplink.Lines().size();
        uplink.SendRaw(lines);
        auto at = uplink.WaitForLine(part, from);
        return at ? uplink.Lines()[*at] : "nothing with " + part;
    }
};

// A data directory open to others is made owner-only, and a link planted in it is not followed.
TEST_F(Binary, TheFirstRunLaysTheTreeOwnerOnlyAndTheNextKeepsTheSettings) {
    fs::create_directories(dataDir);
    fs::permissions(dataDir, fs::perms(0755));
    std::ofstream(dir.Path() / "target") << "untouched";
    fs::create_symlink(dir.Path() / "target", dataDir / "debug.nb2");
    process.Start(dataDir, {"--no-connect"});
    ASSERT_EQ(process.WaitForExit(10s), 0) << process.Output();
    for (const char* part : {"First run", "now for its owner only (mode 0700)", "Last backup: N/A\n  Nimbral II [4.3] - IRC Services\n"})
        ExpectOutput(part);
    EXPECT_EQ(test::ReadWhole(dir.Path() / "target"), "untouched");
    EXPECT_EQ(ModeOf(dataDir), 0700);
    for (const char* file : {"Ignore.nb2", "Jupe.nb2", "NickServ/NickServ.nb2", "NickServ/Quit.nb2", "NickServ/Restrict.nb2",
                             "ChanServ/ChanServ.nb2", "ChanServ/Access.nb2", "ChanServ/Restrict.nb2", "OperServ/OperServ.nb2",
                             "OperServ/Commands.nb2", "MemoServ/MemoServ.nb2", "temp.nb2", "temp1.nb2"}) {
        EXPECT_EQ(ModeOf(dataDir / file), 0600) << file;
        if (std::string(file) != "OperServ/Commands.nb2") {
            EXPECT_EQ(test::ReadWhole(dataDir / file), "") << file;
        }
    }
    EXPECT_EQ(ModeOf(dataDir / "settings.ini"), 0600);
    EXPECT_TRUE(fs::is_directory(dataDir / "Webserver"));
    Settings stored(dataDir / "settings.ini");
    ASSERT_EQ(stored.Load(), "");
    for (std::string entry : {"Global/FirstTime=1", "Server Information/Port=6667", "Server Information/Oper Channel=#NBII",
                              "Server Information/MemoServ Enabled=1", "General/OS Info=450", "Backup/Last=N/A"}) {
        auto slash = entry.find('/'), equals = entry.find('=');
        EXPECT_EQ(stored.Get(entry.substr(0, slash), entry.substr(slash + 1, equals - slash - 1), ""), entry.substr(equals + 1));
    }
    EXPECT_NE(stored.Get("Server Information", "IP/Host", ""), "");

    // The second start shows no first-run notice and keeps what the administrator set.
    fs::remove(dataDir / "debug.nb2");
    stored.Write("Server Information", "Server Name", "services.example.net");
    process.Start(dataDir, {"--no-connect"});
    ASSERT_EQ(process.WaitForExit(10s), 0) << process.Output();
    EXPECT_EQ(process.Output().find("First run", process.Output().find("First run") + 1), std::string::npos);
    ASSERT_EQ(stored.Load(), "");
    EXPECT_EQ(stored.Get("Server Information", "Server Name", ""), "services.example.net");
    EXPECT_NE(test::ReadWhole(dataDir / "debug.nb2").find("] ************ Nimbral started! ************ \r\n"), std::string::npos);

    // Settings it cannot read stop the start with a clear message.
    std::ofstream(dataDir / "settings.ini") << "[Server Information\nPort=1\n";
    process.Start(dataDir, {"--no-connect"});
    EXPECT_EQ(process.WaitForExit(10s), 1);
    ExpectOutput("settings.ini cannot be read");
}

// SIGTERM ends the program cleanly; what it answered is read back by the next start (here from
// the journal, as the stop could not write its checkpoint), and a change whose write failed is
// neither answered as done nor found after the restart. A link planted where a temporary file
// goes is replaced, never written through.
TEST_F(Binary, RecordsSurviveARestartAndARefusedWriteStaysRefused) {
    fs::create_directories(dataDir / "NickServ");
    std::ofstream(dir.Path() / "target") << "untouched";
    fs::create_symlink(dir.Path() / "target", dataDir / "NickServ/NickServ.nb2.tmp");
    StartServices();
    const std::string joe = "NICK joe 1 1765055235 joe host.example.org irc.example.org 0 :Joe\r\n";
    const std::string ann = "NICK ann 1 1765055235 ann host.example.org irc.example.org 0 :Ann\r\n";
    EXPECT_EQ(Exchange(joe + ":joe PRIVMSG NickServ :register secret1\r\n", "REGISTER"),
              ":NickServ PRIVMSG #nb.botinfo :[\x02joe\x02] REGISTER ****** [Success]");
    test::BlockJournal(dataDir, true);
    EXPECT_EQ(Exchange(ann + ":ann PRIVMSG NickServ :register annpass1\r\n", "REGISTER"),
              ":NickServ PRIVMSG #nb.botinfo :[\x02" "ann\x02] REGISTER ****** [Failed (database not written)]");
    EXPECT_EQ(process.Stop(), 0);
    ExpectOutput("Cannot write");
    test::BlockJournal(dataDir, false);

    process.Start(dataDir);
    AcceptLink();
    EXPECT_EQ(Exchange(joe + ":joe PRIVMSG NickServ :identify secret1\r\n", "IDENT"),
              ":NickServ PRIVMSG #nb.botinfo :[\x02joe\x02] IDENT ****** [Success]");
    EXPECT_EQ(Exchange(ann + ":ann PRIVMSG NickServ :info ann\r\n", "INFO"),
              ":NickServ PRIVMSG #nb.botinfo :[\x02" "ann\x02] INFO [Failed (nick not registered)]");
    EXPECT_EQ(test::ReadWhole(dir.Path() / "target"), "untouched");
}

TEST_F(Binary, SquitOfOurServerAndDroppedLinksReconnect) {
    StartServices();
    uplink.SendLine(":irc.example.org SQUIT services.localhost :Ping timeout");
    ASSERT_TRUE(uplink.WaitForPeerClose());
    AcceptLink();
    // The server refuses us and closes: the reason is shown and the link tried again.
    uplink.SendLine("ERROR :Closing Link: services.localhost (Bad password)");
    uplink.CloseConnection();
    AcceptLink();
    ExpectOutput("The server says: Closing Link: services.localhost (Bad password)");
    ExpectOutput("lost (closed by the server); trying again in 1 second");
}

TEST_F(Binary, ASilentUplinkIsPingedThenDroppedAndLinkedAgain) {
    StartServices({{"General/Ping Interval", "1"}});
    const std::string ping = ":services.localhost PING :services.localhost";
    auto first = uplink.WaitForLine(ping, kHandshakeLines, 5s);
    ASSERT_TRUE(first) << process.Output();
    // Any line is an answer: the link stays, and the next silence brings the next PING.
    uplink.SendLine(":irc.example.org PONG irc.example.org :services.localhost");
    ASSERT_TRUE(uplink.WaitForLine(ping, *first + 1, 5s)) << process.Output();
    EXPECT_TRUE(uplink.WaitForPeerClose(5s));
    AcceptLink();
    ExpectOutput("lost (no answer from the server for 2 seconds); trying again in 1 second");
    EXPECT_TRUE(uplink.WaitForLine(ping, kHandshakeLines, 5s));  // the new link starts with no PING unanswered
}

TEST_F(Binary, AnUplinkThatStopsReadingIsDroppedBeforeTheQueueOutgrowsItsBound) {
    fs::create_directories(dataDir / "help/nickserv");
    std::ofstream big(dataDir / "help/nickserv/big.nb2");
    for (int line = 0; line < 4000; ++line) big << std::string(200, 'x') << "\r\n";
    big.close();
    StartServices({{"General/Send Queue", "1024"}});
    uplink.SendLine("PING :burst");
    Exchange("NICK joe 1 1765055235 joe host.example.org irc.example.org 0 :Joe\r\n", "connected to");
    long before = process.ResidentKiB();
    // About 48 MB of answers, and the uplink reads none of them for a while.
    for (int request = 0; request < 60; ++request) uplink.SendLine(":joe PRIVMSG NickServ :help big");
    long highest = before;
    for (int sample = 0; sample < 40; ++sample, std::this_thread::sleep_for(25ms)) highest = std::max(highest, process.ResidentKiB());
    EXPECT_LT(highest - before, 8 * 1024) << "grew from " << before << " KiB to " << highest << " KiB";
    EXPECT_TRUE(uplink.WaitForPeerClose());
    AcceptLink();
    ExpectOutput("lost (the server did not read our last 1024 KiB (Send Queue))");
}

// SIGHUP reads settings.ini again: the new Oper Channel serves the next operator log line at
// once, the new Port the next link; a file that cannot be read changes nothing. The terminal
// lines, read by the journal, hold no IRC formatting.
TEST_F(Binary, SighupTakesTheLogChannelsAtOnceAndTheLinkSettingsAtTheNextLink) {
    test::WriteTestSettings(dataDir, uplink.Port());
    process.Start(dataDir, {"--raw"});
    AcceptLink();
    ASSERT_NE(Exchange(":irc.example.org PONG irc.example.org :services.localhost\r\n", "Network synchronised"),
              "nothing with Network synchronised");
    int closedPort = test::ScriptedUplink().Port();
    Settings settings(dataDir / "settings.ini");
    ASSERT_EQ(settings.Load(), "");
    settings.Set("Server Information", "Oper Channel", "#opers");
    ASSERT_TRUE(settings.Write("Server Information", "Port", std::to_string(closedPort)));
    std::size_t from = uplink.Lines().size();
    process.Signal(SIGHUP);
    ExpectOutput("Read settings.ini again: in effect now: Oper Channel; at the next link: Port.\n", 10s);
    EXPECT_TRUE(uplink.WaitForLine(":OperServ PART #NBII", from));
    // The first user after the burst sets a users record, an operator log line.
    EXPECT_EQ(Exchange("NICK ann 1 1765055235 ann h.example irc.example.org 0 :\x02" "Ann\x03" "4,1!\x1b[2J\r\n", "Max Users"),
              ":OperServ PRIVMSG #opers :Max Users: \x02" "5\x02 users.");
    ExpectOutput("<< NICK ann 1 1765055235 ann h.example irc.example.org 0 :Ann! [2J\n");

    std::ofstream(dataDir / "settings.ini", std::ios::app) << "[broken\n";
    process.Signal(SIGHUP);
    ExpectOutput("settings.ini cannot be read", 10s);
    uplink.CloseConnection();
    ExpectOutput("Cannot connect to 127.0.0.1:" + std::to_string(closedPort) + " (Connection refused); trying", 10s);
}

}  // namespace
}  // namespace nb
