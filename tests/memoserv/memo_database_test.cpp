// The memo file: its exact layout, no fixed capacity, and damaged lines reported once.
#include "support/fixture.h"

namespace nb {
namespace {

struct MemoDatabaseTest : test::ServiceTest {
    MemoDatabaseTest() { console.messages.clear(); }
    MemoDatabase& memos = services.memoServ.Database();
};

TEST_F(MemoDatabaseTest, TheFileKeepsItsExactLayoutAndHasNoFixedCapacity) {
    const std::string file = "joe [1/2/2026 9:07:15 AM] Bob see [this] and ] that\r\nAdministrator [1/2/2027 10:00:00 AM] carol \r\n";
    WriteFile("MemoServ/MemoServ.nb2", file);
    memos.LoadMemos();
    ASSERT_EQ(memos.Memos().size(), 2u);
    const Memo& first = memos.Memos()[0];
    EXPECT_EQ(std::tie(first.from, first.sentOn, first.to, first.text), std::tuple("joe", "1/2/2026 9:07:15 AM", "Bob", "see [this] and ] that"));
    EXPECT_EQ(memos.Memos()[1].text, "");
    for (int i = 3; i <= 201; ++i) memos.AddMemo("ann", "bob", "memo " + std::to_string(i));
    memos.AddMemo("Administrator", "carol", "Down\r\ntonight");
    memos.MarkDeleted(memos.MemoSlotsOf("BOB")[1]);  // "memo 3"
    ASSERT_TRUE(memos.SaveMemos());
    memos.LoadMemos();
    ASSERT_EQ(memos.Memos().size(), 201u);
    EXPECT_EQ(memos.Memos()[200].text, "Down  tonight");
    EXPECT_EQ(memos.Memos()[2].text, "memo 4");
    EXPECT_TRUE(ReadFile("MemoServ/MemoServ.nb2").starts_with(file + "ann [12/6/2026 9:07:15 PM] bob memo 4\r\n"));
    EXPECT_TRUE(console.messages.empty());
}

TEST_F(MemoDatabaseTest, DamagedLinesAreReportedOnceWithoutLosingLaterMemos) {
    WriteFile("MemoServ/MemoServ.nb2", "joe [1/2/2026 9:07:15 AM] bob first\r\n\r\nno layout\r\nann [no close bob x\r\n"
                  " [1/2/2026 9:07:15 AM] bob no sender\r\nann [1/2/2026 9:07:15 AM] \r\nann [1/2/2026 9:07:15 AM] bob\r\n");
    memos.LoadMemos();
    EXPECT_EQ(console.messages, test::Lines{"Nimbral - MemoServ Error: Error loading MemoServ database, close Nimbral and try again."});
    ASSERT_EQ(memos.Memos().size(), 2u);
    EXPECT_EQ(memos.Memos()[1].to + "|" + memos.Memos()[1].text, "bob|");
}

}  // namespace
}  // namespace nb
