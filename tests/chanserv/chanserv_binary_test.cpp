// The real nimbral2 binary against a scripted uplink: ChanServ's bytes on the wire, its files,
// and its channels after a restart.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "support/fixture.h"
#include "support/scripted_uplink.h"
#include "support/services_process.h"

namespace nb {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string Notice(const std::string& nick, const std::string& text) {
    return ":ChanServ NOTICE " + nick + " :" + text + "\n";
}

std::string ChannelAudit(const std::string& nick, const std::string& channel, const std::string& text) {
    return ":ChanServ PRIVMSG #nb.botinfo :[\x02" + nick + "\x02:\x02" + channel + "\x02] " + text + "\n";
}

struct ChanServBinaryTest : ::testing::Test {
    // Starts the binary and waits for its handshake; returns the handshake's lines.
    Lines StartServices() {
        process.Start(dataDir);
        EXPECT_TRUE(uplink.Accept(10s)) << process.Output();
        EXPECT_TRUE(uplink.WaitForLineContaining("ready to serve.", 0, 10s)) << process.Output();
        Lines handshake = uplink.RawLines();
        from = handshake.size();
        return handshake;
    }
    // Sends the lines, then waits for a line holding `until`; returns the raw lines that came.
    Lines Exchange(const Lines& lines, const std::string& until) {
        for (const auto& line : lines) uplink.SendLine(line);
        EXPECT_TRUE(uplink.WaitForLineContaining(until, from, 10s)) << "no line with " << until;
        Lines raw = uplink.RawLines();
        Lines got(raw.begin() + static_cast<long>(from), raw.end());
        from = raw.size();
        return got;
    }

