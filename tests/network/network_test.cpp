// What the network tables keep that no line shows at once: members and their status, and what
// our own actions change (the uplink does not echo them). What the services do on each change
// the uplink tells is in the transcripts.
#include "network/outbound.h"
#include "support/fixture.h"

namespace nb {
namespace {

struct NetworkTest : test::ServiceTest {
    const NetChannel& Channel(const std::string& name) { return services.channels.At(*services.channels.FindNetChannel(name)); }
};

TEST_F(NetworkTest, MembersKeepTheirOrderAndStatusFromSjoinModesAndDepartures) {
    for (const char* nick : {"joe", "ann", "bob", "bobby"}) IntroduceUser(nick);
    Receive(":irc.example.org SJOIN 1765055235 #s +nt :@joe +ann @+bob &*!*@ban.net bobby");
    const NetChannel& s = Channel("#s");
    EXPECT_EQ(s.Nicks(), (test::Lines{"joe", "ann", "bob", "bobby"}));
    EXPECT_TRUE(s.FindMember("joe")->op && !s.FindMember("joe")->voice);
    EXPECT_TRUE(s.FindMember("ANN")->voice && s.FindMember("bob")->op && s.FindMember("bob")->voice);
    // Parameters are taken letter by letter, from servers and users alike.
    Receive(":irc.example.org MODE #s +ov bobby bobby");
    Receive(":joe MODE #s -o+b-v joe *!*@x ann 1765055235");
    Receive(":joe NICK joseph");
    Receive(":joseph MODE #s +o JOSEPH");
    EXPECT_TRUE(s.FindMember("bobby")->op && s.FindMember("bobby")->voice);
    EXPECT_FALSE(s.FindMember("ann")->voice);
    EXPECT_TRUE(s.FindMember("joseph")->op);

    // A departure moves the last user into the freed slot; the members keep their order.
    test::Lines stay = {"joseph", "bob", "bobby"};
    for (int i = 0; i < 40; ++i) {
        IntroduceUser("u" + std::to_string(i));
        Receive(":u" + std::to_string(i) + " JOIN #s");
        if (i % 2 == 0) stay.push_back("u" + std::to_string(i));
    }
    User("u38").operLevel = 300;
    Receive(":ann QUIT :bye");
    for (int i = 1; i < 40; i += 2) Receive(":u" + std::to_string(i) + " QUIT :bye");
    EXPECT_EQ(s.Nicks(), stay);
    EXPECT_EQ(User("U38").operLevel, 300);
    EXPECT_EQ(User("u38").slotIndex, *services.users.FindOnlineUser("u38"));
    EXPECT_FALSE(services.users.FindOnlineUser("u39"));
}

TEST_F(NetworkTest, OurOwnActionsUpdateTheTables) {
    for (const char* nick : {"joe", "ann", "bob"}) IntroduceUser(nick);
    Receive(":ann JOIN #b");
    Receive(":bob JOIN #b");
    Outbound& out = services.out;
    out.Join("ChanServ", "#b");
    out.ServerMode("#b", "+o-o+v", "ChanServ ChanServ ann");
    out.Topic("ChanServ", "#b", "Kept");
    out.RestoreModes("ChanServ", "#b", "ntk key");
    const NetChannel& b = Channel("#b");
    EXPECT_EQ(b.Nicks(), (test::Lines{"ann", "bob", "ChanServ"}));
    EXPECT_FALSE(b.FindMember("chanserv")->op);
    EXPECT_TRUE(b.FindMember("ann")->voice);
    EXPECT_EQ(std::tie(b.topic, b.modes), std::tuple("Kept", "ntk key"));
    out.Kick("ChanServ", "#b", "ann", "bye");
    out.ServerKick("#b", "bob", "go");
    out.ForceNickChange("bob", "Guest1234");
    out.Kill("OperServ", "joe", "(oper) flood");
    EXPECT_EQ(b.Nicks(), test::Lines{"ChanServ"});
    EXPECT_FALSE(services.users.IsUserOnline("joe"));
    EXPECT_EQ(User("guest1234").Mask(), "Guest1234!user@host.example.org");
    out.Part("ChanServ", "#b");
    EXPECT_FALSE(services.channels.ChannelExists("#b"));

    // While the link is down a line is dropped, and logged without its text.
    link.connected = false;
    out.Message("NickServ", ReplyType::Privmsg, "ann", "Your password is now secret1");
    EXPECT_NE(ReadFile("debug.nb2").find("] Link down, not sent: :NickServ PRIVMSG ann\r\n"), std::string::npos);
    EXPECT_EQ(ReadFile("debug.nb2").find("secret1"), std::string::npos);
}

TEST(MakeBanMask, WidensNamesToTheirDomainAndAddressesToTheirNetwork) {
    EXPECT_EQ(MakeBanMask("~joe", "10.1.2.3"), "*joe@10.1.2.*");
    EXPECT_EQ(MakeBanMask("joe", "h.d.t"), "*joe@*.d.t");
    EXPECT_EQ(MakeBanMask("x", "localhost"), "*x@localhost");
    EXPECT_EQ(MakeBanMask("x", "2001db8"), "*x@2001db8");  // not all digits and dots: a name
}

}  // namespace
}  // namespace nb
