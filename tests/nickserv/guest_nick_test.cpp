#include "support/fixture.h"

namespace nb {
namespace {

using GuestNickTest = test::ServiceTest;

TEST_F(GuestNickTest, AGuestNickInUseIsNeverHandedOut) {
    Connect("joe");
    Tell("NickServ", "joe", "register pw-joe");
    Receive(":joe QUIT :later");
    services.maxUsers.count = 100000;  // no record to save for every arrival
    test::Lines free;
    for (int number = 1111; number <= 9999; ++number) {
        std::string guest = "Guest" + std::to_string(number);
        if (guest.find('0') != std::string::npos) continue;
        if (number % 40 == 7) free.push_back(guest);
        else services.users.AddOnlineUser(guest, "g", "guest.net", "irc.example.org");
    }
    Connect("joe", "x", "elsewhere.net");
    timers.Advance(std::chrono::seconds(60));
    test::Lines lines = link.Take();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(std::find(free.begin(), free.end(), lines[0].substr(lines[0].find("Guest"), 9)), free.end()) << lines[0];
}

}  // namespace
}  // namespace nb
