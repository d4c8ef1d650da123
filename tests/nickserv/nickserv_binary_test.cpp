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

std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

struct NickServBinaryTest : ::testing::Test {
    // Starts the binary and waits for its handshake; `from` is then the first line after it.
    void StartServices() {
        process.Start(dataDir);
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

}  // namespace
}  // namespace nb