    test::TempDir dir;
    std::filesystem::path dataDir = dir.Path() / "data";
    test::ScriptedUplink uplink;
    test::ServicesProcess process;
    std::size_t from = 0;
};

TEST_F(ChanServBinaryTest, RegisterAccessAndOpOnTheWireAndTheChannelIsJoinedAgainAfterARestart) {
    test::WriteTestSettings(dataDir, uplink.Port());
    Lines handshake = StartServices();
    EXPECT_TRUE(std::none_of(handshake.begin(), handshake.end(),
                             [](const std::string& line) { return line.rfind(":ChanServ JOIN ", 0) == 0; }));
    Exchange({"NICK joe 1 1765055235 joe host.example.org irc.example.org 0 :Joe",
              "NICK bob 1 1765055235 bob host.example.org irc.example.org 0 :Bob",
              ":joe PRIVMSG NickServ :register secret1", ":joe PRIVMSG NickServ :identify secret1",
              ":bob PRIVMSG NickServ :register secret2", ":bob PRIVMSG NickServ :identify secret2"},
             "[\x02" "bob\x02] IDENT ****** [Success]");

    Lines lines = Exchange({":joe PRIVMSG ChanServ :register #Garden chanpw1 joe@example.org Flowers (and trees)"},
                           "REGISTER #Garden");
    EXPECT_EQ(lines, (Lines{":ChanServ JOIN #Garden\n", ":services.localhost MODE #Garden +o ChanServ\n",
                            ":services.localhost MODE #Garden +nt\n",
                            Notice("joe", "You have successfully registered \x02#Garden\x02."),
                            Notice("joe", "Your password is \x02" "chanpw1\x02 which is CaSE seNsItIVE."),
                            ChannelAudit("joe", "#Garden",
                                         "REGISTER #Garden ****** joe@example.org Flowers (and trees) [Success]")}));

    lines = Exchange({":joe PRIVMSG ChanServ :access #Garden add bob 250"}, "ACCESS #Garden");
    EXPECT_EQ(lines, (Lines{Notice("joe", "\x02" "bob\x02 was added to \x02#Garden\x02 at level \x02" "250\x02."),
                            ChannelAudit("joe", "#Garden", "ACCESS #Garden add bob 250 [Success]")}));

    lines = Exchange({":bob PRIVMSG ChanServ :op #garden joe"}, "OP joe");
    EXPECT_EQ(lines, (Lines{":services.localhost MODE #garden +o joe\n",
                            ChannelAudit("bob", "#garden", "OP joe [Success]")}));

    // The passwords of register, ident and drop stay out of the debug log.
    lines = Exchange({":joe PRIVMSG ChanServ :register #Pond pondpw-9 joe@example.org Fish",
                      ":joe PRIVMSG ChanServ :ident #Garden chanpw1",
                      ":joe PRIVMSG ChanServ :drop #Pond pondpw-9"},
                     "DROP #Pond");
    EXPECT_EQ(lines.end()[-3], ":ChanServ PART #Pond\n");
    EXPECT_EQ(lines.end()[-2], ChannelAudit("joe", "#Pond", "DROP #Pond ****** [Success]"));
    EXPECT_TRUE(std::find(lines.begin(), lines.end(), ChannelAudit("joe", "#Garden", "IDENT ****** [Success]")) !=
                lines.end());

    const std::string channelFile =
        "#Garden chanpw1 joe joe@example.org (Flowers (and trees)) [nt] [Not set!] {Not set!} ";
    EXPECT_EQ(ReadWhole(dataDir / "ChanServ/ChanServ.nb2").rfind(channelFile, 0), 0u);
    const std::string accessFile =
        "#Garden joe *joe@*.example.org *joe@*.example.org *joe@*.example.org 500\r\n"
        "#Garden bob *bob@*.example.org *bob@*.example.org *bob@*.example.org 250\r\n";
    EXPECT_EQ(ReadWhole(dataDir / "ChanServ/Access.nb2"), accessFile);

    process.Stop();
    std::string debug = ReadWhole(dataDir / "debug.nb2");
    for (const char* secret : {"chanpw1", "pondpw-9"}) EXPECT_EQ(debug.find(secret), std::string::npos) << secret;
    EXPECT_NE(debug.find(":joe PRIVMSG ChanServ :register #Garden ****** joe@example.org Flowers (and trees)\r\n"),
              std::string::npos);
    EXPECT_NE(debug.find(":joe PRIVMSG ChanServ :ident #Garden ******\r\n"), std::string::npos);
    EXPECT_NE(debug.find(":joe PRIVMSG ChanServ :drop #Pond ******\r\n"), std::string::npos);

    // A fresh start: ChanServ sits in the registered channel and ops itself there, and the
    // access list holds.
    handshake = StartServices();
    auto join = std::find(handshake.begin(), handshake.end(), ":ChanServ JOIN #Garden\n");
    ASSERT_NE(join, handshake.end());
    ASSERT_NE(join + 1, handshake.end());
    EXPECT_EQ(join[1], ":ChanServ MODE #Garden +o ChanServ\n");
    EXPECT_EQ(std::count_if(handshake.begin(), handshake.end(),
                            [](const std::string& line) { return line.find(" JOIN #Pond") != std::string::npos; }),
              0);
    lines = Exchange({"NICK bob 1 1765055299 bob host.example.org irc.example.org 0 :Bob",
                      ":bob PRIVMSG NickServ :identify secret2", ":bob PRIVMSG ChanServ :access #Garden list"},
                     "ACCESS #Garden list");
    const Lines list = {Notice("bob", "Access list for: \x02#Garden\x02"), Notice("bob", "\x02joe\x02 - \x02" "500\x02"),
                        Notice("bob", "\x02" "bob\x02 - \x02" "250\x02"),
                        ChannelAudit("bob", "#Garden", "ACCESS #Garden list [Success]")};
    EXPECT_NE(std::search(lines.begin(), lines.end(), list.begin(), list.end()), lines.end())
        << ::testing::PrintToString(lines);
    EXPECT_EQ(uplink.Received().find('\r'), std::string::npos);
}

}  // namespace
}  // namespace nb
