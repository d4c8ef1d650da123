// The password words of service commands, however a line spells them, never reach the debug
// log, the raw traffic view or a sent line (the audits): each secret here holds "hunter".
#include "support/fixture.h"

namespace nb {
namespace {

using MaskingTest = test::ServiceTest;

TEST_F(MaskingTest, PasswordWordsAreMaskedInTheDebugLogTheRawViewAndTheAudits) {
    Connect("joe");
    const std::pair<std::string, std::string> kShown[] = {
        {"NickServ :identify hunter1", "NickServ :identify ******"},
        {"nickserv :ghost bob hunter2", "nickserv :ghost bob ******"},
        {"NickServ :chpass hunter3 hunter4", "NickServ :chpass ****** ******"},
        {"NickServ :register  hunter5", "NickServ :register  ******"},
        {"NickServ :drop hunter6", "NickServ :drop ******"},
        {"ChanServ :register #c hunter7 me@x.org My channel", "ChanServ :register #c ****** me@x.org My channel"},
        {"ChanServ :ident #c hunter8", "ChanServ :ident #c ******"},
        {"ChanServ :drop #c hunter9", "ChanServ :drop #c ******"},
        {"OperServ :login hunter10", "OperServ :login ******"},
        {"NickServ :\tidentify hunter11", "NickServ :\tidentify ******"},
        {"NickServ :identify\t hunter12", "NickServ :identify\t ******"},
        {"NickServ :identify hun\thunter13", "NickServ :identify ******"},
        {"NickServ :register\thunter14", "NickServ :register ******"},
        {"NickServ register\thunter15", "NickServ register ******"},
        {"NickServ :identify\xC2\xA0hunter16", "NickServ :identify ******"},
        {"NickServ :identify\xE3\x80\x80hunter17", "NickServ :identify ******"},
        {"NickServ :identify:hunter18", "NickServ :identify ******"},
        {"NickServ :regster hunter19", "NickServ :regster ******"},
        {"NickServ :id hunter20", "NickServ :id ******"},
        {"ChanServ :identify hunter21", "ChanServ :identify ******"},
        {"MemoServ :identify hunter22", "MemoServ :identify ******"},
        {"NickServ,MemoServ :identify hunter23", "NickServ,MemoServ :identify ******"},
        {"ChanServ :register #c\thunter24 a@b.org About", "ChanServ :register #c\t****** ****** About"},
        {"ChanServ :ident #c\thunter25 x", "ChanServ :ident #c\t****** ******"},
    };
    test::Lines sent;
    for (const auto& [line, shown] : kShown) {
        Receive(":joe PRIVMSG " + line);
        EXPECT_EQ(console.raw.back(), ":joe PRIVMSG " + shown);
        EXPECT_NE(ReadFile("debug.nb2").find(":joe PRIVMSG " + shown + "\r\n"), std::string::npos) << shown;
        for (std::string& out : link.Take()) sent.push_back(std::move(out));
    }
    Receive(":joe SQUERY NickServ :identify hunter26");
    Receive(":irc.example.org PASS hunter27 0210-IRC+ ngIRCd|26.1:CHLMSXZo PZ");
    EXPECT_EQ(console.raw.back(), ":irc.example.org PASS ****** 0210-IRC+ ngIRCd|26.1:CHLMSXZo PZ");
    EXPECT_EQ(ReadFile("debug.nb2").find("hunter"), std::string::npos);
    for (const std::string& line : console.raw) EXPECT_EQ(line.find("hunter"), std::string::npos) << line;
    for (const std::string& line : sent) EXPECT_EQ(line.find("hunter"), std::string::npos) << line;
    EXPECT_NE(std::find(sent.begin(), sent.end(), ":NickServ PRIVMSG #nb.botinfo :[\x02joe\x02] identify [Failed (unknown command)]"),
              sent.end());
}

}  // namespace
}  // namespace nb
