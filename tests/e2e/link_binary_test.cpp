// The real nimbral2 binary linked to a scripted uplink on loopback.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/fixture.h"
#include "support/scripted_uplink.h"
#include "support/services_process.h"

namespace nb {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kHandshakeLines = 25;

struct LinkedBinary : ::testing::Test {
    void StartServices(const std::map<std::string, std::string>& overrides = {}) {
        test::WriteTestSettings(dataDir, uplink.Port(), overrides);
        services.Start(dataDir);
        ASSERT_TRUE(uplink.Accept(10s)) << services.Output();
    }
    // The uplink's first PING ends its burst; the network log speaks from then on. Returns
    // how many lines the services had sent by the answer.
    std::size_t EndBurst() {
        uplink.SendLine("PING :burst");
        auto answered = uplink.WaitForLineContaining(":MemoServ PONG :burst", 0, 5s);
        EXPECT_TRUE(answered) << uplink.Received();
        uplink.ReadFor(50ms);
        return uplink.Lines().size();
    }
    std::string Debug() {
        std::ifstream in(dataDir / "debug.nb2", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    test::TempDir dir;
    std::filesystem::path dataDir = dir.Path() / "data";
    test::ScriptedUplink uplink;
    test::ServicesProcess services;
};

TEST_F(LinkedBinary, HandshakeBytesAreExactAndEndInLineFeedOnly) {
    StartServices();
    ASSERT_TRUE(uplink.WaitForLines(kHandshakeLines)) << uplink.Received();
    auto lines = uplink.RawLines();
    std::vector<std::string> head(lines.begin(), lines.begin() + 7);
    EXPECT_EQ(head, (std::vector<std::string>{
                        "PASS \n",
                        "SERVER services.localhost 1 : NBII (NBII 4.3)\n",
                        ":services.localhost WALLOPS :*** \x02Nimbral II v4.3\x02  connected, creating services.. "
                        "please stand by.\n",
                        ":services.localhost KILL ChanServ :Nimbral is connecting!\n",
                        "NICK ChanServ 1 10 ChanServ services.localhost services.localhost :Nimbral II 4.3 - ChanServ\n",
                        ":ChanServ SVSMODE ChanServ +oOwghsSkaAcfbWZiqQ\n",
                        ":services.localhost KILL NickServ :Nimbral is connecting!\n",
                    }));
    EXPECT_EQ(lines[kHandshakeLines - 1], ":services.localhost WALLOPS :*** \x02Nimbral II\x02 ready to serve.\n");
    EXPECT_EQ(uplink.Received().find('\r'), std::string::npos);
}

TEST_F(LinkedBinary, OnlyNickServEnabled) {
    StartServices({{"Server Information/ChanServ Enabled", "0"},
                   {"Server Information/OperServ Enabled", "0"},
                   {"Server Information/MemoServ Enabled", "0"},
                   {"Server Information/Password", "linkpw"}});
    ASSERT_TRUE(uplink.WaitForLines(7));
    uplink.ReadFor(200ms);
    EXPECT_EQ(uplink.Received(),
              "PASS linkpw\n"
              "SERVER services.localhost 1 : NBII (NBII 4.3)\n"
              ":services.localhost WALLOPS :*** \x02Nimbral II v4.3\x02  connected, creating services.. please stand by.\n"
              ":services.localhost KILL NickServ :Nimbral is connecting!\n"
              "NICK NickServ 1 10 NickServ services.localhost services.localhost :NickServ\n"
              ":NickServ SVSMODE NickServ +oOwghsSkaAcfbWZiqQ\n"
              ":services.localhost WALLOPS :*** \x02Nimbral II\x02 ready to serve.\n");
}

TEST_F(LinkedBinary, SplitPingIsAnsweredOnceInOneWrite) {
    StartServices();
    ASSERT_TRUE(uplink.WaitForLines(kHandshakeLines));
    std::size_t before = EndBurst();
    std::size_t readsBefore = uplink.Reads().size();
    uplink.SendRaw("PIN");
    uplink.ReadFor(50ms);
    uplink.SendRaw("G :abc\r\n");
    ASSERT_TRUE(uplink.WaitForLines(before + 5));
    uplink.ReadFor(100ms);
    auto lines = uplink.Lines();
    ASSERT_EQ(lines.size(), before + 5);
    EXPECT_EQ(lines[before], ":services.localhost PONG :abc");
    EXPECT_EQ(lines[before + 4], ":MemoServ PONG :abc");
    // The five replies to one received line leave in a single write.
    ASSERT_EQ(uplink.Reads().size(), readsBefore + 1);
    EXPECT_EQ(uplink.Reads().back().size(),
              uplink.Received().size() - uplink.Received().find(":services.localhost PONG :abc"));
}

TEST_F(LinkedBinary, OneBlockWithAServiceCommandAndAQuitHandlesBoth) {
    StartServices();
    ASSERT_TRUE(uplink.WaitForLines(kHandshakeLines));
    EndBurst();
    uplink.SendLine("NICK joe 1 1765055235 joe host.example.org irc.example.org 0 :Joe");
    ASSERT_TRUE(uplink.WaitForLineContaining("connected to", kHandshakeLines));
    uplink.SendRaw(":joe PRIVMSG NickServ :identify sekrit99\r\n:joe QUIT :bye\n");
    EXPECT_TRUE(uplink.WaitForLineContaining("has left IRC (\x02" "bye\x02)", kHandshakeLines));
    uplink.SendLine(":joe PRIVMSG OperServ :login operpw77");
    uplink.SendLine("VERSION :services.localhost");  // no prefix: no asker, no answer
    uplink.SendLine(":ann VERSION :services.localhost");
    ASSERT_TRUE(uplink.WaitForLineContaining("Compile Information", kHandshakeLines));
    services.Stop();
    std::string debug = Debug();
    EXPECT_NE(debug.find("] ************ Nimbral started! ************ \r\n"), std::string::npos);
    EXPECT_NE(debug.find("] :joe PRIVMSG NickServ :identify ******\r\n"), std::string::npos);
    EXPECT_NE(debug.find("] :joe QUIT :bye\r\n"), std::string::npos);
    EXPECT_EQ(debug.find("sekrit99"), std::string::npos);
    EXPECT_EQ(debug.find("operpw77"), std::string::npos);
}

TEST_F(LinkedBinary, SquitOfOurServerAndDroppedLinksReconnect) {
    StartServices();
    ASSERT_TRUE(uplink.WaitForLines(kHandshakeLines));
    uplink.SendLine(":irc.example.org SQUIT services.localhost :Ping timeout");
    ASSERT_TRUE(uplink.WaitForPeerClose());
    ASSERT_TRUE(uplink.Accept(5s)) << services.Output();
    ASSERT_TRUE(uplink.WaitForLines(kHandshakeLines));
    EXPECT_EQ(uplink.Lines()[0], "PASS ");

    // The server refuses us and closes: the reason is shown and the link tried again.
    uplink.SendLine("ERROR :Closing Link: services.localhost (Bad password)");
    uplink.CloseConnection();
    ASSERT_TRUE(uplink.Accept(5s)) << services.Output();
    ASSERT_TRUE(uplink.WaitForLines(kHandshakeLines));
    std::string output = services.Output();
    EXPECT_NE(output.find("The server says: Closing Link: services.localhost (Bad password)"), std::string::npos);
    EXPECT_NE(output.find("lost (closed by the server); trying again in 1 second"), std::string::npos);
}

TEST_F(LinkedBinary, ASilentUplinkIsPingedThenDroppedAndLinkedAgain) {
    StartServices({{"General/Ping Interval", "1"}});
    ASSERT_TRUE(uplink.WaitForLines(kHandshakeLines));
    const std::string ping = ":services.localhost PING :services.localhost";
    auto first = uplink.WaitForLineContaining(ping, kHandshakeLines, 5s);
    ASSERT_TRUE(first) << services.Output();
    // Any line is an answer: the link stays, and the next silence brings the next PING.
    uplink.SendLine(":irc.example.org PONG irc.example.org :services.localhost");
    auto second = uplink.WaitForLineContaining(ping, *first + 1, 5s);
    ASSERT_TRUE(second) << services.Output();
    EXPECT_TRUE(uplink.WaitForPeerClose(5s));
    ASSERT_TRUE(uplink.Accept(5s)) << services.Output();
    EXPECT_NE(services.Output().find("lost (no answer from the server for 2 seconds); trying again in 1 second"),
              std::string::npos)
        << services.Output();
}

TEST_F(LinkedBinary, AnUplinkThatStopsReadingIsDroppedBeforeTheQueueOutgrowsItsBound) {
    std::filesystem::create_directories(dataDir / "help/nickserv");
    {
        std::ofstream big(dataDir / "help/nickserv/big.nb2");
        for (int line = 0; line < 4000; ++line) big << std::string(200, 'x') << "\r\n";
    }
    StartServices({{"General/Send Queue", "1024"}});
    ASSERT_TRUE(uplink.WaitForLines(kHandshakeLines));
    EndBurst();
    uplink.SendLine("NICK joe 1 1765055235 joe host.example.org irc.example.org 0 :Joe");
    ASSERT_TRUE(uplink.WaitForLineContaining("connected to", kHandshakeLines));
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
    ASSERT_TRUE(uplink.Accept(5s)) << services.Output();
    EXPECT_NE(services.Output().find("lost (the server did not read our last 1024 KiB (Send Queue))"),
              std::string::npos)
        << services.Output();
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

TEST(Binary, NoConnectStopsAfterStartupAndCreatesTheTree) {
    test::TempDir dir;
    test::ServicesProcess services;
    services.Start(dir.Path() / "fresh", {"--no-connect"});
    ASSERT_EQ(services.WaitForExit(10000), 0) << services.Output();
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "fresh" / "NickServ" / "NickServ.nb2"));
    EXPECT_NE(services.Output().find("First run"), std::string::npos);
    EXPECT_NE(services.Output().find("Last backup: N/A\n  Nimbral II [4.3] - IRC Services\n"), std::string::npos);
    EXPECT_EQ(services.Output().find("Win32"), std::string::npos);
}

}  // namespace
}  // namespace nb
