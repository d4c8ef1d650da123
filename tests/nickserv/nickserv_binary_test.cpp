// The real nimbral2 binary against a scripted uplink: NickServ's bytes on the wire and its files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "support/fixture.h"
#include "support/scripted_uplink.h"
#include "support/services_process.h"

namespace nb {
namespace {

using namespace std::chrono_literals;
using test::ScriptedUplink;
using test::ServicesProcess;

// Bytes of a literal, NUL characters included.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

struct NickServBinaryTest : ::testing::Test {
    // Starts the binary and waits for its handshake; `from` is then the first line after it.
    void StartServices(const std::vector<std::string>& args = {}) {
        process.Start(dataDir, args);
        ASSERT_TRUE(uplink.Accept(10s)) << process.Output();
        ASSERT_TRUE(uplink.WaitForLineContaining("ready to serve.", 0, 10s)) << process.Output();
        from = uplink.RawLines().size();
    }
    // Sends the lines, then waits for a line holding `until`; returns the raw lines that came.
    std::vector<std::string> Exchange(const std::vector<std::string>& lines, const std::string& until) {
        for (const auto& line : lines) uplink.SendLine(line);
        auto found = uplink.WaitForLineContaining(until, from, 10s);
        EXPECT_TRUE(found) << "no line with " << until;
        std::vector<std::string> raw = uplink.RawLines();
        std::vector<std::string> got(raw.begin() + static_cast<long>(from), raw.end());
        from = raw.size();
        return got;
    }
    // After the services dropped the link or were told to, they come back: `from` follows the
    // new handshake.
    void AcceptRelink() {
        ASSERT_TRUE(uplink.Accept(10s)) << process.Output();
        ASSERT_TRUE(uplink.WaitForLineContaining("ready to serve.", 0, 10s)) << process.Output();
        from = uplink.RawLines().size();
    }
    static bool Contains(const std::vector<std::string>& lines, const std::string& part) {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.find(part) != std::string::npos; });
    }
    static bool HasInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
        auto at = std::search(lines.begin(), lines.end(), wanted.begin(), wanted.end());
        return at != lines.end();
    }

    test::TempDir dir;
    std::filesystem::path dataDir = dir.Path() / "data";
    ScriptedUplink uplink;
    ServicesProcess process;
    std::size_t from = 0;
};

