// What a hostile user or a damaged network may send, and what must hold all the same: the link
// stays up, identities stay with their users, passwords stay out of the logs, a command's
// files are written all or none, and guessing is limited.
#include <sys/stat.h>

#include <fstream>

#include "app/startup.h"
#include "link/line_limit.h"
#include "support/fixture.h"

namespace nb {
namespace {

using Lines = std::vector<std::string>;

std::string Bolded(std::string text) {
    for (std::size_t at = text.find("^B"); at != std::string::npos; at = text.find("^B", at + 1)) text.replace(at, 2, "\x02");
    return text;
}

struct HostileInputTest : test::ServiceTest {
    Lines Say(const std::string& nick, const std::string& text) { return Tell("ChanServ", nick, text); }
    static std::string Notice(const std::string& nick, const std::string& text) {
        return ":ChanServ NOTICE " + nick + " :" + Bolded(text);
    }
    static std::string Audit(const std::string& service, const std::string& who, const std::string& text) {
        return ":" + service + " PRIVMSG #nb.botinfo :" + Bolded("[^B" + who + "^B] " + text);
    }
    static std::string ChannelAudit(const std::string& nick, const std::string& channel, const std::string& text) {
        return Audit("ChanServ", nick + "^B:^B" + channel, text);
    }
    void Arrive(const std::string& nick) {
        Connect(nick);
        RegisterAndIdentify(nick, "secret1");
        link.Take();
    }
    void RegisterChannel(const std::string& nick, const std::string& channel) {
        ASSERT_TRUE(Say(nick, "register " + channel + " chanpw1 " + nick + "@example.org About").back().ends_with("[Success]"));
    }
    ChannelDatabase& Database() { return services.chanServ.Database(); }
    const RegisteredChannel* Channel(const std::string& name) { return std::as_const(Database()).FindRegisteredChannel(name); }
    int LevelOf(const std::string& channel, const std::string& nick) {
        return Database().GetChannelAccessLevel(channel, User(nick));
    }
};

// The greet that reaches a user through a real server is in the end-to-end suite.
TEST_F(HostileInputTest, LongTextsLeaveInLinesTheUplinkTakes) {
    Arrive("alice");
    Lines info = Tell("NickServ", "alice", "info " + std::string(480, 'x'));
    EXPECT_GE(info.size(), 3u);
    for (const std::string& line : info) EXPECT_LE(line.size(), kMaxLineBytes - kMessageRelayRoom) << line;
    RegisterChannel("alice", "#c");
    EXPECT_EQ(Say("alice", "set #c greet " + std::string(351, 'g')),
              (Lines{Notice("alice", "^BError^B: The greeting is too long (at most 350 bytes)."),
                     ChannelAudit("alice", "#c", "SET [Failed (too long)]")}));
    Connect("bob");
    Lines kick = Say("alice", "kick #c bob " + std::string(10000, 'r'));
    EXPECT_EQ(kick[0], ":ChanServ KICK #c bob :" + std::string(kMaxLineBytes - 23, 'r'));
}

TEST_F(HostileInputTest, AnIdentificationStaysWithTheUserWhoMadeIt) {
    Receive(":irc.example.org SERVER leaf.example 2 :Leaf");
    Receive(":leaf.example SERVER deep.example 3 :Deep");
    IntroduceUser("alice", "user", "host.example.org", "deep.example");
    RegisterAndIdentify("alice", "secret1");
    RegisterChannel("alice", "#c");
    Say("alice", "ident #c chanpw1");
    ASSERT_EQ(LevelOf("#c", "alice"), 500);

    Receive("SQUIT leaf.example :split");
    EXPECT_EQ(services.nickServ.FindRegisteredNick("alice")->lastQuit, "irc.example.org leaf.example");
    Connect("alice", "mallory", "evil.example");
    EXPECT_FALSE(services.nickServ.IsNickIdentified("alice"));
    EXPECT_EQ(LevelOf("#c", "alice"), 0);

    // A second introduction of an identified nick, or a change onto it: a new user, a stranger.
    Tell("NickServ", "alice", "identify secret1");
    Connect("alice", "mallory", "evil.example");
    EXPECT_FALSE(services.nickServ.IsNickIdentified("alice"));
    Tell("NickServ", "alice", "identify secret1");
    Connect("bob", "mallory", "evil.example");
    Receive(":bob NICK alice");
    EXPECT_FALSE(services.users.IsUserOnline("bob"));
    EXPECT_FALSE(services.nickServ.IsNickIdentified("alice"));
    EXPECT_EQ(User("alice").ident, "mallory");
}

TEST_F(HostileInputTest, PasswordsStayOutOfEveryLog) {
    Arrive("alice");
    const std::pair<const char*, const char*> kLines[] = {
        {"NickServ :identify\xC2\xA0hunter22", "NickServ :identify ******"},
        {"NickServ :identify\xE3\x80\x80hunter22", "NickServ :identify ******"},
        {"NickServ :identify:hunter22", "NickServ :identify ******"},
        {"NickServ :regster hunter22", "NickServ :regster ******"},
        {"NickServ :id hunter22", "NickServ :id ******"},
        {"ChanServ :identify hunter22", "ChanServ :identify ******"},
        {"MemoServ :identify hunter22", "MemoServ :identify ******"},
        {"NickServ,MemoServ :identify hunter22", "NickServ,MemoServ :identify ******"},
        {"ChanServ :register #c\thunter22 a@b.org About", "ChanServ :register #c\t****** ****** About"},
        {"ChanServ :ident #c\thunter22 x", "ChanServ :ident #c\t****** ******"},
    };
    Lines audits;
    for (auto [line, shown] : kLines) {
        Receive(std::string(":alice PRIVMSG ") + line);
        EXPECT_EQ(console.raw.back(), std::string(":alice PRIVMSG ") + shown);
        for (std::string& out : link.Take()) {
            if (out.find(" #nb.botinfo :") != std::string::npos) audits.push_back(std::move(out));
        }
    }
    EXPECT_EQ(ReadFile("debug.nb2").find("hunter22"), std::string::npos);
    for (const std::string& line : audits) EXPECT_EQ(line.find("hunter22"), std::string::npos) << line;
    EXPECT_EQ(audits[2], Audit("NickServ", "alice", "identify [Failed (unknown command)]"));

    // A channel name that could hide a password, or break a line, is never stored.
    for (const std::string& name : Lines{"#a\xC2\xA0" "b", "#a\xE2\x80\x81" "b", "#a\xE3\x80\x80" "b", "#" + std::string(50, 'x')}) {
        Lines refused = Say("alice", "register " + name + " chanpw1 a@b.org About");
        EXPECT_EQ(refused.front(), Notice("alice", "^BError^B: A channel name cannot hold blanks or control "
                                                   "characters, nor be longer than 50 bytes."));
        EXPECT_EQ(Channel(name), nullptr);
    }
}

TEST_F(HostileInputTest, EachFileOfAMultiFileCommandFailingLeavesThemAllAsTheyWere) {
    Arrive("alice");
    RegisterChannel("alice", "#keep");
    Arrive("bob");
    const std::string channelsFailed = "\x02" "Error\x02: The channel database could not be written, please try again later.";
    const struct {
        const char* nick;
        const char* service;
        const char* text;
        std::string failure;
        std::vector<const char*> files;
    } kCommands[] = {
        {"bob", "ChanServ", "register #new chanpw1 bob@example.org About", channelsFailed,
         {"ChanServ/ChanServ.nb2", "ChanServ/Access.nb2"}},
        {"alice", "ChanServ", "drop #keep chanpw1", channelsFailed, {"ChanServ/ChanServ.nb2", "ChanServ/Access.nb2"}},
        {"alice", "NickServ", "access add 2 *@new.example",
         "\x02" "Error\x02: The nickname database could not be written, please try again later.",
         {"NickServ/NickServ.nb2", "ChanServ/Access.nb2"}},
    };
    const auto data = dir.Path() / "data";
    for (const auto& command : kCommands) {
        for (const char* failing : command.files) {
            std::vector<std::string> before;
            for (const char* file : command.files) before.push_back(ReadFile(file));
            std::filesystem::create_directory(data / (std::string(failing) + ".tmp"));
            Lines lines = Tell(command.service, command.nick, command.text);
            std::filesystem::remove(data / (std::string(failing) + ".tmp"));
            EXPECT_EQ(lines.front(), ":" + std::string(command.service) + " NOTICE " + command.nick + " :" + command.failure)
                << failing;
            for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(ReadFile(command.files[i]), before[i]) << failing;
        }
    }
    EXPECT_EQ(Channel("#new"), nullptr);
    EXPECT_EQ(LevelOf("#keep", "alice"), 500);
    EXPECT_EQ(services.nickServ.FindRegisteredNick("alice")->accessHosts[1], "*user@*.example.org");
}

TEST_F(HostileInputTest, WrongPasswordsToAnyCommandCountTogether) {
    Arrive("alice");
    RegisterChannel("alice", "#c");
    Arrive("mallory");
    Tell("NickServ", "mallory", "ghost alice guess1");
    Say("mallory", "ident #c guess2");
    Tell("NickServ", "mallory", "drop guess3");
    EXPECT_EQ(Tell("NickServ", "mallory", "chpass guess4 newpass1"),
              (Lines{":NickServ KILL mallory :Too many invalid passwords!",
                     Audit("NickServ", "mallory",
                                 "CHPASS ****** ****** [Failed (too many invalid passwords, user killed)]")}));
    EXPECT_FALSE(services.users.IsUserOnline("mallory"));
}

TEST_F(HostileInputTest, ChannelsHoldOnlyKnownUsersAndLoseMembersInConstantTime) {
    Receive(":ghost JOIN #x");
    Receive(":ghost MODE #y +m");
    EXPECT_FALSE(services.channels.ChannelExists("#x") || services.channels.ChannelExists("#y"));

    Lines stay;
    for (int i = 0; i < 100; ++i) {
        std::string nick = "u" + std::to_string(i);
        Connect(nick);
        Receive(":" + nick + " JOIN #big");
        if (i % 2 == 0) stay.push_back(nick);
    }
    Receive(":u0 MODE #big +o u98");
    for (int i = 1; i < 100; i += 2) Receive(":u" + std::to_string(i) + " QUIT :bye");
    std::size_t slot = *services.channels.FindNetChannel("#big");
    EXPECT_EQ(services.channels.At(slot).Nicks(), stay);
    EXPECT_TRUE(services.channels.Member(slot, "U98")->op);
    EXPECT_EQ(services.channels.Member(slot, "u97"), nullptr);
}

TEST_F(HostileInputTest, ChanServActsOnlyOnWhomTheSenderOutranks) {
    Arrive("alice");
    RegisterChannel("alice", "#c");
    Arrive("helper");
    Say("alice", "access #c add helper 200");
    Say("alice", "ident #c chanpw1");
    EXPECT_EQ(Say("helper", "kick #c ChanServ"), (Lines{Notice("helper", "^BError^B: ^BChanServ^B cannot be kicked."),
                                                        ChannelAudit("helper", "#c", "KICK [Failed (protected nick)]")}));
    EXPECT_EQ(Say("helper", "deop #c alice"),
              (Lines{Notice("helper", "^BError^B: ^Balice^B has a higher access level on ^B#c^B than you."),
                     ChannelAudit("helper", "#c", "DEOP [Failed (higher access level)]")}));
    EXPECT_EQ(Say("helper", "op #c bob,carol"), (Lines{Notice("helper", "^BError^B: ^Bbob,carol^B is not a nick."),
                                                       ChannelAudit("helper", "#c", "OP [Failed (invalid nick)]")}));
    EXPECT_EQ(Say("alice", "set #c mode +++++"), (Lines{Notice("alice", "^BError^B: The mode needs at least one mode letter."),
                                                       ChannelAudit("alice", "#c", "SET [Failed (no mode letter)]")}));
}

TEST(HostileFiles, LinksPlantedInTheDataDirectoryAreNotFollowedAndItIsMadeOwnerOnly) {
    test::ServicesFixture f;
    const auto data = f.dir.Path() / "data";
    std::filesystem::create_directories(data / "NickServ");
    ::chmod(data.c_str(), 0755);
    const auto target = f.dir.Path() / "target";
    std::ofstream(target) << "untouched";
    std::filesystem::create_symlink(target, data / "NickServ/NickServ.nb2.tmp");
    std::filesystem::create_symlink(target, data / "debug.nb2");

    ASSERT_TRUE(RunStartup(f.services, "testhost"));
    struct stat info {};
    ::stat(data.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_NE(f.console.messages.front().find("now for its owner only (mode 0700)"), std::string::npos);
    EXPECT_TRUE(f.services.nickServ.SaveNickDatabase());
    EXPECT_EQ(f.ReadFile("../target"), "untouched");
}

}  // namespace
}  // namespace nb
