// Lines framed at LF from the byte stream, and parsed into prefix, command and parameters.
#include <gtest/gtest.h>

#include "link/irc_line.h"
#include "link/line_framer.h"

namespace nb {
namespace {

TEST(LineFramer, SplitsAtLineFeedDropsCarriageReturnAndKeepsPartialAndDropsOverlongLines) {
    LineFramer framer;
    EXPECT_EQ(framer.Append("PING :abc\r\n:joe QUIT :bye\r\n:ann PRIV").lines, (std::vector<std::string>{"PING :abc", ":joe QUIT :bye"}));
    // The rest of a line split across two segments arrives whole, once; LF alone loses nothing.
    EXPECT_EQ(framer.Append("MSG NickServ :help\nPING :xyz\n").lines, (std::vector<std::string>{":ann PRIVMSG NickServ :help", "PING :xyz"}));
    EXPECT_TRUE(framer.Append(std::string(LineFramer::kMaxLineLength + 10, 'x')).lines.empty());
    auto result = framer.Append("tail\nPING :ok\n");
    EXPECT_EQ(result.droppedLongLines, 1u);
    EXPECT_EQ(result.lines, std::vector<std::string>{"PING :ok"});
}

TEST(ParseIrcLine, FieldsPrefixAndTrailing) {
    auto line = ParseIrcLine(":joe!u@h PRIVMSG #chan :TOPIC #x and MODE #x -o ChanServ ");
    ASSERT_TRUE(line);
    EXPECT_EQ(std::tie(line->prefix, line->command), std::tuple("joe!u@h", "PRIVMSG"));
    EXPECT_EQ(line->SourceNick(), "joe");
    EXPECT_EQ(line->params, (std::vector<std::string>{"#chan", "TOPIC #x and MODE #x -o ChanServ "}));
    line = ParseIrcLine("NICK joe 1 1765055235 ~joe host.example.org irc.example.org 0 :Joe Bloggs");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->prefix, "");
    EXPECT_EQ(line->params, (std::vector<std::string>{"joe", "1", "1765055235", "~joe", "host.example.org", "irc.example.org", "0", "Joe Bloggs"}));
    line = ParseIrcLine(":server.example EOS   ");  // ends in blanks
    ASSERT_TRUE(line);
    EXPECT_EQ(line->command, "EOS");
    EXPECT_TRUE(line->params.empty());
    EXPECT_FALSE(ParseIrcLine(""));
    EXPECT_FALSE(ParseIrcLine(":only.a.prefix"));
}

}  // namespace
}  // namespace nb
