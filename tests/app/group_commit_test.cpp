// The changes of one received block: written once at its end, before any of its lines leave;
// a write that fails is answered as a failure by each command that changed the file.
#include <gtest/gtest.h>

#include <filesystem>

#include "link/irc_line.h"
#include "support/fixture.h"

namespace nb {
namespace {

using Lines = std::vector<std::string>;

// "^B" in the texts stands for the bold character.
std::string Notice(const std::string& service, const std::string& nick, std::string text) {
    for (auto at = text.find("^B"); at != std::string::npos; at = text.find("^B")) text.replace(at, 2, "\x02");
    return ":" + service + " NOTICE " + nick + " :" + text;
}
std::string Audit(const std::string& service, const std::string& nick, const std::string& text) {
    return ":" + service + " PRIVMSG #nb.botinfo :[\x02" + nick + "\x02] " + text;
}

struct GroupCommitTest : test::ServiceTest {
    // Hands the lines to the services as one received block, without closing it.
    void ReceiveUnfinished(const std::vector<std::string>& lines) {
        for (const std::string& text : lines) {
            auto line = ParseIrcLine(text);
            services.OnWireLine(*line);
            services.OnLine(*line);
        }
    }
    std::filesystem::path Data() const { return dir.Path() / "data"; }
};

TEST_F(GroupCommitTest, FiftyRegistrationsInOneBlockAreOneWriteAndAnsweredOnlyAfterIt) {
    std::vector<std::string> block;
    for (int i = 0; i < 50; ++i) {
        std::string nick = "user" + std::to_string(i);
        Connect(nick);
        block.push_back(":" + nick + " PRIVMSG NickServ :register secret" + std::to_string(i));
    }
    test::FileWrites writes(Data() / "NickServ");
    ReceiveUnfinished(block);
    // Nothing leaves, and nothing is claimed, before the block's changes are on disk.
    EXPECT_TRUE(link.lines.empty());
    EXPECT_EQ(ReadFile("NickServ/NickServ.nb2"), "");
    services.OnBlockEnd();

    EXPECT_EQ(writes.Count("NickServ.nb2"), 1);
    Lines sent = link.Take();
    ASSERT_EQ(sent.size(), 150u);
    for (int i = 0; i < 50; ++i) {
        std::string nick = "user" + std::to_string(i);
        EXPECT_EQ(sent[3 * i], Notice("NickServ", nick, "You successfully registered ^B" + nick + "^B!"));
        EXPECT_EQ(sent[3 * i + 2], Audit("NickServ", nick, "REGISTER ****** [Success]"));
        EXPECT_NE(ReadFile("NickServ/NickServ.nb2").find(nick + " secret" + std::to_string(i) + " "), std::string::npos) << nick;
    }
    // A block that changes nothing writes nothing.
    Tell("NickServ", "user1", "info user2");
    EXPECT_EQ(writes.Count("NickServ.nb2"), 1);
}

TEST_F(GroupCommitTest, AFailedWriteAnswersEachCommandThatChangedTheFileInItsPlace) {
    Connect("joe");
    RegisterAndIdentify("joe", "secret1");
    Connect("bob");
    RegisterAndIdentify("bob", "secret2");
    Connect("ann");
    Connect("zed");
    link.Take();
    const std::string stored = ReadFile("NickServ/NickServ.nb2");
    const std::string joesUrl = services.nickServ.FindRegisteredNick("joe")->url;
    // A folder where the temporary file must go: no write can succeed, even for root.
    std::filesystem::create_directory(Data() / "NickServ/NickServ.nb2.tmp");

    ReceiveUnfinished({":ann PRIVMSG NickServ :register annpass1", ":joe PRIVMSG NickServ :set url http://joe.org",
                       ":bob PRIVMSG MemoServ :send joe hello there", ":zed PRIVMSG NickServ :register zedpass1",
                       ":bob PRIVMSG NickServ :identify secret2"});
    services.OnBlockEnd();

    auto refused = [](const std::string& nick, const std::string& audit) {
        return Lines{Notice("NickServ", nick, "^BError^B: The nickname database could not be written, please try again later."),
                     Audit("NickServ", nick, audit + " [Failed (database not written)]")};
    };
    Lines expected = refused("ann", "REGISTER ******");
    for (const Lines& part :
         {refused("joe", "SET url"),
          // The memo file could be written, but a block's files are written all or none.
          Lines{Notice("MemoServ", "bob", "^BError^B: Your message could not be stored, please try again later."),
                Audit("MemoServ", "bob", "SEND joe ****** [Failed (database not written)]")},
          refused("zed", "REGISTER ******"),
          Lines{Notice("NickServ", "bob", "Hello ^Bbob^B.  You have successfully identified."),
                Audit("NickServ", "bob", "IDENT ****** [Success]")}}) {
        expected.insert(expected.end(), part.begin(), part.end());
    }
    EXPECT_EQ(link.Take(), expected);
    // The table is what the file holds, and so are the memos.
    EXPECT_EQ(ReadFile("NickServ/NickServ.nb2"), stored);
    EXPECT_FALSE(services.nickServ.IsNickRegistered("ann"));
    EXPECT_FALSE(services.nickServ.IsNickRegistered("zed"));
    EXPECT_EQ(services.nickServ.FindRegisteredNick("joe")->url, joesUrl);
    EXPECT_TRUE(services.nickServ.IsNickIdentified("joe"));
    EXPECT_EQ(ReadFile("MemoServ/MemoServ.nb2"), "");
    EXPECT_TRUE(services.memoServ.Memos().empty());
}

TEST_F(GroupCommitTest, ABurstIsQuietAndItsMaxUsersRecordIsAnnouncedAndSavedOnceAtItsEnd) {
    services.OnLinkUp();  // a new link: the uplink sends its whole network
    link.Take();
    test::FileWrites writes(Data());
    for (int i = 0; i < 10000; ++i) {
        IntroduceUser("u" + std::to_string(i));
        Receive(":u" + std::to_string(i) + " JOIN #c" + std::to_string(i % 1000) + ",#all");
    }
    Receive(":u5 QUIT :gone");
    auto toOperChannel = [](const Lines& lines) {
        Lines found;
        for (const std::string& line : lines) {
            if (line.find(" PRIVMSG #NBII :") != std::string::npos) found.push_back(line);
        }
        return found;
    };
    // Not a line for the users, joins and quits the uplink tells us about, nor a settings write.
    EXPECT_TRUE(link.Take().empty());
    EXPECT_EQ(writes.Count("settings.ini"), 0);

    Receive(":irc.example.org PING :irc.example.org");
    Lines sent = link.Take();
    ASSERT_EQ(sent.size(), 8u);
    EXPECT_EQ(sent[4], ":MemoServ PONG :irc.example.org");
    EXPECT_EQ(sent[5], ":OperServ PRIVMSG #nb.netinfo :[\x02" "9:07:15 PM\x02] Network synchronised: \x02" "10003\x02 "
                       "users in \x02" "1001\x02 channels.");
    EXPECT_EQ(toOperChannel(sent),
              (Lines{":OperServ PRIVMSG #NBII :Max Users: \x02" "10004\x02 users.",
                     ":OperServ PRIVMSG #NBII :Previous Record: \x02" "0\x02 users (\x02" "12/6/2026 9:07:15 PM\x02)"}));
    EXPECT_EQ(writes.Count("settings.ini"), 1);
    EXPECT_EQ(services.settings.Get("General", "Max Users", ""), "10004");

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
