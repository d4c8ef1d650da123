// The nick files: their line layout, loading, and the kept file text after any mix of changes.
#include <sys/stat.h>

#include <fstream>
#include <random>

#include "nickserv/nick_record.h"
#include "support/fixture.h"

namespace nb {
namespace {

const std::string kJoeLine =
    "joe secret1 *user@*.example.org  *joe@10.1.2.* [12/1/2026 8:00:00 AM] {John Smith} [joe@example.org] "
    "(http://joe.example.org/~joe) 33 True PRIVMSG 11/30/2026 10:00:00 AM\r\n";

TEST(NickRecordLine, FieldsReadBackFromTheirPlaceAndMissingOnesTakeDefaults) {
    RegisteredNick record = ParseNickLine(kJoeLine.substr(0, kJoeLine.size() - 2), "now");
    EXPECT_EQ(record.accessHosts, (std::array<std::string, 3>{"*user@*.example.org", "", "*joe@10.1.2.*"}));
    EXPECT_EQ(record.age, "33");
    EXPECT_EQ(record.replyType, ReplyType::Privmsg);
    EXPECT_EQ(FormatNickLine(record), kJoeLine);

    RegisteredNick noBraces = ParseNickLine("ann pw a b c [1/1/2026 1:00:00 AM] [a@b.c] (u) 5 True NOTICE x y", "now");
    EXPECT_EQ(noBraces.realName, "N/A");
    EXPECT_EQ(noBraces.email, "a@b.c");
    EXPECT_EQ(noBraces.registeredOn, "x y");
    RegisteredNick noSquare = ParseNickLine("bob pw a b c {Bob B} (u) 7 False NOTICE today", "12/6/2026 9:07:15 PM");
    EXPECT_EQ(noSquare.lastSeen, "12/6/2026 9:07:15 PM");
    EXPECT_EQ(noSquare.realName, "Bob B");
    EXPECT_EQ(noSquare.email, "N/A");
    EXPECT_FALSE(noSquare.flag);
    // A damaged reply type must not become the command of every answer to the nick.
    EXPECT_EQ(ParseNickLine("cy pw a b c [d] {r} [e] (u) 1 True", "now").replyType, ReplyType::Notice);
}

struct NickDatabaseTest : test::ServiceTest {
    void WriteData(const std::string& relative, const std::string& content) {
        std::ofstream(dir.Path() / "data" / relative, std::ios::binary) << content;
    }
    std::string NickFile() const { return ReadFile("NickServ/NickServ.nb2"); }
};

TEST_F(NickDatabaseTest, FilesLoadAndSaveByteForByteOwnerOnlyAndAGapGivesOneBox) {
    WriteData("NickServ/NickServ.nb2", kJoeLine + "\r\nb pw h h h [d] {r} [e] (u) 1 True NOTICE x\r\n");
    WriteData("NickServ/Quit.nb2", "JOE gone fishing: back  soon\r\nnobody a line for no record\r\n");
    WriteData("NickServ/Restrict.nb2", "jo*\r\n[Bb]ob\r\n\r\nann\r\n");
    console.messages.clear();
    services.nickServ.LoadNickDatabase();
    ASSERT_EQ(services.nickServ.RegisteredNicks().size(), 2u);
    EXPECT_EQ(services.nickServ.FindRegisteredNick("joe")->lastQuit, "gone fishing: back  soon");
    ASSERT_EQ(console.messages.size(), 1u);
    EXPECT_TRUE(console.messages[0].starts_with("Nimbral - NickServ Error: Error loading NickServ database"));
    EXPECT_TRUE(services.nickServ.IsNickRestricted("BOB"));
    EXPECT_FALSE(services.nickServ.IsNickRestricted("ann"));

    services.nickServ.SaveNickDatabase();
    EXPECT_EQ(NickFile(), kJoeLine + "b pw h h h [d] {r} [e] (u) 1 True NOTICE x\r\n");
    Connect("joe", "x", "elsewhere.net");
    Receive(":joe QUIT :bye now");
    EXPECT_EQ(ReadFile("NickServ/Quit.nb2"), "joe bye now\r\nb \r\n");
    services.nickServ.RestrictedNicks().push_back("ann");
    ASSERT_TRUE(services.nickServ.SaveRestrictedNicks());
    EXPECT_EQ(ReadFile("NickServ/Restrict.nb2"), "jo*\r\n[Bb]ob\r\nann\r\n");
    for (const char* file : {"NickServ.nb2", "Quit.nb2", "Restrict.nb2"}) {
        struct stat info {};
        ASSERT_EQ(::stat((dir.Path() / "data/NickServ" / file).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << file;
    }
}

// The nick file is kept between writes and only changed lines are made again: after any mix
// of changes it must hold exactly what writing every record afresh would, and each record keeps
// its own identification and quit message when another moves into a dropped one's slot.
TEST_F(NickDatabaseTest, TheKeptFileTextAlwaysMatchesEveryRecordWrittenAfresh) {
    std::mt19937 random(20261207);
    std::vector<std::string> online;
    auto fresh = [&] {
        std::string text;
        for (const RegisteredNick& record : services.nickServ.RegisteredNicks()) text += FormatNickLine(record);
        return text;
    };
    for (int step = 0; step < 400; ++step) {
        int action = static_cast<int>(random() % 6);
        if (action == 0 || online.empty()) {
            std::string nick = "n" + std::to_string(step);
            Connect(nick);
            Tell("NickServ", nick, "register pass" + std::to_string(step));
            Tell("NickServ", nick, "identify pass" + std::to_string(step));
            online.push_back(nick);
            continue;
        }
        std::string& nick = online[random() % online.size()];
        if (action == 1) Tell("NickServ", nick, "set url http://" + nick + ".example.org/" + std::to_string(step));
        if (action == 2) Tell("NickServ", nick, "access add " + std::to_string(1 + random() % 3) + " *" + nick + "@*.org");
        if (action == 3) Tell("NickServ", nick, "set reach privmsg");
        if (action == 4) {
            const RegisteredNick* record = services.nickServ.FindRegisteredNick(nick);
            if (record != nullptr && random() % 2 == 0) Tell("NickServ", nick, "drop " + record->password);
            Receive(":" + nick + " QUIT :step " + std::to_string(step));
            nick = online.back();
            online.pop_back();
        }
        if (action == 5) Receive(":" + nick + " QUIT :bye " + nick);
        if (action == 5) IntroduceUser(nick);
        ASSERT_EQ(NickFile(), fresh()) << "after step " << step;
        for (const std::string& each : online) {
            const RegisteredNick* record = services.nickServ.FindRegisteredNick(each);
            ASSERT_TRUE(record == nullptr || record->lastQuit.empty() || record->lastQuit == "bye " + each) << each;
        }
    }
    services.nickServ.LoadNickDatabase(true, false);
    EXPECT_EQ(NickFile(), fresh());
}

}  // namespace
}  // namespace nb
