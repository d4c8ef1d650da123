// What the network tables keep that no line shows at once: moved slots and members' status.
#include <gtest/gtest.h>

#include "support/fixture.h"

namespace nb {
namespace {

struct NetworkTest : ::testing::Test, test::ServicesFixture {
    NetworkTest() { StartLinked(); }
};

TEST_F(NetworkTest, RemovalMovesTheLastUserIntoTheFreedSlot) {
    services.users.Clear();
    for (const char* nick : {"a", "b", "c"}) IntroduceUser(nick);
    services.users.At(2).operLevel = 300;
    // Called with a reference into the table it changes, as the kill handlers do.
    services.users.RemoveOnlineUser(services.users.At(0).nick);
    ASSERT_EQ(services.users.Count(), 2u);
    EXPECT_EQ(services.users.At(0).nick, "c");
    EXPECT_EQ(services.users.At(0).slotIndex, 0u);
    EXPECT_EQ(services.users.At(0).operLevel, 300);
    EXPECT_EQ(*services.users.FindOnlineUser("c"), 0u);
    EXPECT_FALSE(services.users.FindOnlineUser("a"));  // absent is absent, never slot 0
}

TEST_F(NetworkTest, MembersKeepOperatorAndVoiceFromSjoinAndModesOfAnySource) {
    for (const char* nick : {"joe", "ann", "bob", "bobby"}) IntroduceUser(nick);
    Receive(":irc.example.org SJOIN 1765055235 #s +nt :@joe +ann @+bob &*!*@ban.net bobby");
    const NetChannel& s = services.channels.At(*services.channels.FindNetChannel("#s"));
    EXPECT_EQ(s.Nicks(), (std::vector<std::string>{"joe", "ann", "bob", "bobby"}));
    EXPECT_TRUE(s.FindMember("joe")->op && !s.FindMember("joe")->voice);
    EXPECT_TRUE(s.FindMember("ANN")->voice);
    EXPECT_TRUE(s.FindMember("bob")->op && s.FindMember("bob")->voice);
    EXPECT_EQ(services.channels.joinCount, 4);
    // Parameters are taken letter by letter, from servers and users alike.
    Receive(":irc.example.org MODE #s +ov bobby bobby");
    Receive(":joe MODE #s -o+b-v joe *!*@x ann 1765055235");
    Receive(":joe NICK joseph");
    Receive(":joseph MODE #s +o JOSEPH");
    EXPECT_TRUE(s.FindMember("bobby")->op && s.FindMember("bobby")->voice);
    EXPECT_FALSE(s.FindMember("ann")->voice);
    EXPECT_TRUE(s.FindMember("joseph")->op);
}

TEST_F(NetworkTest, VersionIsAnsweredOnlyForOurServer) {
    Receive(":joe VERSION :Services.Localhost");
    auto lines = link.Take();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], ":services.localhost 351 joe :Nimbral II v4.3");
    EXPECT_EQ(lines[2], ":services.localhost 351 joe :Compile Information: \x02" "8/5/00 12:50 AM\x02");
}

}  // namespace
}  // namespace nb
