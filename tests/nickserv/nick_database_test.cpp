#include <sys/stat.h>

#include <fstream>
#include <random>

#include "nickserv/nick_record.h"
#include "nickserv_test_support.h"

namespace nb {
namespace {

using test::NickServTest;

const std::string kJoeLine =
    "joe secret1 *user@*.example.org  *joe@10.1.2.* [12/1/2026 8:00:00 AM] {John Smith} [joe@example.org] "
    "(http://joe.example.org/~joe) 33 True PRIVMSG 11/30/2026 10:00:00 AM\r\n";

struct NickDatabaseTest : NickServTest {
    void WriteData(const std::string& relative, const std::string& content) {
        std::ofstream(dir.Path() / "data" / relative, std::ios::binary) << content;
    }
    std::size_t ErrorBoxes() const {
        std::size_t count = 0;
        for (const auto& message : console.messages)
            count += message.rfind("Nimbral - NickServ Error: ", 0) == 0 ? 1 : 0;
        return count;
    }
};

TEST(NickRecordLine, EveryFieldReadsBackFromItsPlace) {
    RegisteredNick record = ParseNickLine(kJoeLine.substr(0, kJoeLine.size() - 2), "now");
    EXPECT_EQ(record.nick, "joe");
    EXPECT_EQ(record.password, "secret1");
    EXPECT_EQ(record.accessHosts, (std::array<std::string, 3>{"*user@*.example.org", "", "*joe@10.1.2.*"}));
    EXPECT_EQ(record.lastSeen, "12/1/2026 8:00:00 AM");
    EXPECT_EQ(record.realName, "John Smith");
    EXPECT_EQ(record.email, "joe@example.org");
    EXPECT_EQ(record.url, "http://joe.example.org/~joe");
    EXPECT_EQ(record.age, "33");
    EXPECT_TRUE(record.flag);
    EXPECT_EQ(record.replyType, ReplyType::Privmsg);
    EXPECT_EQ(record.registeredOn, "11/30/2026 10:00:00 AM");
    EXPECT_EQ(FormatNickLine(record), kJoeLine);
}

TEST(NickRecordLine, MissingBracketFieldsTakeTheirDefaults) {
    RegisteredNick noBraces = ParseNickLine("ann pw a b c [1/1/2026 1:00:00 AM] [a@b.c] (u) 5 True NOTICE x y", "now");
    EXPECT_EQ(noBraces.realName, "N/A");
    EXPECT_EQ(noBraces.email, "a@b.c");
    EXPECT_EQ(noBraces.url, "u");
    EXPECT_EQ(noBraces.age, "5");
    EXPECT_EQ(noBraces.registeredOn, "x y");

    RegisteredNick noSquare = ParseNickLine("bob pw a b c {Bob B} (u) 7 False NOTICE today", "12/6/2026 9:07:15 PM");
    EXPECT_EQ(noSquare.lastSeen, "12/6/2026 9:07:15 PM");
    EXPECT_EQ(noSquare.realName, "Bob B");
    EXPECT_EQ(noSquare.email, "N/A");
    EXPECT_EQ(noSquare.url, "u");
    EXPECT_FALSE(noSquare.flag);
    EXPECT_EQ(noSquare.registeredOn, "today");

    // A damaged reply type must not become the command of every answer to the nick.
    EXPECT_EQ(ParseNickLine("cy pw a b c [d] {r} [e] (u) 1 True", "now").replyType, ReplyType::Notice);
    EXPECT_EQ(ParseNickLine("short", "now").nick, "short");
}

TEST_F(NickDatabaseTest, ARecordSurvivesLoadAndSaveByteForByteWithItsQuitMessage) {
    WriteData("NickServ/NickServ.nb2", kJoeLine);
    WriteData("NickServ/Quit.nb2", "JOE gone fishing: back  soon\r\nnobody a line for no record\r\n");
    services.nickServ.LoadNickDatabase();
    ASSERT_EQ(services.nickServ.RegisteredNicks().size(), 1u);
    EXPECT_EQ(Record("joe").lastQuit, "gone fishing: back  soon");

    services.nickServ.SaveNickDatabase();
    EXPECT_EQ(NickFile(), kJoeLine);
    Connect("joe", "x", "elsewhere.net");  // not recognised: only the quit sets the last seen date
    Receive(":joe QUIT :bye now");
    EXPECT_EQ(ReadFile("NickServ/Quit.nb2"), "joe bye now\r\n");
    EXPECT_EQ(Record("joe").lastSeen, "12/6/2026 9:07:15 PM");
    EXPECT_EQ(Record("joe").realName, "John Smith");

    struct stat info {};
    ASSERT_EQ(::stat((dir.Path() / "data/NickServ/NickServ.nb2").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat((dir.Path() / "data/NickServ/Quit.nb2").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(NickDatabaseTest, EmptyLinesGiveOneErrorBoxAndLoseNoRecord) {
    WriteData("NickServ/NickServ.nb2", "a pw h h h [d] {r} [e] (u) 1 True NOTICE x\r\n"
                                       "b pw h h h [d] {r} [e] (u) 1 True NOTICE x\r\n"
                                       "\r\n"
                                       "c pw h h h [d] {r} [e] (u) 1 True NOTICE x\r\n"
                                       "\r\n");
    WriteData("NickServ/Quit.nb2", "a left\r\n");
    services.nickServ.LoadNickDatabase(true, true);
    ASSERT_EQ(services.nickServ.RegisteredNicks().size(), 3u);
    EXPECT_TRUE(services.nickServ.IsNickRegistered("c"));
    EXPECT_EQ(Record("a").lastQuit, "left");
    ASSERT_EQ(ErrorBoxes(), 1u);
    EXPECT_EQ(console.messages.back(),
              "Nimbral - NickServ Error: Error loading NickServ database, close Nimbral and try again.\r\n"
              "If this problem continues, please check nickserv.os for gaps, or extra lines at the end of the "
              "file.\r\n!!THIS COULD ALSO BE CAUSED BECAUSED THIS IS THE FIRST TIME YOU RAN NIMBRAL, THIS MESSAGE "
              "SHOULD GO AWAY AS SOON AS A NICK IS REGISTERED.!!");

    WriteData("NickServ/NickServ.nb2", "");
    services.nickServ.LoadNickDatabase(true, true);
    EXPECT_TRUE(services.nickServ.RegisteredNicks().empty());
    EXPECT_EQ(ErrorBoxes(), 1u);
}

TEST_F(NickDatabaseTest, LookupsIgnoreLetterCaseAndUnknownNicksAreAnsweredByNotice) {
    WriteData("NickServ/NickServ.nb2", kJoeLine);
    services.nickServ.LoadNickDatabase();
    EXPECT_TRUE(services.nickServ.IsNickRegistered("JoE"));
    EXPECT_FALSE(services.nickServ.IsNickRegistered("jo"));
    EXPECT_EQ(services.nickServ.GetNickReplyType("JOE"), ReplyType::Privmsg);
    EXPECT_EQ(services.nickServ.GetNickReplyType("nobody"), ReplyType::Notice);
    EXPECT_FALSE(services.nickServ.IsNickIdentified("joe"));
    EXPECT_FALSE(services.nickServ.IsNickIdentified("nobody"));
    Connect("Joe", "joe", "10.1.2.3");  // recognised by access host 3
    EXPECT_EQ(User("joe").replyType, ReplyType::Privmsg);
}

TEST_F(NickDatabaseTest, RestrictedPatternsMatchTheNickInLowerCaseUpToTheFirstEmptyLine) {
    WriteData("NickServ/Restrict.nb2", "jo*\r\n[Bb]ob\r\nJIM*\r\n\r\nann\r\n");
    services.nickServ.LoadNickDatabase();
    EXPECT_EQ(services.nickServ.RestrictedNicks(), (std::vector<std::string>{"jo*", "[Bb]ob", "JIM*"}));
    EXPECT_TRUE(services.nickServ.IsNickRestricted("JOHN"));
    EXPECT_TRUE(services.nickServ.IsNickRestricted("BOB"));
    EXPECT_FALSE(services.nickServ.IsNickRestricted("Jimmy"));
    EXPECT_FALSE(services.nickServ.IsNickRestricted("ann"));

    services.nickServ.RestrictedNicks().push_back("ann");
    ASSERT_TRUE(services.nickServ.SaveRestrictedNicks());
    EXPECT_EQ(ReadFile("NickServ/Restrict.nb2"), "jo*\r\n[Bb]ob\r\nJIM*\r\nann\r\n");
    EXPECT_TRUE(services.nickServ.IsNickRestricted("Ann"));
}

TEST_F(NickDatabaseTest, AfterADropInTheMiddleEveryRecordKeepsItsOwnIdentificationAndQuitMessage) {
    for (const char* nick : {"anna", "bert", "carl", "dora"}) {
        Connect(nick);
        Say(nick, std::string("register pass-") + nick);
    }
    Say("anna", "identify pass-anna");
    for (const char* nick : {"bert", "carl", "dora"}) {
        Receive(std::string(":") + nick + " QUIT :" + nick + " gone");
        Connect(nick);
    }
    Say("carl", "identify pass-carl");
    ASSERT_TRUE(services.nickServ.IsNickIdentified("carl"));

    Say("bert", "drop pass-bert");

    const auto& nicks = services.nickServ.RegisteredNicks();
    ASSERT_EQ(nicks.size(), 3u);
    EXPECT_EQ(nicks[1].nick, "carl");
    EXPECT_TRUE(services.nickServ.IsNickIdentified("anna"));
    EXPECT_EQ(Record("anna").lastQuit, "");
    EXPECT_TRUE(services.nickServ.IsNickIdentified("carl"));
    EXPECT_EQ(Record("carl").lastQuit, "carl gone");
    EXPECT_FALSE(services.nickServ.IsNickIdentified("dora"));
    EXPECT_EQ(Record("dora").lastQuit, "dora gone");
    EXPECT_EQ(NickFile().find("bert"), std::string::npos);

    // The quit list forgets the dropped nick at its next save.
    Receive(":dora QUIT :again");
    EXPECT_EQ(ReadFile("NickServ/Quit.nb2"), "anna \r\ncarl carl gone\r\ndora again\r\n");
}

TEST_F(NickDatabaseTest, TheTableHasNoFixedCapacity) {
    std::string lines;
    for (int i = 0; i < 500; ++i)
        lines += "user" + std::to_string(i) + " pw *a@b   [d] {r} [e] (u) 0 True NOTICE x\r\n";
    WriteData("NickServ/NickServ.nb2", lines);
    services.nickServ.LoadNickDatabase();
    Connect("late");
    Say("late", "register latepass");
    EXPECT_EQ(services.nickServ.RegisteredNicks().size(), 501u);
    EXPECT_TRUE(services.nickServ.IsNickRegistered("late"));
    EXPECT_NE(NickFile().find("\r\nlate latepass "), std::string::npos);
}

}  // namespace
}  // namespace nb

namespace nb {
namespace {

// The nick file is kept between writes and only changed lines are made again: after any mix
// of changes it must hold exactly what writing every record afresh would.
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
            Say(nick, "register pass" + std::to_string(step));
            Say(nick, "identify pass" + std::to_string(step));
            online.push_back(nick);
            continue;
        }
        std::string& nick = online[random() % online.size()];
        if (action == 1) Say(nick, "set url http://" + nick + ".example.org/" + std::to_string(step));
        if (action == 2) Say(nick, "access add " + std::to_string(1 + random() % 3) + " *" + nick + "@*.org");
        if (action == 3) Say(nick, "set reach privmsg");
        if (action == 4) {
            const RegisteredNick* record = services.nickServ.FindRegisteredNick(nick);
            if (record != nullptr && random() % 2 == 0) Say(nick, "drop " + record->password);
            Receive(":" + nick + " QUIT :step " + std::to_string(step));
            nick = online.back();
            online.pop_back();
        }
        if (action == 5) Receive(":" + nick + " QUIT :bye");
        if (action == 5) IntroduceUser(nick);
        ASSERT_EQ(NickFile(), fresh()) << "after step " << step;
    }
    services.nickServ.LoadNickDatabase(true, false);
    EXPECT_EQ(NickFile(), fresh());
}

}  // namespace
}  // namespace nb
