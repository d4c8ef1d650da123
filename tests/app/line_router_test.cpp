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

// Every password word of every service command, through tabs and SQUERY as the command parser
// reads them, and the link password: never in the debug log, the raw view or a sent line.
TEST_F(DispatchFixture, PasswordWordsAreMaskedInTheDebugLogRawViewAndAuditLines) {
    for (const char* line :
         {":joe PRIVMSG NickServ :identify s3cret", ":joe PRIVMSG nickserv :ghost bob hunter22",
          ":joe PRIVMSG NickServ :chpass oldpw newpw", ":joe PRIVMSG NickServ :register  doubleblank",
          ":joe PRIVMSG NickServ :drop dropnick", ":joe PRIVMSG ChanServ :register #c chanpw me@x.org My channel",
          ":joe PRIVMSG ChanServ :ident #c identpw", ":joe PRIVMSG ChanServ :drop #c droppw",
          ":joe PRIVMSG OperServ :login operpw", ":joe PRIVMSG NickServ :\tidentify tabbed1",
          ":joe PRIVMSG NickServ :identify\t tabbed2", ":joe PRIVMSG NickServ :identify tab\tbed3",
          ":joe PRIVMSG NickServ :register\ttabbed4", ":joe PRIVMSG NickServ register\ttabbed5",
          ":joe SQUERY NickServ :identify squery6", ":irc.example.org PASS linkpass7 0210-IRC+ ngIRCd|26.1:CHLMSXZo PZ"})
        Receive(line);
    std::string debug = ReadFile("debug.nb2");
    Lines sent = link.Take();
    for (const char* secret : {"s3cret", "hunter22", "oldpw", "newpw", "doubleblank", "dropnick", "chanpw", "identpw",
                               "droppw", "operpw", "tabbed1", "tabbed2", "bed3", "tabbed4", "tabbed5", "squery6",
                               "linkpass7"}) {
        EXPECT_EQ(debug.find(secret), std::string::npos) << secret;
        for (const auto& line : console.raw) EXPECT_EQ(line.find(secret), std::string::npos) << secret;
        for (const auto& line : sent) EXPECT_EQ(line.find(secret), std::string::npos) << secret;
    }
    EXPECT_NE(debug.find(":joe PRIVMSG nickserv :ghost bob ******\r\n"), std::string::npos);
    EXPECT_NE(debug.find(":joe PRIVMSG ChanServ :register #c ****** me@x.org My channel\r\n"), std::string::npos);
    EXPECT_NE(debug.find(":joe PRIVMSG NickServ :identify\t ******\r\n"), std::string::npos);
    EXPECT_NE(debug.find(":irc.example.org PASS ****** 0210-IRC+ ngIRCd|26.1:CHLMSXZo PZ\r\n"), std::string::npos);
    EXPECT_NE(std::find(sent.begin(), sent.end(),
                        ":NickServ PRIVMSG #nb.botinfo :[\x02joe\x02] register [Failed (unknown command)]"),
              sent.end());
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

}  // namespace
}  // namespace nb
