// The nick files: their line layout, loading, and the kept file text after any mix of changes.
#include <map>
#include <random>
#include <sstream>

#include "nickserv/nick_record.h"
#include "nickserv/nick_slot_index.h"
#include "support/fixture.h"

namespace nb {
namespace {

const std::string kJoeLine =
    "joe secret1 *user@*.example.org  *joe@10.1.2.* [12/1/2026 8:00:00 AM] {John Smith} [joe@example.org] "
    "(http://joe.example.org/~joe) 33 True PRIVMSG 11/30/2026 10:00:00 AM";

TEST(NickRecordLine, FieldsReadBackFromTheirPlaceAndMissingOnesTakeDefaults) {
    RegisteredNick record = ParseNickLine(kJoeLine, "now");
    EXPECT_EQ(record.AccessHosts(), (std::array<std::string, 3>{"*user@*.example.org", "", "*joe@10.1.2.*"}));
    EXPECT_EQ(std::tuple(record.Age(), record.replyType), std::tuple("33", ReplyType::Privmsg));
    EXPECT_EQ(FormatNickLine(record), kJoeLine + "\r\n");
    // A host kept once for the first one stays when the first one changes.
    record.SetAccessHost(1, "*user@*.example.org");
    record.SetAccessHost(0, "*joe@*");
    EXPECT_EQ(record.AccessHosts(), (std::array<std::string, 3>{"*joe@*", "*user@*.example.org", "*joe@10.1.2.*"}));
    EXPECT_EQ(RegisteredNick(record).LastSeen(), "12/1/2026 8:00:00 AM");
    RegisteredNick read = ParseNickLine("ann pw a b c [1/1/2026 1:00:00 AM] [a@b.c] (u) 5 True NOTICE x y", "now");
    EXPECT_EQ(std::tuple(read.RealName(), read.Email(), read.RegisteredOn()), std::tuple("N/A", "a@b.c", "x y"));
    read = ParseNickLine("bob pw a b c {Bob B} (u) 7 False NOTICE today", "12/6/2026 9:07:15 PM");
    EXPECT_EQ(std::tuple(read.LastSeen(), read.RealName(), read.Email(), read.flag), std::tuple("12/6/2026 9:07:15 PM", "Bob B", "N/A", false));
    // A damaged reply type must not become the command of every answer to the nick.
    EXPECT_EQ(ParseNickLine("cy pw a b c [d] {r} [e] (u) 1 True", "now").replyType, ReplyType::Notice);
}

// Many nicks in a small table: erasing must keep every other nick findable after the moves.
TEST(NickSlotIndex, FindsEveryNickAfterRandomInsertsAndErases) {
    std::mt19937 random(19);
    std::vector<RegisteredNick> records(3000);
    NickSlotIndex index(records);
    std::map<std::string, std::size_t> expected;
    for (int step = 0; step < 20000; ++step) {
        std::size_t slot = random() % records.size();
        std::string nick = "N" + std::to_string(slot % 700);
        if (records[slot].IsDropped() && !expected.contains(ToLower(nick))) {
            records[slot].SetNick(nick);
            ASSERT_TRUE(index.Insert(slot));
            expected[ToLower(nick)] = slot;
        } else if (!records[slot].IsDropped()) {
            index.Erase(ToLower(records[slot].Nick()));
            expected.erase(ToLower(records[slot].Nick()));
            records[slot] = RegisteredNick();
        }
    }
    for (std::size_t slot = 0; slot < 700; ++slot) {
        auto found = expected.find("n" + std::to_string(slot));
        EXPECT_EQ(index.Find("N" + std::to_string(slot)), found == expected.end() ? std::nullopt : std::optional(found->second));
    }
}

struct NickDatabaseTest : test::ServiceTest {
    NickServ& nickServ = services.nickServ;
};

TEST_F(NickDatabaseTest, FilesLoadAndSaveByteForByteAndAGapGivesOneBox) {
    WriteFile("NickServ/NickServ.nb2", kJoeLine + "\r\n\r\nb pw h h h [d] {r} [e] (u) 1 True NOTICE x\r\n");
    WriteFile("NickServ/Quit.nb2", "JOE gone fishing: back  soon\r\nnobody a line for no record\r\n");
    WriteFile("NickServ/Restrict.nb2", "jo*\r\n[Bb]ob\r\n\r\nann\r\n");
    console.messages.clear();
    nickServ.LoadNickDatabase();
    ASSERT_EQ(nickServ.RegisteredNicks().size(), 2u);
    EXPECT_EQ(nickServ.FindRegisteredNick("joe")->LastQuit(), "gone fishing: back  soon");
    ASSERT_EQ(console.messages.size(), 1u);
    EXPECT_TRUE(console.messages[0].starts_with("Nimbral - NickServ Error: Error loading NickServ database"));
    EXPECT_TRUE(nickServ.IsNickRestricted("BOB"));
    EXPECT_FALSE(nickServ.IsNickRestricted("ann"));

    // A quit is journaled; the checkpoint writes both files whole, without the gap.
    Connect("joe", "x", "elsewhere.net");
    Receive(":joe QUIT :bye now");
    ASSERT_TRUE(services.commit.Checkpoint());
    std::string joeSeenNow = kJoeLine;
    joeSeenNow.replace(joeSeenNow.find("[12/1/2026 8:00:00 AM]"), 22, "[12/6/2026 9:07:15 PM]");
    EXPECT_EQ(test::ReadWhole(dataDir / "NickServ/NickServ.nb2"), joeSeenNow + "\r\nb pw h h h [d] {r} [e] (u) 1 True NOTICE x\r\n");
    EXPECT_EQ(test::ReadWhole(dataDir / "NickServ/Quit.nb2"), "joe bye now\r\nb \r\n");
    nickServ.RestrictedNicks().push_back("ann");
    ASSERT_TRUE(nickServ.SaveRestrictedNicks());
    EXPECT_EQ(ReadFile("NickServ/Restrict.nb2"), "jo*\r\n[Bb]ob\r\nann\r\n");
}

// The nick and quit files are journaled: after any mix of changes, checkpoints (some left
// running while the changes go on) and reloads, the checkpoint with its journal must give the
// tables that writing every record afresh gives, and each record keeps its own identification
// and quit message.
TEST_F(NickDatabaseTest, TheJournalOverItsCheckpointAlwaysGivesTheTablesAFreshWriteGives) {
    std::mt19937 random(20261207);
    services.commit.SetJournalLimit(4000);
    test::Lines online;
    auto fresh = [&] {
        std::string text;
        for (const RegisteredNick& record : nickServ.RegisteredNicks())
            if (!record.IsDropped()) text += FormatNickLine(record);
        return text;
    };
    // Nick to last quit, of the registered nicks that have one.
    auto quits = [&](const std::string& text) {
        std::map<std::string, std::string> found;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            std::string nick = line.substr(0, line.find(' '));
            std::string quit = line.substr(nick.size() + 1, line.size() - nick.size() - 2);
            if (nickServ.IsNickRegistered(nick) && !quit.empty()) found.emplace(ToLower(nick), quit);
        }
        return found;
    };
    auto tableQuits = [&] {
        std::map<std::string, std::string> found;
        for (const RegisteredNick& record : nickServ.RegisteredNicks())
            if (!record.IsDropped() && !record.LastQuit().empty()) found.emplace(ToLower(record.Nick()), record.LastQuit());
        return found;
    };
    for (int step = 0; step < 300; ++step) {
        int action = static_cast<int>(random() % 8);
        if (action == 0 || online.empty()) {
            online.push_back("n" + std::to_string(step));
            Connect(online.back());
            RegisterAndIdentify(online.back(), "pass" + std::to_string(step));
            continue;
        }
        std::string& nick = online[random() % online.size()];
        if (action == 1) Tell("NickServ", nick, "set url http://" + nick + ".example.org/" + std::to_string(step));
        if (action == 2) Tell("NickServ", nick, "access add " + std::to_string(1 + random() % 3) + " *" + nick + "@*.org");
        if (action == 3) timers.Advance(std::chrono::milliseconds(0));  // a running checkpoint finishes
        if (action == 4) {
            const RegisteredNick* record = nickServ.FindRegisteredNick(nick);
            if (record != nullptr && random() % 2 == 0) Tell("NickServ", nick, "drop " + record->Password());
            Receive(":" + nick + " QUIT :step " + std::to_string(step));
            nick = online.back();
            online.pop_back();
        }
        if (action == 5) {
            Receive(":" + nick + " QUIT :bye " + nick);
            IntroduceUser(nick);
        }
        if (action == 6 && random() % 4 == 0) nickServ.LoadNickDatabase();
        if (action == 7 && random() % 4 == 0) {
            ASSERT_TRUE(services.commit.Checkpoint());
        }
        ASSERT_EQ(ReadFile("NickServ/NickServ.nb2"), fresh()) << "after step " << step;
        ASSERT_EQ(quits(ReadFile("NickServ/Quit.nb2")), tableQuits()) << "after step " << step;
        for (const std::string& each : online) {
            const RegisteredNick* record = nickServ.FindRegisteredNick(each);
            ASSERT_TRUE(record == nullptr || record->LastQuit().empty() || record->LastQuit() == "bye " + each) << each;
        }
    }
    std::string before = fresh();
    auto quitsBefore = tableQuits();
    nickServ.LoadNickDatabase();
    EXPECT_EQ(fresh(), before);
    EXPECT_EQ(tableQuits(), quitsBefore);
}

}  // namespace
}  // namespace nb