TEST_F(NickServBinaryTest, RegistersIdentifiesAndEnforcesAcrossARestart) {
    test::WriteTestSettings(dataDir, uplink.Port());
    StartServices();
    const std::string intro = "NICK joe 1 1765055235 joe host.example.org irc.example.org 0 :Joe";

    auto lines = Exchange({intro, ":joe PRIVMSG NickServ :register secret1"}, "REGISTER ****** [Success]");
    EXPECT_TRUE(HasInOrder(lines, {":NickServ NOTICE joe :You successfully registered \x02joe\x02!\n",
                                   ":NickServ NOTICE joe :Your password is \x02secret1\x02, it is CaSE seNsItIVE.\n",
                                   ":NickServ PRIVMSG #nb.botinfo :[\x02joe\x02] REGISTER ****** [Success]\n"}));

    lines = Exchange({":joe PRIVMSG NickServ :identify wrong1", ":joe PRIVMSG nickserv :IDENTIFY secret1"},
                     "IDENT ****** [Success]");
    EXPECT_EQ(lines, (std::vector<std::string>{
                         ":NickServ NOTICE joe :\x02" "Error\x02: Invalid password.  Please try again.\n",
                         ":NickServ PRIVMSG #nb.botinfo :[\x02joe\x02] IDENT ****** [Failed (invalid password)]\n",
                         ":NickServ NOTICE joe :Hello \x02joe\x02.  You have successfully identified.\n",
                         ":NickServ PRIVMSG #nb.botinfo :[\x02joe\x02] IDENT ****** [Success]\n"}));

    lines = Exchange({":joe PRIVMSG NickServ :set realname Joe Bloggs"}, "SET realname");
    EXPECT_EQ(lines, (std::vector<std::string>{
                         ":NickServ NOTICE joe :Realname set to: \x02Joe Bloggs\x02\n",
                         ":NickServ PRIVMSG #nb.botinfo :[\x02joe\x02] SET realname Joe Bloggs [Success]\n"}));

    std::string file = ReadWhole(dataDir / "NickServ/NickServ.nb2");
    ASSERT_GE(file.size(), 2u);
    EXPECT_EQ(file.rfind("joe secret1 *joe@*.example.org *joe@*.example.org *joe@*.example.org [", 0), 0u) << file;
    EXPECT_NE(file.find("] {Joe Bloggs} [none@not.entered] (http://nimbral.example.org) 0 True NOTICE "),
              std::string::npos);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 1);
    EXPECT_EQ(file.substr(file.size() - 2), "\r\n");
    struct stat info {};
    ASSERT_EQ(::stat((dataDir / "NickServ/NickServ.nb2").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    std::string debug = ReadWhole(dataDir / "debug.nb2");
    EXPECT_NE(debug.find(":joe PRIVMSG NickServ :register ******\r\n"), std::string::npos);
    EXPECT_NE(debug.find(":joe PRIVMSG nickserv :IDENTIFY ******\r\n"), std::string::npos);
    EXPECT_EQ(debug.find("secret1"), std::string::npos);
    EXPECT_EQ(debug.find("wrong1"), std::string::npos);

    // A fresh start reads the nick back: the same nick from another host is warned.
    process.Stop();
    StartServices();
    lines = Exchange({"NICK joe 1 1765055299 mallory evil.example.net irc.example.org 0 :Not Joe"},
                     "If this is your nick");
    EXPECT_TRUE(HasInOrder(lines, {":NickServ NOTICE joe :This nick is registered.\n",
                                   ":NickServ NOTICE joe :You have 60 seconds to identify or change your nick before "
                                   "your nick is changed.  If this is your nick, please identify.\n"}));
    lines = Exchange({":joe PRIVMSG NickServ :info joe"}, "INFO joe [Success]");
    EXPECT_TRUE(HasInOrder(lines, {":NickServ NOTICE joe :Real name:\x02 Joe Bloggs\x02\n"}));
}


TEST_F(NickServBinaryTest, RefusalsAccessPasswordChangeGhostAndDropOnTheWire) {
    test::WriteTestSettings(dataDir, uplink.Port());
    StartServices();
    auto notice = [](const std::string& nick, const std::string& text) {
        return ":NickServ NOTICE " + nick + " :" + text + "\n";
    };
    auto audit = [](const std::string& nick, const std::string& text) {
        return ":NickServ PRIVMSG #nb.botinfo :[\x02" + nick + "\x02] " + text + "\n";
    };
    const std::string josephIntro = "NICK joseph 1 1765055235 joe host.example.org irc.example.org 0 :Joe";

    auto lines = Exchange({josephIntro, ":joseph PRIVMSG NickServ :register abcd", ":joseph PRIVMSG NickServ :register PASSword",
                           ":joseph PRIVMSG NickServ :register JoSePh", ":joseph PRIVMSG NickServ :register abcde"},
                          "REGISTER ****** [Success]");
    EXPECT_TRUE(HasInOrder(
        lines, {notice("joseph", "That password is too short.  Please have it more than 4 characters."),
                audit("joseph", "REGISTER ****** [Failed (password too short)]"),
                notice("joseph", "Invalid password, please try another one to register."),
                audit("joseph", "REGISTER ****** [Failed (bad password)]"),
                notice("joseph", "Invalid password, please try another one to register."),
                audit("joseph", "REGISTER ****** [Failed (bad password)]"),
                notice("joseph", "You successfully registered \x02joseph\x02!"),
                notice("joseph", "Your password is \x02" "abcde\x02, it is CaSE seNsItIVE."),
                audit("joseph", "REGISTER ****** [Success]")}))
        << ::testing::PrintToString(lines);

    lines = Exchange({":joseph PRIVMSG NickServ :ident abcde", ":joseph PRIVMSG NickServ :access add 2 *joe@*.home.net"},
                     "updated.");
    EXPECT_TRUE(HasInOrder(lines, {notice("joseph", "Added: \x02*joe@*.home.net\x02 to slot \x02" "2\x02"),
                                   audit("joseph", "ACCESS add 2 *joe@*.home.net [Success]"),
                                   notice("joseph", "Your nick (\x02joseph\x02) was found on \x02" "0\x02 registered channels, "
                                                 "and your hosts were updated.")}));

    lines = Exchange({":joseph PRIVMSG NickServ :chpass abcde fghij"}, "CHPASS");
    EXPECT_EQ(lines, (std::vector<std::string>{
                         notice("joseph", "You have successfully changed your password to \x02" "fghij\x02.  Remember, "
                                       "this is caSE seNTItiVE."),
                         audit("joseph", "CHPASS ****** ****** [Success]")}));

    lines = Exchange({"NICK ann 1 1765055236 ann other.example.net irc.example.org 0 :Ann",
                      ":ann PRIVMSG NickServ :ghost joseph fghij"},
                     "GHOST joseph");
    EXPECT_TRUE(HasInOrder(lines, {":NickServ KILL joseph :Ghost command used by: ann\n",
                                   notice("ann", "Your ghost (\x02joseph\x02) was successfully killed."),
                                   audit("ann", "GHOST joseph ****** [Success]")}));

    // Back from a known host: recognised silently, then the nick is dropped.
    lines = Exchange({josephIntro, ":joseph PRIVMSG NickServ :ident fghij", ":joseph PRIVMSG NickServ :drop fghij"}, "DROP");
    EXPECT_TRUE(HasInOrder(lines, {audit("joseph", "DROP ****** [Success]"),
                                   notice("joseph", "You have successfully dropped \x02joseph\x02.")}));
    for (const auto& line : lines) EXPECT_EQ(line.find("This nick is registered."), std::string::npos) << line;
    EXPECT_EQ(ReadWhole(dataDir / "NickServ/NickServ.nb2"), "");
    EXPECT_EQ(uplink.Received().find('\r'), std::string::npos);
}

TEST_F(NickServBinaryTest, IdentificationEndsWithTheLinkWhetherItDropsOrOurServerIsSquit) {
    test::WriteTestSettings(dataDir, uplink.Port());
    StartServices();
    Exchange({"NICK owner 1 1765055235 owner home.example.org irc.example.org 0 :Owner",
              ":owner PRIVMSG NickServ :register secret1", ":owner PRIVMSG NickServ :identify secret1",
              ":owner PRIVMSG MemoServ :send owner note to self"},
             "SEND owner");
    for (const std::string relink : {"dropped", "squit"}) {
        if (relink == "dropped") {
            uplink.CloseConnection();
        } else {
            uplink.SendLine(":irc.example.org SQUIT services.localhost :Ping timeout");
            ASSERT_TRUE(uplink.WaitForPeerClose());
        }
        AcceptRelink();
        auto lines = Exchange({"NICK owner 1 1765055299 mallory evil.example.net irc.example.org 0 :Not the owner",
                               ":owner PRIVMSG MemoServ :read all", ":owner PRIVMSG NickServ :access list"},
                              "ACCESS list");
        EXPECT_TRUE(HasInOrder(lines, {":MemoServ NOTICE owner :\x02" "Error\x02: You must identify with NickServ!\n",
                                       ":MemoServ PRIVMSG #nb.botinfo :[\x02owner\x02] READ [Failed (user not "
                                       "identified)]\n"}))
            << relink << ::testing::PrintToString(lines);
        EXPECT_FALSE(Contains(lines, "note to self")) << relink;
        EXPECT_TRUE(Contains(lines, "ACCESS list   [Failed (not identified)]")) << relink;
    }
}

TEST_F(NickServBinaryTest, NoPasswordFormReachesTheDebugLogTheRawViewOrTheBotChannel) {
    test::WriteTestSettings(dataDir, uplink.Port());
    StartServices({"--raw"});
    uplink.SendLine("PASS linkpw-1 0210-IRC+ ngIRCd|26.1:CHLMSXZo PZ");
    auto lines = Exchange({"NICK joe 1 1765055235 joe host.example.org irc.example.org 0 :Joe",
                           ":joe PRIVMSG NickServ :register secret-2", ":joe PRIVMSG NickServ :\tidentify secret-2",
                           ":joe PRIVMSG NickServ :identify\t secret-2", ":joe SQUERY NickServ :identify squery-5",
                           ":joe PRIVMSG NickServ :register\tunknown-6"},
                          "[Failed (unknown command)]");
    // The two tabbed forms ran.
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.find("IDENT ****** [Success]") != std::string::npos; }),
              2);
    EXPECT_TRUE(Contains(lines, ":NickServ PRIVMSG #nb.botinfo :[\x02joe\x02] register [Failed (unknown command)]"));
    process.Stop();
    std::string debug = ReadWhole(dataDir / "debug.nb2");
    std::string terminal = process.Output();
    for (const char* secret : {"linkpw-1", "secret-2", "squery-5", "unknown-6"}) {
        EXPECT_EQ(debug.find(secret), std::string::npos) << secret;
        EXPECT_EQ(terminal.find(secret), std::string::npos) << secret;
    }
    EXPECT_NE(terminal.find("<< :joe PRIVMSG NickServ :identify\t ******"), std::string::npos) << terminal;
    EXPECT_NE(debug.find("] PASS ****** 0210-IRC+"), std::string::npos);
    // What the services sent: the password shows only in the register reply to its owner.
    EXPECT_EQ(uplink.Received().find("unknown-6"), std::string::npos);
    EXPECT_EQ(uplink.Received().find("squery-5"), std::string::npos);
}

