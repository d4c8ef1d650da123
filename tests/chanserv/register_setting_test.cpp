// Who may register channels: the ChanServ Register setting against the operator level that
// OperServ gives a user at login (set here by hand).
#include "support/fixture.h"

namespace nb {
namespace {

using RegisterSettingTest = test::ServiceTest;

TEST_F(RegisterSettingTest, AtOneLoggedInOperatorsAtTwoOnlyFromTheChanServLevel) {
    int channels = 0;
    auto registers = [&](const std::string& nick) {
        test::Lines lines = Tell("ChanServ", nick, "register #c" + std::to_string(++channels) + " pw x@y.z mine");
        EXPECT_TRUE(lines.size() > 1 || lines[0] == ":ChanServ NOTICE " + nick + " :\x02" "Error\x02: You don't have access to register this channel.");
        return lines.back().ends_with("[Success]");
    };
    for (const char* nick : {"joe", "low", "high"}) {
        Connect(nick);
        RegisterAndIdentify(nick);
    }
    User("low").operLevel = 100;
    User("high").operLevel = 300;
    services.settings.Set("Security", "ChanServ Register", "1");
    EXPECT_EQ(std::tuple(registers("joe"), registers("low"), registers("high")), std::tuple(false, true, true));
    services.settings.Set("Security", "ChanServ Register", "2");
    services.settings.Set("Security", "ChanServ Level", "200");
    EXPECT_EQ(std::tuple(registers("joe"), registers("low"), registers("high")), std::tuple(false, false, true));
    services.settings.Set("Security", "ChanServ Register", "0");
    EXPECT_TRUE(registers("joe"));
}

}  // namespace
}  // namespace nb
