#include <gtest/gtest.h>

#include "link/irc_line.h"
#include "link/line_framer.h"

namespace nb {
namespace {

TEST(LineFramer, SplitsAtLineFeedDropsCarriageReturnAndKeepsPartialLines) {
    LineFramer framer;
    auto first = framer.Append("PING :abc\r\n:joe QUIT :bye\r\n:ann PRIV");
    ASSERT_EQ(first.lines.size(), 2u);
    EXPECT_EQ(first.lines[0], "PING :abc");
    EXPECT_EQ(first.lines[1], ":joe QUIT :bye");
    // The rest of a line split across two segments arrives whole, once.
    auto second = framer.Append("MSG NickServ :help\n");
    ASSERT_EQ(second.lines.size(), 1u);
    EXPECT_EQ(second.lines[0], ":ann PRIVMSG NickServ :help");
    // A block ending in LF alone loses no character.
    auto third = framer.Append("PING :xyz\n");
    ASSERT_EQ(third.lines.size(), 1u);
    EXPECT_EQ(third.lines[0], "PING :xyz");
}

TEST(LineFramer, DropsOverlongLineWholeAndCarriesOn) {
    LineFramer framer;
    std::string huge(LineFramer::kMaxLineLength + 10, 'x');
    auto result = framer.Append(huge);
    EXPECT_TRUE(result.lines.empty());
    result = framer.Append("tail\nPING :ok\n");
    EXPECT_EQ(result.droppedLongLines, 1u);
    ASSERT_EQ(result.lines.size(), 1u);
    EXPECT_EQ(result.lines[0], "PING :ok");
}

TEST(ParseIrcLine, FieldsPrefixAndTrailing) {
    auto line = ParseIrcLine(":joe!u@h PRIVMSG #chan :TOPIC #x and MODE #x -o ChanServ ");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->prefix, "joe!u@h");
    EXPECT_EQ(line->SourceNick(), "joe");
    EXPECT_EQ(line->command, "PRIVMSG");
    ASSERT_EQ(line->params.size(), 2u);
    EXPECT_EQ(line->params[1], "TOPIC #x and MODE #x -o ChanServ ");

    auto intro = ParseIrcLine("NICK joe 1 1765055235 ~joe host.example.org irc.example.org 0 :Joe Bloggs");
    ASSERT_TRUE(intro);
    EXPECT_EQ(intro->prefix, "");
    EXPECT_EQ(intro->Param(3), "~joe");
    EXPECT_EQ(intro->Param(4), "host.example.org");
    EXPECT_EQ(intro->Param(5), "irc.example.org");
    EXPECT_EQ(intro->params.back(), "Joe Bloggs");

    auto spaced = ParseIrcLine(":server.example EOS   ");  // ends in blanks
    ASSERT_TRUE(spaced);
    EXPECT_EQ(spaced->command, "EOS");
    EXPECT_TRUE(spaced->params.empty());

    EXPECT_FALSE(ParseIrcLine(""));
    EXPECT_FALSE(ParseIrcLine(":only.a.prefix"));
}

}  // namespace
}  // namespace nb
