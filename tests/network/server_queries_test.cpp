#include <gtest/gtest.h>

#include "core/settings.h"
#include "support/fixture.h"

namespace nb {
namespace {

struct ServerQueriesTest : ::testing::Test, test::ServicesFixture {
    ServerQueriesTest() { StartLinked(); }
};

TEST(FormatUptime, SplitsIntoDaysHoursMinutesSeconds) {
    EXPECT_EQ(FormatUptimeText(86400 + 2 * 3600 + 3 * 60 + 4),
              "\x02" "1\x02 days, \x02" "2\x02 hours, \x02" "3\x02 minutes, and \x02" "4\x02 seconds.");
    EXPECT_EQ(FormatUptimeText(59), "\x02" "0\x02 hours, \x02" "0\x02 minutes, and \x02" "59\x02 seconds.");
}

TEST_F(ServerQueriesTest, PingIsAnsweredFromTheServerAndAllFourNames) {
    services.settings.Set("Server Information", "ChanServ Enabled", "0");
    Receive("PING :abc");
    EXPECT_EQ(link.Take(), (std::vector<std::string>{
                               ":services.localhost PONG :abc", ":ChanServ PONG :abc", ":NickServ PONG :abc",
                               ":OperServ PONG :abc", ":MemoServ PONG :abc"}));
}

TEST_F(ServerQueriesTest, VersionOnlyForOurServer) {
    Receive(":joe VERSION :irc.example.org");
    EXPECT_TRUE(link.Take().empty());
    Receive(":joe VERSION :Services.Localhost");
    auto lines = link.Take();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], ":services.localhost 351 joe :Nimbral II v4.3");
    EXPECT_EQ(lines[1].rfind(":services.localhost 351 joe :", 0), 0u);
    EXPECT_EQ(lines[2], ":services.localhost 351 joe :Compile Information: \x02" "8/5/00 12:50 AM\x02");
}

TEST_F(ServerQueriesTest, StatsUGivesSixLinesWithTheUptime) {
    clock.Advance(std::chrono::seconds(3 * 3600 + 125));
    Receive(":joe STATS u :services.localhost");
    EXPECT_EQ(link.Take(), (std::vector<std::string>{
                               ":services.localhost 242 joe :-----",
                               ":services.localhost 242 joe :\x02Nimbral II\x02 Current Uptime:",
                               ":services.localhost 242 joe :\x02" "3\x02 hours, \x02" "2\x02 minutes, and \x02" "5\x02 seconds.",
                               ":services.localhost 242 joe :\x02Services Connected On\x02: \x02" "9:07:15 PM\x02 on \x02" "12/6/2026\x02",
                               ":services.localhost 242 joe :End of /STATS report",
                               ":services.localhost 242 joe :-----"}));
    Receive(":joe STATS k :services.localhost");
    EXPECT_TRUE(link.Take().empty());
}

}  // namespace
}  // namespace nb
