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
    // With `third`, the third line holding `until` ends the exchange.
    Lines Exchange(const Lines& lines, const std::string& until, bool third = false) {
        for (const auto& line : lines) uplink.SendLine(line);
        auto found = uplink.WaitForLineContaining(until, from, 10s);
        for (int more = 0; third && found && more < 2; ++more)
            found = uplink.WaitForLineContaining(until, *found + 1, 10s);
        EXPECT_TRUE(found) << "no line with " << until;
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


// What members see of a registered channel, on the wire: their status, ban and kick by level,
// the greet, the locks, ChanServ keeping its own status, and the commands that act on members.
// The network log's lines carry the time of day; they are not what these tests are about.
Lines WithoutNetLog(Lines lines) {
    std::erase_if(lines, [](const std::string& line) { return line.find(" PRIVMSG #nb.netinfo :") != std::string::npos; });
    return lines;
}

TEST_F(ChanServBinaryTest, EntryEnforcementLocksAndMemberCommandsOnTheWire) {
    test::WriteTestSettings(dataDir, uplink.Port());
    StartServices();
    Lines setup = {"PING :irc.example.org"};
    for (const std::string nick : {"joe", "bob", "carl", "dave", "eve"}) {
        setup.push_back("NICK " + nick + " 1 1765055235 " + nick + " host.example.org irc.example.org 0 :User");
        setup.push_back(":" + nick + " PRIVMSG NickServ :register pw-" + nick);
        setup.push_back(":" + nick + " PRIVMSG NickServ :identify pw-" + nick);
    }
    setup.push_back(":joe PRIVMSG ChanServ :register #Garden chanpw1 joe@example.org Flowers");
    setup.push_back(":joe PRIVMSG ChanServ :access #Garden add bob 200");
    setup.push_back(":joe PRIVMSG ChanServ :access #Garden add carl 150");
    setup.push_back(":joe PRIVMSG ChanServ :access #Garden add dave 1");
    setup.push_back(":joe PRIVMSG ChanServ :access #Garden add eve 50");
    setup.push_back(":joe PRIVMSG ChanServ :set #Garden greet Mind the roses");
    setup.push_back(":joe PRIVMSG ChanServ :set #Garden autogreet on");
    Exchange(setup, "SET #Garden autogreet on [Success]");

    EXPECT_EQ(WithoutNetLog(Exchange({":bob JOIN #Garden", ":carl JOIN #Garden", ":dave JOIN #Garden", ":eve JOIN #Garden",
                        "PING :joined"},
                       ":MemoServ PONG :joined")),
              (Lines{":services.localhost MODE #Garden +o bob\n", ":ChanServ NOTICE bob :[\x02#Garden\x02] Mind the roses\n",
                     ":services.localhost MODE #Garden +v carl\n",
                     ":ChanServ NOTICE carl :[\x02#Garden\x02] Mind the roses\n",
                     ":services.localhost MODE #Garden +b *dave@*.example.org\n",
                     ":services.localhost KICK #Garden dave :You are not permitted to be in this channel!\n",
                     ":ChanServ NOTICE eve :[\x02#Garden\x02] Mind the roses\n",
                     ":services.localhost PONG :joined\n", ":ChanServ PONG :joined\n", ":NickServ PONG :joined\n",
                     ":OperServ PONG :joined\n", ":MemoServ PONG :joined\n"}));

    EXPECT_EQ(WithoutNetLog(Exchange({":joe PRIVMSG ChanServ :set #Garden topic Roses and rue", ":joe PRIVMSG ChanServ :set #Garden tlock on",
                        ":bob TOPIC #Garden :Weeds"},
                       ":ChanServ TOPIC #Garden :Roses and rue", true)),
              (Lines{Notice("joe", "The topic in \x02#Garden\x02 is now set to: \x02Roses and rue\x02"),
                     ":ChanServ TOPIC #Garden :Roses and rue\n",
                     ChannelAudit("joe", "#Garden", "SET #Garden topic Roses and rue [Success]"),
                     Notice("joe", "Topiclock in \x02#Garden\x02 has been turned \x02on\x02!"),
                     ":ChanServ TOPIC #Garden :Roses and rue\n",
                     ChannelAudit("joe", "#Garden", "SET #Garden tlock on [Success]"),
                     ":ChanServ TOPIC #Garden :Roses and rue\n"}));

    EXPECT_EQ(WithoutNetLog(Exchange({":joe PRIVMSG ChanServ :set #Garden mode ntm", ":joe PRIVMSG ChanServ :set #Garden mlock on",
                        ":joe MODE #Garden -m", ":bob MODE #Garden -o ChanServ", "PING :locked"},
                       ":MemoServ PONG :locked")),
              (Lines{Notice("joe", "The mode in \x02#Garden\x02 is now set to: \x02ntm\x02"),
                     ":services.localhost MODE #Garden +ntm\n",
                     ChannelAudit("joe", "#Garden", "SET #Garden mode ntm [Success]"),
                     Notice("joe", "Modelock in \x02#Garden\x02 has been turned \x02on\x02!"),
                     ":services.localhost MODE #Garden +ntm\n",
                     ChannelAudit("joe", "#Garden", "SET #Garden mlock on [Success]"),
                     ":ChanServ MODE #Garden -ntsimklp\n", ":ChanServ MODE #Garden :ntm\n",
                     ":ChanServ MODE #Garden +o ChanServ\n", ":ChanServ MODE #Garden -o bob\n",
                     ":services.localhost PONG :locked\n", ":ChanServ PONG :locked\n", ":NickServ PONG :locked\n",
                     ":OperServ PONG :locked\n", ":MemoServ PONG :locked\n"}));

    EXPECT_EQ(WithoutNetLog(Exchange({":bob PRIVMSG ChanServ :kick #Garden eve", ":bob PRIVMSG ChanServ :deop #Garden carl",
                        ":bob PRIVMSG ChanServ :ident #Garden chanpw1", ":carl PRIVMSG ChanServ :ident #Garden chanpw1",
                        ":joe PRIVMSG ChanServ :ident #Garden chanpw1"},
                       "[\x02joe\x02:\x02#Garden\x02] IDENT")),
              (Lines{":ChanServ KICK #Garden eve :You are not wanted!\n",
                     ChannelAudit("bob", "#Garden", "KICK eve [Success]"),
                     ":services.localhost MODE #Garden -o carl\n", ChannelAudit("bob", "#Garden", "DEOP carl [Success]"),
                     Notice("bob", "You have successfully identified with \x02#Garden\x02 as a co-owner, giving you "
                                   "level 499."),
                     ChannelAudit("bob", "#Garden", "IDENT ****** [Success]"),
                     Notice("carl", "You have successfully identified with \x02#Garden\x02 as a co-owner, giving you "
                                    "level 499."),
                     ChannelAudit("carl", "#Garden", "IDENT ****** [Success]"),
                     Notice("joe", "You have successfully identified with \x02#Garden\x02 as the owner of the channel "
                                   "giving you level 500."),
                     ChannelAudit("joe", "#Garden", "IDENT ****** [Success]")}));
}

}  // namespace
}  // namespace nb