TEST_F(NickServBinaryTest, WrongPasswordsCountAcrossOtherUsersSavesUntilTheKillAtTheFourth) {
    test::WriteTestSettings(dataDir, uplink.Port());
    StartServices();
    Exchange({"NICK joe 1 1765055235 joe host.example.org irc.example.org 0 :Joe",
              "NICK ann 1 1765055235 ann host.example.org irc.example.org 0 :Ann", ":joe PRIVMSG NickServ :register secret1",
              ":ann PRIVMSG NickServ :register annpass1", ":ann PRIVMSG NickServ :identify annpass1"},
             "IDENT ****** [Success]");
    int killedAt = 0;
    for (int guess = 1; guess <= 30 && killedAt == 0; ++guess) {
        std::string age = std::to_string(guess);
        auto lines = Exchange({":joe PRIVMSG NickServ :identify guess" + age, ":ann PRIVMSG NickServ :set age " + age},
                              "SET age " + age + " [Success]");
        if (Contains(lines, ":NickServ KILL joe :Too many invalid passwords!")) killedAt = guess;
    }
    EXPECT_EQ(killedAt, 4);
}

TEST_F(NickServBinaryTest, ARegistrationThatCannotBeWrittenIsRefusedAndAbsentAfterARestart) {
    test::WriteTestSettings(dataDir, uplink.Port());
    StartServices();
    // A folder where the temporary file must go: no write can succeed, even for root.
    std::filesystem::create_directory(dataDir / "NickServ/NickServ.nb2.tmp");
    const std::string ann = "NICK ann 1 1765055235 ann host.example.org irc.example.org 0 :Ann";
    auto lines = Exchange({ann, ":ann PRIVMSG NickServ :register annpass1"}, "REGISTER");
    EXPECT_TRUE(HasInOrder(lines, {":NickServ NOTICE ann :\x02" "Error\x02: The nickname database could not be "
                                   "written, please try again later.\n",
                                   ":NickServ PRIVMSG #nb.botinfo :[\x02" "ann\x02] REGISTER ****** [Failed (database "
                                   "not written)]\n"}))
        << ::testing::PrintToString(lines);
    process.Stop();
    EXPECT_NE(process.Output().find("Cannot write"), std::string::npos) << process.Output();
    std::filesystem::remove(dataDir / "NickServ/NickServ.nb2.tmp");
    StartServices();
    lines = Exchange({ann, ":ann PRIVMSG NickServ :info ann"}, "INFO");
    EXPECT_TRUE(Contains(lines, ":NickServ NOTICE ann :\x02" "ann\x02 is not registered.\n"));
    EXPECT_EQ(ReadWhole(dataDir / "NickServ/NickServ.nb2"), "");
}

