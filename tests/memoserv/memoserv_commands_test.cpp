#include <gtest/gtest.h>

#include "support/service_test.h"

namespace nb {
namespace {

using test::Lines;
using namespace std::chrono_literals;

std::string Notice(const std::string& nick, const std::string& text) { return test::Notice("MemoServ", nick, text); }
std::string Audit(const std::string& nick, const std::string& text) { return test::Audit("MemoServ", nick, text); }

struct MemoServTest : test::ServiceTest {
    // Connects, registers and (unless told not to) identifies through NickServ itself.
    void Join(const std::string& nick, bool identify = true) {
        Connect(nick);
        Tell("NickServ", nick, "register secret1");
        if (identify) Tell("NickServ", nick, "identify secret1");
        ASSERT_EQ(services.nickServ.IsNickIdentified(nick), identify) << nick;
    }
    Lines Memo(const std::string& nick, const std::string& text) { return Tell("MemoServ", nick, text); }
};

TEST_F(MemoServTest, SendStoresTheMemoAndTellsOnlyAnOnlineRecipient) {
    Join("joe");
    Join("bob");
    Join("ann");
    Receive(":ann QUIT :bye");
    link.Take();
    EXPECT_EQ(
        Memo("joe", "send Bob Seeds came up  nicely [see] "),
        (Lines{Notice("joe", "You successfully sent ^BBob^B a message!"), Audit("joe", "SEND Bob ****** [Success]"),
               Notice("bob", "You have a message waiting for you (just sent)."),
               Notice("bob", "Type: /msg MemoServ read all")}));
    clock.Advance(61s);
    // A memo without a message is no memo.
    EXPECT_EQ(Memo("joe", "send ann "), (Lines{Notice("joe", "Syntax Error: /msg MemoServ send <nick> <message>")}));
    EXPECT_EQ(Memo("joe", "send ann hi"), (Lines{Notice("joe", "You successfully sent ^Bann^B a message!"),
                                                 Audit("joe", "SEND ann ****** [Success]")}));
    Memo("joe", "send joe note to self");
    EXPECT_EQ(MemoFile(),
              "joe [12/6/2026 9:07:15 PM] Bob Seeds came up  nicely [see]\r\n"
              "joe [12/6/2026 9:08:16 PM] ann hi\r\n"
              "joe [12/6/2026 9:08:16 PM] joe note to self\r\n");
}

TEST_F(MemoServTest, RefusedSendsComeInOrderAndStoreNothing) {
    Join("bob");
    Join("joe", false);
    EXPECT_EQ(Memo("joe", "send nobody hi"),
              (Lines{Notice("joe", "^BError^B: That nick (^Bnobody^B) is currently not registered with NickServ!"),
                     Audit("joe", "SEND [Failed (reciever not registered)]")}));
    EXPECT_EQ(Memo("joe", "send bob hi"), (Lines{Notice("joe", "^BError^B: You must identify with NickServ!"),
                                                 Audit("joe", "SEND [Failed (user not identified)]")}));
    EXPECT_EQ(Memo("joe", "del 1").back(), Audit("joe", "DEL/ERASE [Failed (user not identified)]"));
    // A file that cannot be written: refused, nothing kept, the recipient not told.
    Receive(":joe PRIVMSG NickServ :identify secret1");
    link.Take();
    std::filesystem::create_directory(dir.Path() / "data" / "MemoServ" / "MemoServ.nb2.tmp");
    EXPECT_EQ(Memo("joe", "send bob hi"),
              (Lines{Notice("joe", "^BError^B: Your message could not be stored, please try again later."),
                     Audit("joe", "SEND bob ****** [Failed (database not written)]")}));
    EXPECT_TRUE(services.memoServ.Memos().empty());
    EXPECT_EQ(MemoFile(), "");
}

TEST_F(MemoServTest, ListAndReadNumberOnlyTheUsersOwnMemosAndChangeNothing) {
    Join("joe");
    Join("bob");
    Memo("joe", "send bob first");
    Memo("joe", "send joe not for bob");
    clock.Advance(3600s);
    Memo("joe", "send BOB second");
    const std::string stored = MemoFile();
    EXPECT_EQ(Memo("bob", "list"), (Lines{Notice("bob", "Message ^B#1^B from: ^Bjoe^B [^B12/6/2026 9:07:15 PM^B]"),
                                          Notice("bob", "Message ^B#2^B from: ^Bjoe^B [^B12/6/2026 10:07:15 PM^B]"),
                                          Notice("bob", "Listed ^B2^B messages."), Audit("bob", "LIST [Success]")}));
    EXPECT_EQ(Memo("bob", "read ALL"),
              (Lines{Notice("bob", "Message ^B#1^B from: ^Bjoe^B [^B12/6/2026 9:07:15 PM^B] first"),
                     Notice("bob", "Message ^B#2^B from: ^Bjoe^B [^B12/6/2026 10:07:15 PM^B] second"),
                     Audit("bob", "READ ALL [Success]"), Notice("bob", "Total number of messages: ^B2^B")}));
    EXPECT_EQ(Memo("bob", "read 2"), (Lines{Notice("bob", "Message from: ^Bjoe^B [^B12/6/2026 10:07:15 PM^B] second"),
                                            Audit("bob", "READ 2 [Success]")}));
    for (std::string which : {"0", "3", "1.5", "-1"}) {
        EXPECT_EQ(Memo("bob", "read " + which),
                  (Lines{Audit("bob", "READ " + which + " [Failed (invalid message number)]"),
                         Notice("bob", "^BError^B: You don't have a memo " + which + " or higher.")}));
    }
    EXPECT_EQ(Memo("bob", "read next"), (Lines{Notice("bob", "^BError^B: Invalid read command."),
                                               Audit("bob", "READ [Failed (invalid read command)]")}));
    EXPECT_EQ(MemoFile(), stored);
    Memo("joe", "del all");
    EXPECT_EQ(Memo("joe", "list"),
              (Lines{Audit("joe", "LIST [Success]"), Notice("joe", "You currently do not have any messages.")}));
    EXPECT_EQ(Memo("joe", "read all"),
              (Lines{Audit("joe", "READ ALL [Success]"), Notice("joe", "You currently do not have any messages.")}));
    EXPECT_EQ(services.memoServ.MemoSlotsOf("bob").size(), 2u);
}

TEST_F(MemoServTest, DeleteRenumbersAndRefusalsKeepEveryMemo) {
    Join("joe");
    Join("bob");
    for (const char* text : {"one", "two", "three"}) Memo("joe", std::string("send bob ") + text);
    Memo("bob", "send joe reply");
    EXPECT_EQ(Memo("bob", "del 2"), (Lines{Audit("bob", "DEL/ERASE 2 [Success]"),
                                           Notice("bob", "You successfully deleted message number ^B2^B.")}));
    EXPECT_EQ(Memo("bob", "read 2").front(), Notice("bob", "Message from: ^Bjoe^B [^B12/6/2026 9:07:15 PM^B] three"));
    const std::string stored =
        "joe [12/6/2026 9:07:15 PM] bob one\r\njoe [12/6/2026 9:07:15 PM] bob three\r\n"
        "bob [12/6/2026 9:07:15 PM] joe reply\r\n";
    EXPECT_EQ(MemoFile(), stored);
    EXPECT_EQ(Memo("bob", "erase 3"), (Lines{Audit("bob", "DEL/ERASE 3 [Failed (invalid message number)]"),
                                             Notice("bob", "^BError^B: You don't have a memo 3 or higher.")}));
    EXPECT_EQ(Memo("bob", "del first"), (Lines{Notice("bob", "^BError^B: Invalid del/erase command."),
                                               Audit("bob", "DEL/ERASE [Failed (invalid del/erase command)]")}));
    EXPECT_EQ(MemoFile(), stored);
    EXPECT_EQ(Memo("bob", "erase All"), (Lines{Audit("bob", "DEL/ERASE ALL [Success]"),
                                               Notice("bob", "You successfully deleted ^B2^B messages.")}));
    EXPECT_EQ(MemoFile(), "bob [12/6/2026 9:07:15 PM] joe reply\r\n");
    EXPECT_EQ(Memo("bob", "del all"), (Lines{Notice("bob", "You currently do not have any messages.")}));
}

TEST_F(MemoServTest, ARecipientRecognisedByAccessHostIsToldTheCount) {
    Join("joe");
    Join("bob");
    Receive(":bob QUIT :later");
    Memo("joe", "send bob one");
    Memo("joe", "send Bob two");
    IntroduceUser("bob", "user", "host.example.org");
    Lines sent = link.Take();
    EXPECT_NE(std::find(sent.begin(), sent.end(), Notice("bob", "You currently have ^B2^B waiting to be read.")),
              sent.end());
    Receive(":bob QUIT :later");
    IntroduceUser("bob", "other", "elsewhere.example.net");
    for (const std::string& line : link.Take()) EXPECT_EQ(line.find(":MemoServ"), std::string::npos) << line;
}

TEST_F(MemoServTest, SyntaxUnknownUnregisteredAndIgnoredSenders) {
    IntroduceUser("joe", "user", "bad.example.org");
    link.Take();
    for (const char* line : {"read", "DEL", "erase", "send  bob hello", "Frobnicate now", "list"})
        Receive(std::string(":joe PRIVMSG MemoServ :") + line);
    EXPECT_EQ(link.Take(), (Lines{Notice("joe", "Syntax Error: /msg MemoServ read <memo number/all>"),
                                  Notice("joe", "Syntax Error: /msg MemoServ del <memo number/all>"),
                                  Notice("joe", "Syntax Error: /msg MemoServ erase <memo number/all>"),
                                  Notice("joe", "Syntax Error: /msg MemoServ send <nick> <message>"),
                                  Notice("joe", "^BError^B: Unknown command.  Please type: /msg MemoServ help"),
                                  Audit("joe", "Frobnicate [Failed (unknown command)]"),
                                  Notice("joe", "^BError^B: You must be registered with NickServ!"),
                                  Audit("joe", "LIST [Failed (user not registered)]")}));
    services.ignoreList.masks.push_back("*!*@bad.example.org");
    EXPECT_EQ(Memo("joe", "list"),
              Lines{Notice("joe", "You are currently being ignored by ^BALL^B services, please try again later.")});
}

}  // namespace
}  // namespace nb
