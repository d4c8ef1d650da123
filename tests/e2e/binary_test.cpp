// The real nimbral2 binary on a scripted uplink, for what needs a process: start-up and the
// first run, files across a restart, signals, the link's keepalive, time-out and send queue.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "support/fixture.h"
#include "support/process.h"

namespace nb {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kHandshakeLines = 25;

struct LinkedBinary : ::testing::Test {
    void StartServices(const std::map<std::string, std::string>& overrides = {}) {
        test::WriteTestSettings(dataDir, uplink.Port(), overrides);
        services.Start(dataDir);
        AcceptLink();
    }
    void AcceptLink() {
        ASSERT_TRUE(uplink.Accept(10s)) << services.Output();
        ASSERT_TRUE(uplink.WaitForLine("ready to serve.", 0, 10s)) << services.Output();
    }
    void ExpectOutput(const std::string& part) {
        EXPECT_NE(services.Output().find(part), std::string::npos) << services.Output();
    }
    // Sends the lines, then returns the first line after `from` that holds `part`.
    std::string Exchange(const std::string& lines, const std::string& part) {
        std::size_t from = uplink.Lines().size();
        uplink.SendRaw(lines);
        auto at = uplink.WaitForLine(part, from);
        return at ? uplink.Lines()[*at] : "nothing with " + part;
    }
    test::TempDir dir;
    std::filesystem::path dataDir = dir.Path() / "data";
    test::ScriptedUplink uplink;
    test::ServicesProcess services;
};

TEST(Binary, FirstRunWithNoConnectLaysTheTreeAndStops) {
    test::TempDir dir;
    test::ServicesProcess services;
    services.Start(dir.Path() / "fresh", {"--no-connect"});
    ASSERT_EQ(services.WaitForExit(10s), 0) << services.Output();
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "fresh" / "NickServ" / "NickServ.nb2"));
    EXPECT_NE(services.Output().find("First run"), std::string::npos);
    EXPECT_NE(services.Output().find("Last backup: N/A\n  Nimbral II [4.3] - IRC Services\n"), std::string::npos);
}

// The handshake's lines themselves are tested in-process; on the socket they end in LF alone.
TEST_F(LinkedBinary, TheHandshakeLeavesWholeAndEndsInLineFeedOnly) {
    StartServices();
    EXPECT_EQ(uplink.Lines().size(), kHandshakeLines);
    EXPECT_TRUE(uplink.Received().starts_with("PASS \nSERVER services.localhost 1 : NBII (NBII 4.3)\n"));
    EXPECT_EQ(uplink.Received().find('\r'), std::string::npos);
}

// SIGTERM ends the program cleanly; what it answered is read back by the next start, and a
// change whose write failed is neither answered as done nor found after the restart.
TEST_F(LinkedBinary, RecordsSurviveARestartAndARefusedWriteStaysRefused) {
    StartServices();
    const std::string joe = "NICK joe 1 1765055235 joe host.example.org irc.example.org 0 :Joe\r\n";
    const std::string ann = "NICK ann 1 1765055235 ann host.example.org irc.example.org 0 :Ann\r\n";
    EXPECT_EQ(Exchange(joe + ":joe PRIVMSG NickServ :register secret1\r\n", "REGISTER"),
              ":NickServ PRIVMSG #nb.botinfo :[\x02joe\x02] REGISTER ****** [Success]");
    std::filesystem::create_directory(dataDir / "NickServ/NickServ.nb2.tmp");
    EXPECT_EQ(Exchange(ann + ":ann PRIVMSG NickServ :register annpass1\r\n", "REGISTER"),
              ":NickServ PRIVMSG #nb.botinfo :[\x02" "ann\x02] REGISTER ****** [Failed (database not written)]");
    EXPECT_EQ(services.Stop(), 0);
    ExpectOutput("Cannot write");
    std::filesystem::remove(dataDir / "NickServ/NickServ.nb2.tmp");

    services.Start(dataDir);
    AcceptLink();
    EXPECT_EQ(Exchange(joe + ":joe PRIVMSG NickServ :identify secret1\r\n", "IDENT"),
              ":NickServ PRIVMSG #nb.botinfo :[\x02joe\x02] IDENT ****** [Success]");
    EXPECT_EQ(Exchange(ann + ":ann PRIVMSG NickServ :info ann\r\n", "INFO"),
              ":NickServ PRIVMSG #nb.botinfo :[\x02" "ann\x02] INFO [Failed (nick not registered)]");
}

TEST_F(LinkedBinary, SquitOfOurServerAndDroppedLinksReconnect) {
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

TEST_F(LinkedBinary, ASilentUplinkIsPingedThenDroppedAndLinkedAgain) {
    StartServices({{"General/Ping Interval", "1"}});
    const std::string ping = ":services.localhost PING :services.localhost";
    auto first = uplink.WaitForLine(ping, kHandshakeLines, 5s);
    ASSERT_TRUE(first) << services.Output();
    // Any line is an answer: the link stays, and the next silence brings the next PING.
    uplink.SendLine(":irc.example.org PONG irc.example.org :services.localhost");
    ASSERT_TRUE(uplink.WaitForLine(ping, *first + 1, 5s)) << services.Output();
    EXPECT_TRUE(uplink.WaitForPeerClose(5s));
    AcceptLink();
    ExpectOutput("lost (no answer from the server for 2 seconds); trying again in 1 second");
}

TEST_F(LinkedBinary, AnUplinkThatStopsReadingIsDroppedBeforeTheQueueOutgrowsItsBound) {
    std::filesystem::create_directories(dataDir / "help/nickserv");
    std::ofstream big(dataDir / "help/nickserv/big.nb2");
    for (int line = 0; line < 4000; ++line) big << std::string(200, 'x') << "\r\n";
    big.close();
    StartServices({{"General/Send Queue", "1024"}});
    uplink.SendLine("PING :burst");
    Exchange("NICK joe 1 1765055235 joe host.example.org irc.example.org 0 :Joe\r\n", "connected to");
    long before = services.ResidentKiB();
    // About 48 MB of answers, and the uplink reads none of them for a while.
    for (int request = 0; request < 60; ++request) uplink.SendLine(":joe PRIVMSG NickServ :help big");
    long highest = before;
    for (int sample = 0; sample < 40; ++sample) {
        highest = std::max(highest, services.ResidentKiB());
        std::this_thread::sleep_for(25ms);
    }
    EXPECT_LT(highest - before, 8 * 1024) << "grew from " << before << " KiB to " << highest << " KiB";
    EXPECT_TRUE(uplink.WaitForPeerClose(10s));
    AcceptLink();
    ExpectOutput("lost (the server did not read our last 1024 KiB (Send Queue))");
}

// A server whose accept queue is full never completes a connection: the attempt must end.
TEST(Binary, AConnectionThatNeverCompletesIsGivenUpAfterThirtySeconds) {
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        fillers.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        ::connect(fillers.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    test::TempDir dir;
    test::WriteTestSettings(dir.Path() / "data", ntohs(address.sin_port));
    test::ServicesProcess services;
    services.Start(dir.Path() / "data");
    const std::string given = "(no connection within 30 seconds); trying again in 1 second";
    auto deadline = std::chrono::steady_clock::now() + 45s;
    while (services.Output().find(given) == std::string::npos && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(200ms);
    EXPECT_NE(services.Output().find(given), std::string::npos) << services.Output();
    services.Stop();
    for (int fd : fillers) ::close(fd);
    ::close(listener);
}

}  // namespace
}  // namespace nb
