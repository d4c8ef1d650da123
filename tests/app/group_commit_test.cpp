// The changes of one received block are written once at its end, before any of its lines leave
// (a failed write is in the transcripts); a burst is quiet and summed up at its end.
#include "support/fixture.h"

namespace nb {
namespace {

using GroupCommitTest = test::ServiceTest;

TEST_F(GroupCommitTest, TwentyRegistrationsInOneBlockAreOneJournalAppendAnsweredOnlyAfterIt) {
    for (int i = 0; i < 20; ++i) Connect("user" + std::to_string(i));
    test::FileWrites writes(dir.Path() / "data/NickServ");
    auto journal = [&] { return test::ReadWhole(dataDir / "Changes.journal"); };
    for (int i = 0; i < 20; ++i) Receive(":user" + std::to_string(i) + " PRIVMSG NickServ :register secret" + std::to_string(i), false);
    // Nothing leaves, and nothing is claimed, before the block's changes are on disk.
    EXPECT_TRUE(link.lines.empty());
    EXPECT_EQ(journal(), "");
    services.OnBlockEnd();
    // One block of twenty records, and the nick file itself not written at all.
    EXPECT_EQ(ReadJournalText(journal()).entries.size(), 20u);
    EXPECT_EQ(journal().find("\nend 20 "), journal().rfind("\nend "));
    EXPECT_EQ(writes.Count("NickServ.nb2"), 0);
    test::Lines sent = link.Take();
    ASSERT_EQ(sent.size(), 60u);
    for (int i = 0; i < 20; ++i) {
        std::string nick = "user" + std::to_string(i);
        EXPECT_EQ(sent[3 * i + 2], ":NickServ PRIVMSG #nb.botinfo :[\x02" + nick + "\x02] REGISTER ****** [Success]");
    }
    // A block that changes nothing writes nothing.
    std::string before = journal();
    Tell("NickServ", "user1", "info user2");
    EXPECT_EQ(journal(), before);
    // A checkpoint puts the table in its file and empties the journal.
    ASSERT_TRUE(services.commit.Checkpoint());
    EXPECT_EQ(journal(), "");
    EXPECT_EQ(writes.Count("NickServ.nb2"), 1);
    for (int i = 0; i < 20; ++i)
        EXPECT_NE(ReadFile("NickServ/NickServ.nb2").find("user" + std::to_string(i) + " secret" + std::to_string(i) + " "), std::string::npos);
}

TEST_F(GroupCommitTest, ABurstIsQuietAndItsMaxUsersRecordIsAnnouncedAndSavedOnceAtItsEnd) {
    services.OnLinkUp();  // a new link: the uplink sends its whole network
    link.Take();
    test::FileWrites writes(dir.Path() / "data");
    for (int i = 0; i < 1000; ++i) {
        IntroduceUser("u" + std::to_string(i));
        Receive(":u" + std::to_string(i) + " JOIN #c" + std::to_string(i % 100) + ",#all");
    }
    Receive(":u5 QUIT :gone");
    auto toOperChannel = [](const test::Lines& lines) {
        test::Lines found;
        std::copy_if(lines.begin(), lines.end(), std::back_inserter(found), [](auto& line) { return line.find(" #NBII :") != std::string::npos; });
        return found;
    };
    // Not a line for the users, joins and quits the uplink tells us about, nor a settings write.
    EXPECT_TRUE(link.Take().empty());
    EXPECT_EQ(writes.Count("settings.ini"), 0);

    Receive(":irc.example.org PING :irc.example.org");
    test::Lines sent = link.Take();
    ASSERT_EQ(sent.size(), 8u);
    EXPECT_EQ(sent[4], ":MemoServ PONG :irc.example.org");
    EXPECT_EQ(sent[5], ":OperServ PRIVMSG #nb.netinfo :[\x02" "9:07:15 PM\x02] Network synchronised: \x02" "1003\x02 "
                       "users in \x02" "104\x02 channels.");  // with our three log channels
    EXPECT_EQ(toOperChannel(sent), (test::Lines{":OperServ PRIVMSG #NBII :Max Users: \x02" "1004\x02 users.",
                                                ":OperServ PRIVMSG #NBII :Previous Record: \x02" "0\x02 users (\x02"
                                                "12/6/2026 9:07:15 PM\x02)"}));
    EXPECT_EQ(writes.Count("settings.ini"), 1);
    EXPECT_EQ(services.settings.Get("General", "Max Users", ""), "1004");

    // After the burst a record is announced as it happens; the next PING changes nothing.
    IntroduceUser("late");
    IntroduceUser("later");
    EXPECT_EQ(toOperChannel(link.Take()).size(), 2u);
    Receive(":irc.example.org PING :irc.example.org");
    EXPECT_TRUE(toOperChannel(link.Take()).empty());
    EXPECT_EQ(writes.Count("settings.ini"), 2);
}

}  // namespace
}  // namespace nb
