#include <gtest/gtest.h>

#include "core/wildcard.h"

namespace nb {
namespace {

TEST(WildcardMatch, StarAndQuestionMarkCoverWholeText) {
    EXPECT_TRUE(WildcardMatch("joe!user@host.example.org", "*!*@*.example.org"));
    EXPECT_TRUE(WildcardMatch("", "*"));
    EXPECT_TRUE(WildcardMatch("abc", "a*c"));
    EXPECT_TRUE(WildcardMatch("ac", "a*c"));
    EXPECT_TRUE(WildcardMatch("abc", "a?c"));
    EXPECT_FALSE(WildcardMatch("ac", "a?c"));
    EXPECT_FALSE(WildcardMatch("abcd", "abc"));   // whole text must match
    EXPECT_FALSE(WildcardMatch("xabc", "abc*"));  // and from its start
    EXPECT_TRUE(WildcardMatch("aXbXc", "*X*X*"));
    EXPECT_TRUE(WildcardMatch("mississippi", "*sip*"));
}

TEST(WildcardMatch, HashMatchesOneDigitOnly) {
    EXPECT_TRUE(WildcardMatch("Guest1234", "Guest####"));
    EXPECT_FALSE(WildcardMatch("GuestA234", "Guest####"));
    EXPECT_FALSE(WildcardMatch("#chan", "#chan"));  // "#" in a pattern is a digit, never itself
}

TEST(WildcardMatch, BracketListsRangesAndNegation) {
    EXPECT_TRUE(WildcardMatch("b", "[abc]"));
    EXPECT_FALSE(WildcardMatch("d", "[abc]"));
    EXPECT_TRUE(WildcardMatch("m", "[a-z]"));
    EXPECT_FALSE(WildcardMatch("M", "[a-z]"));  // letter case counts
    EXPECT_TRUE(WildcardMatch("x7", "[a-z][0-9]"));
    EXPECT_TRUE(WildcardMatch("d", "[!abc]"));
    EXPECT_FALSE(WildcardMatch("a", "[!abc]"));
    EXPECT_TRUE(WildcardMatch("-", "[a-]"));
    EXPECT_TRUE(WildcardMatch("x[y", "x[y"));  // an unclosed bracket is literal
    EXPECT_TRUE(WildcardMatch("host7.net", "host[0-9].*"));
}

}  // namespace
}  // namespace nb
