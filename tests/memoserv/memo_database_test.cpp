#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "support/fixture.h"

namespace nb {
namespace {

struct MemoFileFixture : test::ServicesFixture {
    MemoFileFixture() {
        StartLinked();
        console.messages.clear();
    }
    void WriteMemoFile(const std::string& content) {
        std::ofstream(dir.Path() / "data" / "MemoServ" / "MemoServ.nb2", std::ios::binary) << content;
    }
    std::string MemoFile() const { return ReadFile("MemoServ/MemoServ.nb2"); }
    MemoDatabase& memos = services.memoServ.Database();
};

TEST(MemoDatabase, TheFileKeepsItsExactLayoutAndHasNoFixedCapacity) {
    MemoFileFixture f;
    const std::string file =
        "joe [1/2/2026 9:07:15 AM] Bob see [this] and ] that\r\n"
        "Administrator [1/2/2027 10:00:00 AM] carol \r\n";
    f.WriteMemoFile(file);
    f.memos.LoadMemos();
    ASSERT_EQ(f.memos.Memos().size(), 2u);
    const Memo& first = f.memos.Memos()[0];
    EXPECT_EQ(first.from + "|" + first.sentOn + "|" + first.to + "|" + first.text,
              "joe|1/2/2026 9:07:15 AM|Bob|see [this] and ] that");
    EXPECT_EQ(f.memos.Memos()[1].text, "");

    for (int i = 3; i <= 201; ++i) f.memos.AddMemo("ann", "bob", "memo " + std::to_string(i));
    f.memos.AddMemo("Administrator", "carol", "Down\r\ntonight");
    f.memos.MarkDeleted(f.memos.MemoSlotsOf("BOB")[1]);  // "memo 3"
    ASSERT_TRUE(f.memos.SaveMemos());
    f.memos.LoadMemos();
    ASSERT_EQ(f.memos.Memos().size(), 201u);
    EXPECT_EQ(f.memos.Memos()[200].text, "Down  tonight");
    EXPECT_EQ(f.memos.Memos()[2].text, "memo 4");
    EXPECT_EQ(f.MemoFile().rfind(file + "ann [12/6/2026 9:07:15 PM] bob memo 4\r\n", 0), 0u);
    struct stat info {};
    ASSERT_EQ(stat((f.dir.Path() / "data" / "MemoServ" / "MemoServ.nb2").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(f.console.messages.empty());
}

TEST(MemoDatabase, DamagedLinesAreReportedOnceWithoutLosingLaterMemos) {
    MemoFileFixture f;
    f.WriteMemoFile(
        "joe [1/2/2026 9:07:15 AM] bob first\r\n\r\nno layout\r\nann [no close bob x\r\n"
        " [1/2/2026 9:07:15 AM] bob no sender\r\nann [1/2/2026 9:07:15 AM] \r\n"
        "ann [1/2/2026 9:07:15 AM] bob\r\n");
    f.memos.LoadMemos();
    EXPECT_EQ(f.console.messages, std::vector<std::string>{"Nimbral - MemoServ Error: Error loading MemoServ "
                                                           "database, close Nimbral and try again."});
    ASSERT_EQ(f.memos.Memos().size(), 2u);
    EXPECT_EQ(f.memos.Memos()[1].to + "|" + f.memos.Memos()[1].text, "bob|");
}

}  // namespace
}  // namespace nb