TEST_F(NickServBinaryTest, GhostChpassCtcpAndControlCharactersOnTheWire) {
    test::WriteTestSettings(dataDir, uplink.Port());
    StartServices();
    auto lines = Exchange({"NICK zed 1 1765055235 zed host.example.org irc.example.org 0 :Zed",
                           ":zed PRIVMSG NickServ :register zedpass1", ":zed QUIT :gone",
                           "NICK joe 1 1765055235 joe host.example.org irc.example.org 0 :Joe",
                           ":joe PRIVMSG NickServ :register secret1", ":joe PRIVMSG NickServ :identify secret1",
                           ":joe PRIVMSG NickServ :ghost zed zedpass1", ":joe PRIVMSG NickServ :ghost joe secret1",
                           ":joe PRIVMSG NickServ :chpass secret1 abc"},
                          "CHPASS");
    EXPECT_FALSE(Contains(lines, " KILL "));
    EXPECT_TRUE(HasInOrder(lines, {":NickServ NOTICE joe :\x02zed\x02 is not online.\n",
                                   ":NickServ PRIVMSG #nb.botinfo :[\x02joe\x02] GHOST zed ****** [Failed (nick not "
                                   "online)]\n",
                                   ":NickServ NOTICE joe :\x02" "Error\x02: You cannot ghost yourself.\n",
                                   ":NickServ PRIVMSG #nb.botinfo :[\x02joe\x02] GHOST joe ****** [Failed (own nick)]\n",
                                   ":NickServ NOTICE joe :That password is too short.  Please have it more than 4 "
                                   "characters.\n"}))
        << ::testing::PrintToString(lines);

    uplink.SendRaw(Bytes(":joe PRIVMSG NickServ :\x01VERSION\x01\r\n:joe PRIVMSG NickServ :\x01PING a\0b\x01\r\n"));
    uplink.SendRaw(Bytes(":joe PRIVMSG NickServ :set url http://x.org/\0evil\r\n"));
    lines = Exchange({":joe PRIVMSG NickServ :info joe"}, "INFO joe");
    EXPECT_TRUE(HasInOrder(lines, {":NickServ NOTICE joe :\x01VERSION Nimbral II v4.3\x01\n",
                                   ":NickServ NOTICE joe :\x01PING a b\x01\n",
                                   ":NickServ NOTICE joe :\x02" "Error\x02: URL cannot contain control characters.\n"}))
        << ::testing::PrintToString(lines);
    EXPECT_TRUE(Contains(lines, ":NickServ NOTICE joe :URL:\x02 http://nimbral.example.org\x02\n"));
    EXPECT_EQ(uplink.Received().find('\0'), std::string::npos);
    EXPECT_EQ(uplink.Received().find('\r'), std::string::npos);
    EXPECT_EQ(ReadWhole(dataDir / "NickServ/NickServ.nb2").find('\0'), std::string::npos);
}

}  // namespace
}  // namespace nb
