#include <gtest/gtest.h>

#include "app/startup.h"
#include "core/settings.h"
#include "support/fixture.h"

namespace nb {
namespace {

using test::ServicesFixture;

const std::vector<std::string> kNickServLines = {
    ":services.localhost KILL NickServ :Nimbral is connecting!",
    "NICK NickServ 1 10 NickServ services.localhost services.localhost :NickServ",
    ":NickServ SVSMODE NickServ +oOwghsSkaAcfbWZiqQ",
};

TEST(Handshake, DefaultSettingsIntroduceAllFourServicesInOrder) {
    ServicesFixture f;
    RunStartup(f.services, "testhost");
    f.services.OnLinkUp();
    std::vector<std::string> expected = {
        "PASS ",
        "SERVER services.localhost 1 : NBII (NBII 4.3)",
        ":services.localhost WALLOPS :*** \x02Nimbral II v4.3\x02  connected, creating services.. please stand by.",
        ":services.localhost KILL ChanServ :Nimbral is connecting!",
        "NICK ChanServ 1 10 ChanServ services.localhost services.localhost :Nimbral II 4.3 - ChanServ",
        ":ChanServ SVSMODE ChanServ +oOwghsSkaAcfbWZiqQ",
    };
    expected.insert(expected.end(), kNickServLines.begin(), kNickServLines.end());
    for (const char* line : {
             ":services.localhost KILL OperServ :Nimbral is connecting!",
             "NICK OperServ 1 10 OperServ services.localhost services.localhost :OperServ",
             ":OperServ SVSMODE OperServ +oOwghsSkaAcfbWZiqQ",
             ":OperServ JOIN #nb.botinfo",
             ":OperServ JOIN #NBII",
             ":OperServ JOIN #nb.netinfo",
             ":services.localhost MODE #nb.botinfo +o OperServ",
             ":services.localhost MODE #NBII +o OperServ",
             ":services.localhost MODE #nb.netinfo +o OperServ",
             ":services.localhost MODE #nb.botinfo +ints",
             ":services.localhost MODE #NBII +ints",
             ":services.localhost MODE #nb.netinfo +ints",
             ":services.localhost KILL MemoServ :Nimbral is connecting!",
             "NICK MemoServ 1 10 MemoServ services.localhost services.localhost :MemoServ",
             ":MemoServ SVSMODE MemoServ +oOwghsSkaAcfbWZiqQ",
             ":services.localhost WALLOPS :*** \x02Nimbral II\x02 ready to serve.",
             ":services.localhost PING :services.localhost",
         })
        expected.push_back(line);
    EXPECT_EQ(f.link.Take(), expected);
    ASSERT_EQ(f.services.users.Count(), 4u);
    EXPECT_EQ(f.services.users.At(0).nick, "ChanServ");
    EXPECT_EQ(f.services.users.At(2).Mask(), "OperServ!OperServ@services.localhost");
}

TEST(Handshake, OnlyNickServEnabledSendsItsThreeLinesAndAddsOneUser) {
    ServicesFixture f;
    RunStartup(f.services, "testhost");
    for (const char* key : {"ChanServ Enabled", "OperServ Enabled", "MemoServ Enabled"})
        f.services.settings.Set("Server Information", key, "0");
    f.services.settings.Set("Server Information", "Password", "linkpass");
    f.services.ReadLinkSettings();
    f.services.OnLinkUp();
    std::vector<std::string> expected = {
        "PASS linkpass", "SERVER services.localhost 1 : NBII (NBII 4.3)",
        ":services.localhost WALLOPS :*** \x02Nimbral II v4.3\x02  connected, creating services.. please stand by."};
    expected.insert(expected.end(), kNickServLines.begin(), kNickServLines.end());
    expected.push_back(":services.localhost WALLOPS :*** \x02Nimbral II\x02 ready to serve.");
    expected.push_back(":services.localhost PING :services.localhost");
    EXPECT_EQ(f.link.Take(), expected);
    EXPECT_EQ(f.services.users.Count(), 1u);
}

TEST(Handshake, NewLinkEmptiesTheUserAndChannelTables) {
    ServicesFixture f;
    f.StartLinked();
    f.IntroduceUser("joe");
    f.Receive(":joe JOIN #a");
    ASSERT_EQ(f.services.users.Count(), 5u);
    ASSERT_TRUE(f.services.channels.ChannelExists("#a"));
    f.services.OnLinkUp();
    EXPECT_EQ(f.services.users.Count(), 4u);  // only the services again, in their log channels
    EXPECT_EQ(f.services.channels.Count(), 3u);
    EXPECT_TRUE(f.services.channels.Member(*f.services.channels.FindNetChannel("#NBII"), "OperServ")->op);
    EXPECT_FALSE(f.services.users.IsUserOnline("joe"));
}

}  // namespace
}  // namespace nb
