// No line leaves longer than the IRC limit: messages are split at blanks, other texts cut.
#include <gtest/gtest.h>

#include "link/line_limit.h"

namespace nb {
namespace {

using Lines = std::vector<std::string>;

TEST(LineLimit, MessagesSplitAtBlanksOtherTextsAreCutAndNothingEndsInsideACharacter) {
    const std::string head = ":NickServ NOTICE joe :";
    std::string words;
    for (int i = 0; i < 80; ++i) words += "word" + std::to_string(i % 10) + (i < 79 ? " " : "");
    Lines split = FitLine(head + words, kMessageRelayRoom);
    ASSERT_EQ(split.size(), 2u);
    for (const std::string& line : split) {
        EXPECT_LE(line.size(), kMaxLineBytes - kMessageRelayRoom);
        EXPECT_TRUE(line.starts_with(head));
    }
    EXPECT_EQ(split[0] + " " + split[1].substr(head.size()), head + words);  // no word cut
    // One long word is cut where the room ends, never inside a UTF-8 character.
    std::string accents;
    for (int i = 0; i < 300; ++i) accents += "\xC3\xA9";
    for (const std::string& line : FitLine(head + accents, kMessageRelayRoom)) {
        EXPECT_LE(line.size(), kMaxLineBytes - kMessageRelayRoom);
        EXPECT_EQ(line.size() % 2, head.size() % 2) << "a character was split";
    }
    std::string reason(10000, 'k');
    EXPECT_EQ(FitLine(":ChanServ KICK #c joe :" + reason), Lines{":ChanServ KICK #c joe :" + reason.substr(0, kMaxLineBytes - 23)});
    EXPECT_EQ(FitLine(":ChanServ MODE #c +b " + std::string(600, 'x')), Lines{});
    EXPECT_EQ(FitLine(":s PRIVMSG #c :short"), Lines{":s PRIVMSG #c :short"});
}

}  // namespace
}  // namespace nb
