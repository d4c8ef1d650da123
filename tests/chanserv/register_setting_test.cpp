// Who may register channels: the ChanServ Register setting against the operator list, which
// OperServ keeps (here a fake).
#include <map>

#include "chanserv/chanserv_commands.h"
#include "support/fixture.h"

namespace nb {
namespace {

struct Operators : OperatorAccess {
    std::optional<OperatorStatus> FindOperator(const std::string& nick) const override {
        auto found = entries.find(nick);
        return found == entries.end() ? std::nullopt : std::optional(found->second);
    }
    std::map<std::string, OperatorStatus> entries;
};

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
    Operators operators;
    ChanServCommands commands(services.chanServ.Database(), services.users, services.out, services.settings, clock,
                              services.help, services.nickServ, operators, services.clients.Get(ServiceId::NickServ));
    services.clients.AttachCommands(ServiceId::ChanServ, commands.Table());
    for (const char* nick : {"joe", "out", "low", "high"}) {
        Connect(nick);
        RegisterAndIdentify(nick, "secret1");
    }
    operators.entries = {{"out", {false, 500}}, {"low", {true, 100}}, {"high", {true, 300}}};
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
