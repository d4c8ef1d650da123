#include <gtest/gtest.h>

#include "support/fixture.h"

namespace nb {
namespace {

struct OnlineUsersTest : ::testing::Test, test::ServicesFixture {
    OnlineUsersTest() { StartLinked(); }
    std::string Time() { return "[\x02" "9:07:15 PM\x02] "; }
};

TEST_F(OnlineUsersTest, IntroductionReadsFieldsWhateverTheirWidthAndLogsTheConnect) {
    Receive("NICK joe 12 1765055235 ~joe host.example.org irc.example.org 0 :Joe Bloggs");
    auto slot = services.users.FindOnlineUser("JOE");
    ASSERT_TRUE(slot);
    const OnlineUser& joe = services.users.At(*slot);
    EXPECT_EQ(joe.ident, "~joe");
    EXPECT_EQ(joe.host, "host.example.org");
    EXPECT_EQ(joe.server, "irc.example.org");
    EXPECT_EQ(joe.Mask(), "joe!~joe@host.example.org");
    EXPECT_EQ(ConnectTimeText(joe), "9:07:15 PM 12/6/2026");
    EXPECT_EQ(joe.replyType, ReplyType::Notice);
    EXPECT_EQ(joe.slotIndex, *slot);
    EXPECT_EQ(link.Take(), (std::vector<std::string>{
                               ":OperServ PRIVMSG #nb.netinfo :" + Time() +
                                   "\x02joe\x02 (\x02~joe\x02@\x02host.example.org\x02) connected to "
                                   "\x02irc.example.org\x02.",
                               ":OperServ PRIVMSG #NBII :Max Users: \x02" "5\x02 users.",
                               ":OperServ PRIVMSG #NBII :Previous Record: \x02" "0\x02 users (\x02" "12/6/2026 9:07:15 PM\x02)",
                           }));
    EXPECT_EQ(services.users.connectCount, 1);
    // A second introduction of a nick already online is a collision: the earlier user is gone.
    std::uint64_t first = joe.id;
    Receive("NICK Joe 1 1765055235 other other.host irc.example.org 0 :Other");
    const OnlineUser& other = services.users.At(*services.users.FindOnlineUser("joe"));
    EXPECT_EQ(other.ident, "other");
    EXPECT_NE(other.id, first);
    EXPECT_EQ(services.users.Count(), 5u);
    // A server text that cannot be a server name reads as N/A.
    Receive("NICK ann 1 1765055235 ann a.host #bad 0 :Ann");
    EXPECT_FALSE(services.users.At(*services.users.FindOnlineUser("ann")).server);
}

TEST_F(OnlineUsersTest, MaxUsersRecordIsStoredInTheSettings) {
    IntroduceUser("joe");
    EXPECT_EQ(services.maxUsers.count, 5);
    link.Take();
    IntroduceUser("ann");  // 6 online: a new record
    auto lines = link.Take();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], ":OperServ PRIVMSG #NBII :Max Users: \x02" "6\x02 users.");
    EXPECT_EQ(services.settings.Get("General", "Max Users", ""), "6");
    Receive(":ann QUIT :bye");
    link.Take();
    IntroduceUser("bob");  // 6 again: no new record
    EXPECT_EQ(link.Take().size(), 1u);
    EXPECT_NE(ReadFile("settings.ini").find("Max Users=6"), std::string::npos);
}

TEST_F(OnlineUsersTest, RemovalMovesTheLastUserIntoTheFreedSlot) {
    services.users.Clear();
    IntroduceUser("a");
    IntroduceUser("b");
    IntroduceUser("c");
    services.users.At(2).replyType = ReplyType::Privmsg;
    services.users.At(2).operLevel = 300;
    services.users.At(2).override = true;
    // Called with a reference into the table it changes, as the kill handlers do.
    services.users.RemoveOnlineUser(services.users.At(0).nick);
    ASSERT_EQ(services.users.Count(), 2u);
    const OnlineUser& moved = services.users.At(0);
    EXPECT_EQ(moved.nick, "c");
    EXPECT_EQ(moved.slotIndex, 0u);
    EXPECT_EQ(moved.replyType, ReplyType::Privmsg);
    EXPECT_EQ(moved.operLevel, 300);
    EXPECT_TRUE(moved.override);
    EXPECT_EQ(*services.users.FindOnlineUser("c"), 0u);
    EXPECT_FALSE(services.users.FindOnlineUser("a"));  // absent is absent, never slot 0
}

TEST_F(OnlineUsersTest, QuitLogsCountsAndLeavesChannels) {
    IntroduceUser("joe");
    IntroduceUser("ann");
    Receive(":joe JOIN #a,#b");
    Receive(":ann JOIN #b");
    link.Take();
    Receive(":joe QUIT :Gone fishing");
    EXPECT_EQ(link.Take(), (std::vector<std::string>{
                               ":OperServ PRIVMSG #nb.netinfo :" + Time() + "\x02joe\x02 has left IRC (\x02Gone fishing\x02)",
                               ":OperServ PRIVMSG #nb.netinfo :" + Time() + "\x02#a\x02 has become empty, removing it.",
                           }));
    EXPECT_FALSE(services.users.IsUserOnline("joe"));
    EXPECT_EQ(services.users.quitCount, 1);
    ASSERT_EQ(services.channels.Count(), 1u);
    EXPECT_EQ(services.channels.At(0).Nicks(), (std::vector<std::string>{"ann"}));
    // A quit for a nick not in the table is still logged and counted.
    Receive(":nobody QUIT :x");
    EXPECT_EQ(link.Take().size(), 1u);
    EXPECT_EQ(services.users.quitCount, 2);
}

TEST_F(OnlineUsersTest, NickChangeRenamesUserMaskAndMemberships) {
    IntroduceUser("joe", "j", "h.example.org");
    IntroduceUser("bobby");
    Receive(":joe JOIN #a");
    Receive(":bobby JOIN #a");
    link.Take();
    Receive(":joe NICK bob 1765055300");
    EXPECT_EQ(link.Take(), (std::vector<std::string>{":OperServ PRIVMSG #nb.netinfo :" + Time() +
                                                     "\x02joe\x02 is now known as \x02" "bob\x02."}));
    auto slot = services.users.FindOnlineUser("bob");
    ASSERT_TRUE(slot);
    EXPECT_EQ(services.users.At(*slot).Mask(), "bob!j@h.example.org");
    EXPECT_FALSE(services.users.IsUserOnline("joe"));
    EXPECT_EQ(services.channels.At(0).Nicks(), (std::vector<std::string>{"bob", "bobby"}));
    EXPECT_EQ(services.users.nickChangeCount, 1);
}

TEST_F(OnlineUsersTest, KillFromTheNetworkRemovesTheVictimButNeverAService) {
    IntroduceUser("joe");
    Receive(":irc.example.org KILL joe :irc.example.org (flooding)");
    EXPECT_FALSE(services.users.IsUserOnline("joe"));
    Receive(":irc.example.org KILL NickServ :nick collision");
    EXPECT_TRUE(services.users.IsUserOnline("NickServ"));
}

}  // namespace
}  // namespace nb
