// Who may register channels: the ChanServ Register setting against the operator level that
// OperServ gives a user at login (set here by hand).
#include "support/fixture.h"

namespace nb {
namespace {

struct RegisterSettingTest : test::ServiceTest {
    bool Registers(const std::string& nick) {
        auto lines = Tell("ChanServ", nick, "register #" + nick + std::to_string(++channels) + " pw x@y.z mine");
        if (lines.size() == 1) {
            EXPECT_EQ(lines[0], ":ChanServ NOTICE " + nick + " :\x02" "Error\x02: You don't have access to register this channel.");
            return false;
        }
        return lines.back().ends_with("[Success]");
    }
    int channels = 0;
};

TEST_F(RegisterSettingTest, AtOneLoggedInOperatorsAtTwoOnlyFromTheChanServLevel) {
    for (const char* nick : {"joe", "out", "low", "high"}) {
        Connect(nick);
        RegisterAndIdentify(nick, "secret1");
    }
    User("low").operLevel = 100;
    User("high").operLevel = 300;
    services.settings.Set("Security", "ChanServ Register", "1");
    EXPECT_FALSE(Registers("joe"));
    EXPECT_FALSE(Registers("out"));
    EXPECT_TRUE(Registers("low"));
    EXPECT_TRUE(Registers("high"));
    services.settings.Set("Security", "ChanServ Register", "2");
    services.settings.Set("Security", "ChanServ Level", "200");
    EXPECT_FALSE(Registers("joe"));
    EXPECT_FALSE(Registers("low"));
    EXPECT_TRUE(Registers("high"));
    services.settings.Set("Security", "ChanServ Register", "0");
    EXPECT_TRUE(Registers("joe"));
}

}  // namespace
}  // namespace nb
