#include <gtest/gtest.h>

#include "support/fixture.h"

namespace nb {
namespace {

using test::ServicesFixture;

struct DispatchFixture : ::testing::Test, ServicesFixture {
    DispatchFixture() {
        services.dispatcher.AddServiceEndpoint([] { return std::string("TestServ"); },
                                               [this](std::size_t slot, const std::string& text) {
                                                   calls.push_back(services.users.At(slot).nick + ":" + text);
                                               });
        StartLinked();
        IntroduceUser("joe");
        IntroduceUser("ann");
        Receive(":joe JOIN #x");
        link.Take();
    }
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
    EXPECT_EQ(services.channels.At(0).topic, kNotDetected);
    EXPECT_EQ(services.channels.At(0).modes, kNotDetected);
    EXPECT_EQ(ReadFile("debug.nb2"), before);
}

TEST_F(DispatchFixture, ServiceMessagesReachTheirServiceOnlyFromKnownSenders) {
    Receive(":joe PRIVMSG testserv :hello there");
    Receive(":ghost PRIVMSG TestServ :hello");
    Receive(":joe PRIVMSG TestServ@services.localhost :again");
    EXPECT_EQ(calls, (std::vector<std::string>{"joe:hello there", "joe:again"}));
    EXPECT_NE(ReadFile("debug.nb2").find("Message to TestServ from unknown user ghost not run"), std::string::npos);
}

TEST_F(DispatchFixture, PasswordWordsAreMaskedInTheDebugLogAndRawView) {
    Receive(":joe PRIVMSG NickServ :identify s3cret");
    Receive(":joe PRIVMSG nickserv :ghost bob hunter22");
    Receive(":joe PRIVMSG NickServ :chpass oldpw newpw");
    Receive(":joe PRIVMSG NickServ :register  doubleblank");
    Receive(":joe PRIVMSG ChanServ :register #c chanpw me@x.org My channel");
    Receive(":joe PRIVMSG OperServ :login operpw");
    std::string debug = ReadFile("debug.nb2");
    for (const char* secret : {"s3cret", "hunter22", "oldpw", "newpw", "doubleblank", "chanpw", "operpw"}) {
        EXPECT_EQ(debug.find(secret), std::string::npos) << secret;
        for (const auto& line : console.raw) EXPECT_EQ(line.find(secret), std::string::npos) << secret;
    }
    EXPECT_NE(debug.find(":joe PRIVMSG NickServ :identify ******\r\n"), std::string::npos);
    EXPECT_NE(debug.find(":joe PRIVMSG nickserv :ghost bob ******\r\n"), std::string::npos);
    EXPECT_NE(debug.find(":joe PRIVMSG ChanServ :register #c ****** me@x.org My channel\r\n"), std::string::npos);
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
    auto joe = *services.users.FindOnlineUser("joe");
    EXPECT_FALSE(services.dispatcher.IsUserIgnored(joe));
    services.ignoreList = {"*!*@other.net", "JOE!*@*.EXAMPLE.org"};
    EXPECT_TRUE(services.dispatcher.IsUserIgnored(joe));
    EXPECT_FALSE(services.dispatcher.IsUserIgnored(*services.users.FindOnlineUser("ann")));
}

}  // namespace
}  // namespace nb
