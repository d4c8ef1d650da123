// The debug log's held lines and its rotation, settings written only when changed, and the
// journal's blocks read back only when whole.
#include "core/debug_log.h"
#include "core/journal.h"
#include "core/settings.h"
#include "support/fixture.h"

namespace nb {
namespace {

using test::ReadWhole;

TEST(DebugLogFile, HeldLinesLeaveTogetherAndAFullFileMovesAsideKeepingTwo) {
    test::TempDir dir;
    FakeClock clock(test::TestStartTime());
    test::RecordingConsole console;
    const auto file = dir.Path() / "debug.nb2";
    DebugLog log(file, clock, console);
    log.Write("first\r\nline");
    EXPECT_EQ(ReadWhole(file), "[12/6/2026 9:07:15 PM] first  line\r\n");
    log.Hold();
    log.Write("second");
    EXPECT_EQ(ReadWhole(file).find("second"), std::string::npos);
    log.Release();
    EXPECT_NE(ReadWhole(file).find("] second\r\n"), std::string::npos);

    log.SetMaxBytes(200);
    const std::string text(60, 'a');  // 86 bytes a line with its date
    for (int line = 0; line < 9; ++line) log.Write(text + std::to_string(line));
    // 3 lines fill a file: lines 0-1 were in the first, 2-4 in the next, 5-7, then 8.
    EXPECT_EQ(ReadWhole(file), "[12/6/2026 9:07:15 PM] " + text + "8\r\n");
    EXPECT_NE(ReadWhole(dir.Path() / "debug.1.nb2").find(text + "7\r\n"), std::string::npos);
    EXPECT_NE(ReadWhole(dir.Path() / "debug.2.nb2").find(text + "4\r\n"), std::string::npos);
    EXPECT_EQ(ReadWhole(dir.Path() / "debug.2.nb2").find(text + "1\r\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "debug.3.nb2"));
}

TEST(SettingsFile, IsWrittenOnlyWhenAValueChanged) {
    test::TempDir dir;
    Settings settings(dir.Path() / "settings.ini");
    test::FileWrites writes(dir.Path());
    EXPECT_TRUE(settings.Save());  // a missing file is written
    EXPECT_EQ(writes.Count("settings.ini"), 1);
    settings.Set("General", "Max Users", "5");
    EXPECT_TRUE(settings.Save());
    settings.Set("General", "Max Users", "5");
    EXPECT_TRUE(settings.Save());
    settings.Load();
    EXPECT_TRUE(settings.Save());
    EXPECT_EQ(writes.Count("settings.ini"), 2);
    EXPECT_EQ(settings.Get("General", "Max Users", ""), "5");
    settings.Set("General", "Sync Writes", "0");  // still written, only not flushed to disk
    EXPECT_TRUE(settings.Save());
    EXPECT_EQ(writes.Count("settings.ini"), 3);
    EXPECT_NE(ReadWhole(dir.Path() / "settings.ini").find("Sync Writes=0"), std::string::npos);
}

// A block counts only with its end line and a matching sum: a cut, a damaged byte or a wrong
// count ends what is read, and `kept` is where the last whole block ended.
TEST(JournalText, OnlyWholeBlocksAreReadAndAppliedByKey) {
    JournalBlock first, second;
    first.Added("NickServ/Quit.nb2", "ann bye");
    first.Removed("NickServ/Quit.nb2", "BOB");
    second.Changed("NickServ/Quit.nb2", "ANN back\nsoon");
    const std::string whole = first.Sealed() + second.Sealed();
    EXPECT_EQ(ReadJournalText(whole).entries.size(), 3u);
    EXPECT_EQ(ReadJournalText(whole).kept, whole.size());
    std::string damaged = whole;
    damaged[first.Sealed().size() + 30] ^= 1;
    for (const std::string& text : {whole.substr(0, whole.size() - 1), damaged}) {
        JournalRead read = ReadJournalText(text);
        EXPECT_EQ(read.entries.size(), 2u);
        EXPECT_EQ(read.kept, first.Sealed().size());
    }
    std::vector<JournalEntry> entries = ReadJournalText(whole).entries;
    EXPECT_EQ(entries[2].payload, "ANN back\nsoon");
    EXPECT_EQ(ApplyJournal("bob hi\r\n\r\ncy x\r\n", entries, 1), "\r\ncy x\r\nANN back\nsoon\r\n");
}

}  // namespace
}  // namespace nb
