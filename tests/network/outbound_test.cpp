#include <gtest/gtest.h>

#include "network/outbound.h"
#include "support/fixture.h"

namespace nb {
namespace {

using test::ServicesFixture;
using Lines = std::vector<std::string>;

TEST(MakeBanMask, WidensNamesToTheirDomainAndAddressesToTheirNetwork) {
    EXPECT_EQ(MakeBanMask("~joe", "10.1.2.3"), "*joe@10.1.2.*");
    EXPECT_EQ(MakeBanMask("joe", "h.d.t"), "*joe@*.d.t");
    EXPECT_EQ(MakeBanMask("x", "1.2.3.4"), "*x@1.2.3.*");
    EXPECT_EQ(MakeBanMask("x", "localhost"), "*x@localhost");
    EXPECT_EQ(MakeBanMask("x", "2001db8"), "*x@2001db8");  // not all digits and dots: a name
}

TEST(Outbound, LinesAreBuiltExactly) {
    ServicesFixture f;
    f.StartLinked();
    f.services.out.Message("NickServ", ReplyType::Notice, "joe", "hi");
    f.services.out.ServerMode("#chan", "+ints", "");
    f.services.out.ServerMode("#chan", "+o", "OperServ");
    f.services.logs.LogToOperChannel("oper");
    f.services.logs.LogToBotChannel("NickServ", "audit");
    f.services.logs.LogNetEvent("event");
    EXPECT_EQ(f.link.Take(), (Lines{
                                 ":NickServ NOTICE joe :hi",
                                 ":services.localhost MODE #chan +ints",
                                 ":services.localhost MODE #chan +o OperServ",
                                 ":OperServ PRIVMSG #NBII :oper",
                                 ":NickServ PRIVMSG #nb.botinfo :audit",
                                 ":OperServ PRIVMSG #nb.netinfo :[\x02" "9:07:15 PM\x02] event",
                             }));
}

TEST(Outbound, SendWhileLinkDownIsDroppedAndWrittenToTheDebugLog) {
    ServicesFixture f;
    f.StartLinked();
    f.link.connected = false;
    f.services.out.Message("NickServ", ReplyType::Privmsg, "joe", "Your password is now secret1");
    EXPECT_TRUE(f.link.lines.empty());
    std::string debug = f.ReadFile("debug.nb2");
    EXPECT_NE(debug.find("[12/6/2026 9:07:15 PM] Link down, not sent: :NickServ PRIVMSG joe\r\n"),
              std::string::npos);
    EXPECT_EQ(debug.find("secret1"), std::string::npos);
}

// The uplink does not echo our own lines: every action keeps the tables true by itself.
TEST(Outbound, ActionsSendTheirLineAndUpdateTheTables) {
    ServicesFixture f;
    f.StartLinked();
    for (const char* nick : {"joe", "ann", "bob"}) f.IntroduceUser(nick);
    f.Receive(":joe JOIN #a");
    f.Receive(":ann JOIN #a");
    f.link.Take();
    Outbound& out = f.services.out;
    const Channels& channels = f.services.channels;

    out.Join("ChanServ", "#a");
    out.ServerMode("#a", "+ov-v", "ChanServ ann ann");
    out.Topic("ChanServ", "#a", "Be nice");
    out.Kick("ChanServ", "#a", "ann", "bye");
    out.ForceNickChange("bob", "Guest1234");
    out.Kill("OperServ", "joe", "(oper) flood");
    out.Invite("OperServ", "Guest1234", "#a");
    out.Wallops("OperServ", "note");
    out.Part("ChanServ", "#a");
    EXPECT_EQ(f.link.Take(), (Lines{":ChanServ JOIN #a",
                                    ":services.localhost MODE #a +ov-v ChanServ ann ann",
                                    ":ChanServ TOPIC #a :Be nice",
                                    ":ChanServ KICK #a ann :bye",
                                    ":services.localhost SVSNICK bob Guest1234 * ",
                                    ":OperServ KILL joe :(oper) flood",
                                    ":OperServ INVITE Guest1234 #a",
                                    ":OperServ WALLOPS :note",
                                    ":ChanServ PART #a",
                                    ":OperServ PRIVMSG #nb.netinfo :[\x02" "9:07:15 PM\x02] \x02#a\x02 has become "
                                    "empty, removing it."}));
    EXPECT_FALSE(f.services.users.IsUserOnline("joe"));
    EXPECT_FALSE(f.services.users.IsUserOnline("bob"));
    EXPECT_EQ(f.services.users.At(*f.services.users.FindOnlineUser("guest1234")).Mask(), "Guest1234!user@host.example.org");
    EXPECT_FALSE(channels.ChannelExists("#a"));  // ChanServ was the last member, then left

    // Status and topic, looked at before the channel emptied.
    f.Receive(":ann JOIN #b");
    out.Join("ChanServ", "#b");
    out.ServerMode("#b", "+o-o+v", "ChanServ ChanServ ann");
    out.Topic("ChanServ", "#b", "Kept");
    const NetChannel& b = channels.At(*channels.FindNetChannel("#b"));
    EXPECT_EQ(b.Nicks(), (Lines{"ann", "ChanServ"}));
    EXPECT_FALSE(b.FindMember("chanserv")->op);
    EXPECT_TRUE(b.FindMember("ann")->voice);
    EXPECT_EQ(b.topic, "Kept");

    f.link.Take();
    out.RestoreModes("ChanServ", "#b", "ntk key");
    out.ServerKick("#b", "ann", "go");
    EXPECT_EQ(f.link.Take(), (Lines{":ChanServ MODE #b :ntk key", ":services.localhost KICK #b ann :go"}));
    EXPECT_EQ(b.modes, "ntk key");
    EXPECT_EQ(b.Nicks(), (Lines{"ChanServ"}));
    out.RestoreModes("ChanServ", "#b", "");
    EXPECT_TRUE(f.link.Take().empty());
    EXPECT_EQ(b.modes, "");
}

}  // namespace
}  // namespace nb
