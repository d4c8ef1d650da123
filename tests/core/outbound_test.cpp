#include <gtest/gtest.h>

#include "core/outbound.h"
#include "support/fixture.h"

namespace nb {
namespace {

using test::ServicesFixture;

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
    f.services.out.SendServerCommand("NickServ", "NOTICE", "joe", "hi");
    f.services.out.SendServerMode("#chan", "+ints", "");
    f.services.out.SendServerMode("#chan", "+o", "OperServ");
    f.services.out.LogToOperChannel("oper");
    f.services.out.LogToBotChannel("NickServ", "audit");
    f.services.out.LogNetEvent("event");
    EXPECT_EQ(f.link.Take(), (std::vector<std::string>{
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
    f.services.out.SendPrivmsg("NickServ", "joe", "Your password is now secret1");
    EXPECT_TRUE(f.link.lines.empty());
    std::string debug = f.ReadFile("debug.nb2");
    EXPECT_NE(debug.find("[12/6/2026 9:07:15 PM] Link down, not sent: :NickServ PRIVMSG joe\r\n"),
              std::string::npos);
    EXPECT_EQ(debug.find("secret1"), std::string::npos);
}

}  // namespace
}  // namespace nb
