#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "support/fixture.h"
#include "support/scripted_uplink.h"
#include "support/services_process.h"

namespace nb {
namespace {

using namespace std::chrono_literals;

// Sends a PING and returns what the services sent from `mark` up to their answer: every
// line they wrote for earlier input comes before it.
std::string UpToPong(test::ScriptedUplink& uplink, std::size_t mark, const std::string& token) {
    uplink.SendLine("PING :" + token);
    EXPECT_TRUE(uplink.WaitForLineContaining(":MemoServ PONG :" + token, 0, 10s)) << token;
    const std::string& all = uplink.Received();
    std::size_t firstPong = all.rfind('\n', all.find(" PONG :" + token, mark));
    return all.substr(mark, firstPong + 1 - mark);
}

TEST(MemoServBinary, AMemoTravelsFromOneIdentifiedUserToAnother) {
    test::TempDir dir;
    auto data = dir.Path() / "data";
    test::ScriptedUplink uplink;
    test::WriteTestSettings(data, uplink.Port());
    test::ServicesProcess process;
    process.Start(data);
    ASSERT_TRUE(uplink.Accept(10s)) << process.Output();
    ASSERT_TRUE(uplink.WaitForLineContaining("ready to serve.", 0, 10s));
    for (const std::string nick : {"joe", "bob"}) {
        uplink.SendLine("NICK " + nick + " 1 1765055235 " + nick + " host.example.org irc.example.org 0 :Gardener");
        uplink.SendLine(":" + nick + " PRIVMSG NickServ :register secret1");
        uplink.SendLine(":" + nick + " PRIVMSG NickServ :identify secret1");
    }
    UpToPong(uplink, 0, "identified");

    std::size_t mark = uplink.Received().size();
    uplink.SendLine(":joe PRIVMSG MemoServ :send bob Hello bob, the seeds [finally] came up!");
    EXPECT_EQ(UpToPong(uplink, mark, "sent"),
              ":MemoServ NOTICE joe :You successfully sent \x02"
              "bob\x02 a message!\n"
              ":MemoServ PRIVMSG #nb.botinfo :[\x02joe\x02] SEND bob ****** [Success]\n"
              ":MemoServ NOTICE bob :You have a message waiting for you (just sent).\n"
              ":MemoServ NOTICE bob :Type: /msg MemoServ read all\n");
    std::ifstream in(data / "MemoServ" / "MemoServ.nb2", std::ios::binary);
    std::string stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string sentOn = stored.substr(5, stored.find(']') - 5);
    EXPECT_EQ(stored, "joe [" + sentOn + "] bob Hello bob, the seeds [finally] came up!\r\n");

    mark = uplink.Received().size();
    uplink.SendLine(":bob PRIVMSG MemoServ :read all");
    EXPECT_EQ(UpToPong(uplink, mark, "read"), ":MemoServ NOTICE bob :Message \x02#1\x02 from: \x02joe\x02 [\x02" +
                                                  sentOn +
                                                  "\x02] Hello bob, the seeds [finally] came up!\n"
                                                  ":MemoServ PRIVMSG #nb.botinfo :[\x02"
                                                  "bob\x02] READ ALL [Success]\n"
                                                  ":MemoServ NOTICE bob :Total number of messages: \x02"
                                                  "1\x02\n");
    EXPECT_EQ(uplink.Received().find('\r'), std::string::npos);
    EXPECT_EQ(process.Stop(), 0) << process.Output();
}

}  // namespace
}  // namespace nb
