#include <gtest/gtest.h>

#include <algorithm>

#include "support/fixture.h"

namespace nb {
namespace {

using test::ServicesFixture;
using Lines = std::vector<std::string>;

// A client of our own with two commands that note who called them with which words.
struct DispatchFixture : ::testing::Test, ServicesFixture {
    DispatchFixture() {
        auto note = [this](const CommandContext& context) {
            calls.push_back(context.sender.nick + ":" + context.words.Text());
        };
        table.commands = {{"hello", Words<0>, "", Gate::None, "HELLO", {}, note},
                          {"again", Words<0>, "", Gate::None, "AGAIN", {}, note}};
        ServiceClient client;
        client.nick = "TestServ";
        client.enabled = false;  // answers without being introduced
        client.commands = &table;
        services.clients.Add(client);
        StartLinked();
        IntroduceUser("joe");
        IntroduceUser("ann");
        Receive(":joe JOIN #x");
        link.Take();
    }
    CommandTable table;
    std::vector<std::string> calls;
};

TEST_F(DispatchFixture, ChannelTextNeverActsAsAProtocolLineAndStaysOutOfTheDebugLog) {
    std::string before = ReadFile("debug.nb2");
    Receive(":ann PRIVMSG #x :TOPIC #x :owned");
    Receive(":ann PRIVMSG #x :MODE #x -o ChanServ");
    Receive(":ann PRIVMSG #x :NICK evil 1 1765055235 a b c 0 :x and PING :boom and QUIT :bye");
    EXPECT_TRUE(link.Take().empty());
    EXPECT_EQ(services.users.Count(), 6u);
    EXPECT_FALSE(services.users.IsUserOnline("evil"));
    EXPECT_FALSE(services.channels.At(0).topic);
    EXPECT_FALSE(services.channels.At(0).modes);
    EXPECT_EQ(ReadFile("debug.nb2"), before);
}

TEST_F(DispatchFixture, ServiceMessagesReachTheirServiceOnlyFromKnownSenders) {
    Receive(":joe PRIVMSG testserv :hello there");
    Receive(":ghost PRIVMSG TestServ :hello");
    Receive(":joe PRIVMSG TestServ@services.localhost :again");
    EXPECT_EQ(calls, (std::vector<std::string>{"joe:hello there", "joe:again"}));
    EXPECT_NE(ReadFile("debug.nb2").find("Message to TestServ from unknown user ghost not run"), std::string::npos);
}

TEST_F(DispatchFixture, PasswordWordsAreMaskedInTheDebugLogRawViewAndAuditLines) {
    Receive(":joe PRIVMSG NickServ :identify s3cret");
    Receive(":joe PRIVMSG nickserv :ghost bob hunter22");
    Receive(":joe PRIVMSG NickServ :chpass oldpw newpw");
    Receive(":joe PRIVMSG NickServ :register  doubleblank");
    Receive(":joe PRIVMSG ChanServ :register #c chanpw me@x.org My channel");
    Receive(":joe PRIVMSG OperServ :login operpw");
    // What the command parser reads through tabs, the masking reads too.
    Receive(":joe PRIVMSG NickServ :\tidentify tabbed1");
    Receive(":joe PRIVMSG NickServ :identify\t tabbed2");
    Receive(":joe PRIVMSG NickServ :identify tab\tbed3");
    Receive(":joe PRIVMSG NickServ :register\ttabbed4");
    Receive(":joe PRIVMSG NickServ register\ttabbed5");
    Receive(":joe SQUERY NickServ :identify squery6");
    Receive(":irc.example.org PASS linkpass7 0210-IRC+ ngIRCd|26.1:CHLMSXZo PZ");
    std::string debug = ReadFile("debug.nb2");
    Lines sent = link.Take();
    for (const char* secret : {"s3cret", "hunter22", "oldpw", "newpw", "doubleblank", "chanpw", "operpw", "tabbed1",
                               "tabbed2", "tab\tbed3", "bed3", "tabbed4", "tabbed5", "squery6", "linkpass7"}) {
        EXPECT_EQ(debug.find(secret), std::string::npos) << secret;
        for (const auto& line : console.raw) EXPECT_EQ(line.find(secret), std::string::npos) << secret;
        for (const auto& line : sent) EXPECT_EQ(line.find(secret), std::string::npos) << secret;
    }
    EXPECT_NE(debug.find(":joe PRIVMSG NickServ :identify ******\r\n"), std::string::npos);
    EXPECT_NE(debug.find(":joe PRIVMSG nickserv :ghost bob ******\r\n"), std::string::npos);
    EXPECT_NE(debug.find(":joe PRIVMSG ChanServ :register #c ****** me@x.org My channel\r\n"), std::string::npos);
    EXPECT_NE(debug.find(":joe PRIVMSG NickServ :identify\t ******\r\n"), std::string::npos);
    EXPECT_NE(debug.find(":irc.example.org PASS ****** 0210-IRC+ ngIRCd|26.1:CHLMSXZo PZ\r\n"), std::string::npos);
    // The unknown command is audited by its word alone.
    EXPECT_NE(std::find(sent.begin(), sent.end(),
                        ":NickServ PRIVMSG #nb.botinfo :[\x02joe\x02] register [Failed (unknown command)]"),
              sent.end());
}

TEST_F(DispatchFixture, SquitOfOurOwnServerReconnectsAndOthersAreIgnored) {
    Receive("SQUIT irc.example.org :netsplit");
    EXPECT_EQ(link.connectCalls, 0);
    Receive(":irc.example.org SQUIT services.localhost :Ping timeout");
    EXPECT_EQ(link.connectCalls, 1);
}

TEST_F(DispatchFixture, LinesNoHandlerNeedsAreToleratedWithoutChanges) {
    for (const char* line : {"PROTOCTL NOQUIT TOKEN NICKv2 SJOIN", "NETINFO 5 1765055235 0 * 0 0 0 :Net",
                             ":irc.example.org EOS", ":irc.example.org SMO o :something", ":ann GLOBOPS :hi",
                             ":irc.example.org 219 services.localhost u :End", ":irc.example.org 005 ",
                             "SERVER hub.example.org 2 :Hub", ":irc.example.org NOTICE ann :x  ", "BOGUS"}) {
        Receive(line);
    }
    EXPECT_TRUE(link.Take().empty());
    EXPECT_EQ(services.users.Count(), 6u);
    EXPECT_EQ(services.channels.Count(), 1u);
    Receive("ERROR :Closing Link: services.localhost (Bad password)");
    ASSERT_FALSE(console.messages.empty());
    EXPECT_EQ(console.messages.back(), "NBII - Server Link: The server says: Closing Link: services.localhost (Bad password)");
}

TEST_F(DispatchFixture, IgnoreListMatchesFullMaskWithoutRegardToCase) {
    auto mask = [&](const char* nick) { return services.users.At(*services.users.FindOnlineUser(nick)).Mask(); };
    EXPECT_FALSE(services.ignoreList.Matches(mask("joe")));
    services.ignoreList.masks = {"*!*@other.net", "JOE!*@*.EXAMPLE.org"};
    EXPECT_TRUE(services.ignoreList.Matches(mask("joe")));
    EXPECT_FALSE(services.ignoreList.Matches(mask("ann")));
}

}  // namespace
}  // namespace nb
