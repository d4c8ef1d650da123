#include <gtest/gtest.h>

#include "core/wildcard.h"

namespace nb {
namespace {

using Cases = std::initializer_list<std::pair<const char*, const char*>>;

// "*" and "?" cover the whole text, "#" is one digit, brackets hold lists, ranges and "!".
TEST(WildcardMatch, PatternsMatchTheWholeText) {
    for (auto [text, pattern] : Cases{{"joe!user@host.example.org", "*!*@*.example.org"}, {"", "*"}, {"abc", "a*c"},
                                 {"ac", "a*c"}, {"abc", "a?c"}, {"aXbXc", "*X*X*"}, {"mississippi", "*sip*"},
                                 {"Guest1234", "Guest####"}, {"b", "[abc]"}, {"m", "[a-z]"}, {"x7", "[a-z][0-9]"},
                                 {"d", "[!abc]"}, {"!", "[!abc]"}, {"-", "[a-]"}, {"x[y", "x[y"}, {"host7.net", "host[0-9].*"}})
        EXPECT_TRUE(WildcardMatch(text, pattern)) << text << " " << pattern;
    for (auto [text, pattern] : Cases{{"ac", "a?c"}, {"abcd", "abc"}, {"xabc", "abc*"}, {"GuestA234", "Guest####"},
                                 {"#chan", "#chan"}, {"d", "[abc]"}, {"M", "[a-z]"}, {"a", "[!abc]"}})
        EXPECT_FALSE(WildcardMatch(text, pattern)) << text << " " << pattern;
}

}  // namespace
}  // namespace nb
