#include <gtest/gtest.h>

#include "support/fixture.h"

namespace nb {
namespace {

struct ChannelsTest : ::testing::Test, test::ServicesFixture {
    ChannelsTest() {
        StartLinked();
        for (const char* nick : {"joe", "ann", "bobby", "bob"}) IntroduceUser(nick);
        link.Take();
    }
    std::string Net(const std::string& text) {
        return ":OperServ PRIVMSG #nb.netinfo :[\x02" "9:07:15 PM\x02] " + text;
    }
    const NetChannel& Channel(const std::string& name) { return services.channels.At(*services.channels.FindNetChannel(name)); }
};

TEST_F(ChannelsTest, JoinCreatesThenAddsMembersByWholeWord) {
    Receive(":bobby JOIN #a");
    Receive(":bob JOIN #A");
    Receive(":bob JOIN #a");  // already a member
    EXPECT_EQ(link.Take(), (std::vector<std::string>{Net("\x02#a\x02 has been created by \x02" "bobby\x02."),
                                                     Net("\x02" "bob\x02 joined \x02#a\x02.")}));
    EXPECT_EQ(Channel("#a").Nicks(), (std::vector<std::string>{"bobby", "bob"}));
    EXPECT_FALSE(Channel("#a").topic);
    EXPECT_EQ(services.channels.joinCount, 3);
}

TEST_F(ChannelsTest, JoinOfEightChannelsAtOnceJoinsAllEight) {
    Receive(":joe JOIN #c1,#c2,#c3,#c4,#c5,#c6,#c7,#c8");
    ASSERT_EQ(services.channels.Count(), 8u);
    for (int i = 1; i <= 8; ++i) EXPECT_EQ(Channel("#c" + std::to_string(i)).members.size(), 1u);
    EXPECT_EQ(link.Take().size(), 8u);
    EXPECT_EQ(services.channels.joinCount, 1);
}

TEST_F(ChannelsTest, LastMemberLeavingRemovesChannelAndLastSlotMovesIn) {
    Receive(":joe JOIN #first");
    Receive(":ann JOIN #second");
    Receive(":bob JOIN #third");
    Receive(":ann JOIN #third");
    link.Take();
    Receive(":joe PART #first :bye now");
    EXPECT_EQ(link.Take(), (std::vector<std::string>{Net("\x02joe\x02 has parted \x02#first\x02."),
                                                     Net("\x02#first\x02 has become empty, removing it.")}));
    ASSERT_EQ(services.channels.Count(), 2u);
    EXPECT_EQ(services.channels.At(0).name, "#third");
    EXPECT_EQ(services.channels.At(0).Nicks(), (std::vector<std::string>{"bob", "ann"}));
    Receive(":joe KICK #third bob :behave");
    EXPECT_TRUE(link.Take().empty());  // kicks are not logged
    EXPECT_EQ(Channel("#third").Nicks(), (std::vector<std::string>{"ann"}));
    EXPECT_EQ(services.channels.partCount, 1);
    EXPECT_EQ(services.channels.kickCount, 1);
    // Parting a channel one is not in does not empty it.
    Receive(":joe PART #third");
    EXPECT_TRUE(services.channels.ChannelExists("#third"));
}

TEST_F(ChannelsTest, TopicsFromUsersAndBursts) {
    Receive(":joe JOIN #a");
    link.Take();
    Receive(":joe TOPIC #a :Welcome: rules at http://x");
    Receive("TOPIC #a ann 1765055235 :Burst topic");
    EXPECT_EQ(link.Take(), (std::vector<std::string>{
                               Net("\x02joe\x02 changed \x02#a's\x02 topic to: \x02Welcome: rules at http://x\x02"),
                               Net("\x02" "ann\x02 changed \x02#a's\x02 topic to: \x02" "Burst topic\x02")}));
    EXPECT_EQ(Channel("#a").topic, "Burst topic");
}

TEST_F(ChannelsTest, ModesAreLoggedAndStoredExceptStatusBansAndServerModes) {
    Receive(":joe JOIN #a");
    link.Take();
    Receive(":joe MODE #a +o ann");
    Receive(":joe MODE #a -b *!*@x");
    Receive(":irc.example.org MODE #a +s");
    EXPECT_TRUE(link.Take().empty());
    EXPECT_FALSE(Channel("#a").modes);
    Receive(":joe MODE #a +nt");
    Receive(":joe MODE #a +lk 10 key 1765055235");  // trailing channel timestamp
    EXPECT_EQ(link.Take(), (std::vector<std::string>{
                               Net("\x02joe\x02 changed \x02#a's\x02 modes to: \x02+nt \x02"),
                               Net("\x02joe\x02 changed \x02#a's\x02 modes to: \x02+lk 10 key\x02")}));
    EXPECT_EQ(Channel("#a").modes, "+lk");
    // A mode on an unknown channel does not make one: no channel is kept without members.
    Receive(":joe MODE #new +m");
    EXPECT_FALSE(services.channels.ChannelExists("#new"));
}

TEST_F(ChannelsTest, MembersKeepOperatorAndVoiceFromSjoinAndModesOfAnySource) {
    Receive(":irc.example.org SJOIN 1765055235 #s +nt :@joe +ann @+bob &*!*@ban.net bobby");
    const NetChannel& s = Channel("#s");
    EXPECT_EQ(s.Nicks(), (std::vector<std::string>{"joe", "ann", "bob", "bobby"}));
    EXPECT_TRUE(s.FindMember("joe")->op);
    EXPECT_FALSE(s.FindMember("joe")->voice);
    EXPECT_TRUE(s.FindMember("ANN")->voice);
    EXPECT_TRUE(s.FindMember("bob")->op && s.FindMember("bob")->voice);
    EXPECT_FALSE(s.FindMember("bobby")->op || s.FindMember("bobby")->voice);
    EXPECT_EQ(services.channels.joinCount, 4);

    // A server's MODE is not logged but still gives status; parameters are taken letter by letter.
    link.Take();
    Receive(":irc.example.org MODE #s +ov bobby bobby");
    Receive(":joe MODE #s -o+b-v joe *!*@x ann 1765055235");
    Receive(":joe NICK joseph");
    Receive(":joseph MODE #s +o JOSEPH");
    EXPECT_TRUE(s.FindMember("bobby")->op && s.FindMember("bobby")->voice);
    EXPECT_FALSE(s.FindMember("ann")->voice);
    EXPECT_TRUE(s.FindMember("joseph")->op);
    for (const auto& line : link.Take()) EXPECT_EQ(line.find("modes to"), std::string::npos) << line;
}

}  // namespace
}  // namespace nb
