#include <algorithm>

#include "core/wildcard.h"
#include "nickserv_test_support.h"

namespace nb {
namespace {

using namespace std::chrono_literals;
using test::Lines;
using test::NickServTest;

struct EnforcementTest : NickServTest {
    EnforcementTest() {
        for (const char* nick : {"joe", "anna", "bert", "carl"}) {
            Connect(nick);
            Say(nick, std::string("register pw-") + nick);
            Receive(std::string(":") + nick + " QUIT :later");
        }
        link.Take();
    }
    // Comes in from a host none of the access hosts matches; returns NickServ's lines.
    Lines ArriveUnknown(const std::string& nick) {
        IntroduceUser(nick, "x", "elsewhere.net");
        return NickServLines(link.Take());
    }
    static Lines NickServLines(const Lines& lines) {
        Lines kept;
        for (const auto& line : lines)
            if (line.rfind(":NickServ ", 0) == 0) kept.push_back(line);
        return kept;
    }
    static Lines Warnings(const std::string& nick) {
        return {Notice(nick, "This nick is registered."),
                Notice(nick, "You have 60 seconds to identify or change your nick before your nick is changed.  If "
                             "this is your nick, please identify.")};
    }
    // The Guest nick of a rename line, after checking the line's form.
    static std::string GuestOf(const std::string& line, const std::string& nick) {
        EXPECT_TRUE(WildcardMatch(line, ":services.localhost SVSNICK " + nick + " Guest[1-9][1-9][1-9][1-9] * "))
            << line;
        std::size_t start = line.find("Guest");
        return start == std::string::npos ? "" : line.substr(start, 9);
    }
};

TEST_F(EnforcementTest, AnUnrecognisedUserIsWarnedAndMovedToAGuestNickAfterSixtySeconds) {
    EXPECT_EQ(ArriveUnknown("joe"), Warnings("joe"));
    ASSERT_EQ(services.nickServ.PendingNicks().size(), 1u);
    timers.Advance(59999ms);
    EXPECT_TRUE(link.Take().empty());
    timers.Advance(1ms);
    Lines lines = link.Take();
    ASSERT_EQ(lines.size(), 2u);
    std::string guest = GuestOf(lines[0], "joe");
    EXPECT_EQ(lines[1], ":OperServ PRIVMSG #nb.netinfo :" +
                            test::Wire("[^B9:07:15 PM^B] ^Bjoe^B is now known as ^B" + guest + "^B."));
    EXPECT_FALSE(services.users.IsUserOnline("joe"));
    EXPECT_EQ(User(guest).Mask(), guest + "!x@elsewhere.net");
    EXPECT_TRUE(services.nickServ.PendingNicks().empty());
    EXPECT_TRUE(services.nickServ.IsNickRegistered("joe"));
    timers.Advance(120s);
    EXPECT_TRUE(link.Take().empty());
}

TEST_F(EnforcementTest, IdentifyingQuittingOrChangingNickInTimeCancelsTheRename) {
    ArriveUnknown("joe");
    ArriveUnknown("anna");
    ArriveUnknown("bert");
    timers.Advance(30s);
    Say("joe", "identify pw-joe");
    Receive(":anna QUIT :bye");
    Receive(":bert NICK bertie");
    link.Take();
    EXPECT_TRUE(services.nickServ.PendingNicks().empty());
    timers.Advance(60s);
    EXPECT_TRUE(link.Take().empty());
    EXPECT_TRUE(services.users.IsUserOnline("joe"));
    EXPECT_TRUE(services.users.IsUserOnline("bertie"));
}

TEST_F(EnforcementTest, ANewLinkForgetsTheWarningsOfTheOldOne) {
    ArriveUnknown("joe");
    timers.Advance(30s);
    services.OnLinkUp();
    link.Take();
    EXPECT_EQ(ArriveUnknown("joe"), Warnings("joe"));
    timers.Advance(40s);  // past the first warning's minute
    EXPECT_TRUE(link.Take().empty());
    Say("joe", "identify pw-joe");
    timers.Advance(60s);
    EXPECT_TRUE(link.Take().empty());
    EXPECT_TRUE(services.users.IsUserOnline("joe"));
}

TEST_F(EnforcementTest, ChangingToAnotherRegisteredNickStartsAFreshWarningForIt) {
    ArriveUnknown("joe");
    timers.Advance(30s);
    Receive(":joe NICK carl");
    EXPECT_EQ(NickServLines(link.Take()), Warnings("carl"));
    ASSERT_EQ(services.nickServ.PendingNicks().size(), 1u);
    EXPECT_EQ(services.nickServ.PendingNicks()[0].nick, "carl");
    timers.Advance(30s);
    EXPECT_TRUE(link.Take().empty());
    timers.Advance(30s);
    Lines lines = link.Take();
    ASSERT_FALSE(lines.empty());
    GuestOf(lines[0], "carl");
}

TEST_F(EnforcementTest, EveryWarnedUserIsRenamedOnItsOwnTime) {
    ArriveUnknown("anna");  // due at 60 s
    timers.Advance(20s);
    ArriveUnknown("bert");  // due at 80 s, leaves the list at 50 s
    timers.Advance(20s);
    ArriveUnknown("carl");  // due at 100 s
    timers.Advance(10s);
    Say("bert", "identify pw-bert");
    ASSERT_EQ(services.nickServ.PendingNicks().size(), 2u);

    timers.Advance(10s);
    Lines first = link.Take();
    ASSERT_EQ(first.size(), 2u);
    GuestOf(first[0], "anna");
    ArriveUnknown("joe");  // due at 120 s: a place freed in the middle gives no shared deadline
    timers.Advance(39999ms);
    EXPECT_TRUE(link.Take().empty());
    timers.Advance(1ms);
    Lines second = link.Take();
    ASSERT_EQ(second.size(), 2u);
    GuestOf(second[0], "carl");
    timers.Advance(20s);
    Lines third = link.Take();
    ASSERT_EQ(third.size(), 2u);
    GuestOf(third[0], "joe");
    EXPECT_TRUE(services.users.IsUserOnline("bert"));
    EXPECT_TRUE(services.nickServ.PendingNicks().empty());
}

TEST_F(EnforcementTest, AMatchingAccessHostIsRecognisedSilentlyAndUpdatesLastSeen) {
    Connect("joe");
    Say("joe", "identify pw-joe");
    Say("joe", "set reach privmsg");
    Say("joe", "access add 2 *joe@*.home.net");
    Say("joe", "access del 1 x");
    Receive(":joe QUIT :bye");
    link.Take();
    clock.Advance(3600s);

    IntroduceUser("JOE", "~joe", "pc.home.net");
    EXPECT_TRUE(NickServLines(link.Take()).empty());
    EXPECT_TRUE(services.nickServ.PendingNicks().empty());
    EXPECT_EQ(Record("joe").lastSeen, "12/6/2026 10:07:15 PM");
    EXPECT_EQ(User("joe").replyType, ReplyType::Privmsg);
    EXPECT_FALSE(services.nickServ.IsNickIdentified("joe"));
    // Recognition is not identification.
    EXPECT_EQ(Say("JOE", "set age 3")[0], Privmsg("JOE", "^BError^B: Please identify with NickServ first."));
}

TEST_F(EnforcementTest, AGuestNickInUseIsNeverHandedOut) {
    services.maxUsers.count = 100000;  // no record to save for every arrival
    std::vector<std::string> free;
    for (int number = 1111; number <= 9999; ++number) {
        std::string digits = std::to_string(number);
        if (digits.find('0') != std::string::npos) continue;
        std::string guest = "Guest" + digits;
        if (number % 40 == 7)
            free.push_back(guest);
        else
            services.users.AddOnlineUser(guest, "g", "guest.net", "irc.example.org");
    }
    link.Take();
    ArriveUnknown("joe");
    timers.Advance(60s);
    Lines lines = link.Take();
    ASSERT_FALSE(lines.empty());
    std::string guest = GuestOf(lines[0], "joe");
    EXPECT_NE(std::find(free.begin(), free.end(), guest), free.end()) << guest;
}

}  // namespace
}  // namespace nb
