#include <gtest/gtest.h>

#include "core/text.h"

namespace nb {
namespace {

// What the terminal and the journal get: no IRC formatting, no control character that could
// move the cursor, colour numbers gone with their colour; line feeds and tabs stay.
TEST(PlainText, LeavesNoControlCharacters) {
    EXPECT_EQ(PlainText("[\x02joe\x02] REGISTER \x1funder\x1f\x0f"), "[joe] REGISTER under");
    EXPECT_EQ(PlainText("\x03" "4red \x03" "04,12on blue\x03 \x03" "123 \x03,5"), "red on blue 3 ,5");
    EXPECT_EQ(PlainText("a\x1b[2Jb\rc\x7f" "d\te\nf"), "a [2Jb c d\te\nf");
}

}  // namespace
}  // namespace nb
