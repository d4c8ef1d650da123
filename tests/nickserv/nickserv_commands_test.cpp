#include <fstream>

#include "nickserv/nick_record.h"

#include "nickserv_test_support.h"

namespace nb {
namespace {

using test::Lines;
using test::NickServTest;

const std::string kNow = "12/6/2026 9:07:15 PM";

TEST_F(NickServTest, RegisterRefusesWeakPasswordsTakenAndRestrictedNicksThenStoresTheRecord) {
    Connect("alice");
    EXPECT_EQ(Say("alice", "register abcd"),
              (Lines{Notice("alice", "That password is too short.  Please have it more than 4 characters."),
                     Audit("alice", "REGISTER ****** [Failed (password too short)]")}));
    for (const char* bad : {"PassWord", "ALICE", "aLiCe"}) {
        EXPECT_EQ(Say("alice", std::string("register ") + bad),
                  (Lines{Notice("alice", "Invalid password, please try another one to register."),
                         Audit("alice", "REGISTER ****** [Failed (bad password)]")}))
            << bad;
    }
    EXPECT_EQ(Say("alice", "register  secret"), (Lines{Notice("alice", "Syntax Error: /msg NickServ register <password>")}));
    EXPECT_FALSE(services.nickServ.IsNickRegistered("alice"));
    EXPECT_EQ(NickFile(), "");

    EXPECT_EQ(Say("alice", "REGISTER abcde"),
              (Lines{Notice("alice", "You successfully registered ^Balice^B!"),
                     Notice("alice", "Your password is ^Babcde^B, it is CaSE seNsItIVE."),
                     Audit("alice", "REGISTER ****** [Success]")}));
    EXPECT_EQ(NickFile(), "alice abcde *user@*.example.org *user@*.example.org *user@*.example.org [" + kNow +
                              "] {N/A} [none@not.entered] (http://nimbral.example.org) 0 True NOTICE " + kNow + "\r\n");
    EXPECT_FALSE(services.nickServ.IsNickIdentified("alice"));
    EXPECT_TRUE(services.nickServ.PendingNicks().empty());

    EXPECT_EQ(Say("alice", "register other1"),
              (Lines{Notice("alice", "That nickname (^Balice^B) is currently registered.  Please try another nickname."),
                     Audit("alice", "REGISTER ****** [Failed (already registered)]")}));

    services.nickServ.RestrictedNicks() = {"bad*"};
    Connect("BadGuy");
    EXPECT_EQ(Say("BadGuy", "register secret1"),
              (Lines{Notice("BadGuy", "That nickname (^BBadGuy^B) cannot be registered, please select a new nickname."),
                     Audit("BadGuy", "REGISTER [Failed (restricted nickname)]")}));
    EXPECT_EQ(services.nickServ.RegisteredNicks().size(), 1u);
}

TEST_F(NickServTest, IdentifiedOwnerSetsEveryFieldAndTheReachDecidesHowAnswersGo) {
    Connect("joe");
    Say("joe", "register secret1");
    EXPECT_EQ(Say("joe", "set age 33"),
              (Lines{Notice("joe", "^BError^B: Please identify with NickServ first."),
                     Notice("joe", "^BSyntax^B: /msg NickServ ident <^Bpassword^B>"),
                     Audit("joe", "SET [Failed (not identified)]")}));
    EXPECT_EQ(Say("joe", "identify Secret1"),
              (Lines{Notice("joe", "^BError^B: Invalid password.  Please try again."),
                     Audit("joe", "IDENT ****** [Failed (invalid password)]")}));
    EXPECT_EQ(Say("joe", "ident secret1"), (Lines{Notice("joe", "Hello ^Bjoe^B.  You have successfully identified."),
                                                  Audit("joe", "IDENT ****** [Success]")}));

    EXPECT_EQ(Say("joe", "set age 33"), (Lines{Notice("joe", "Age set to: ^B33^B"), Audit("joe", "SET age 33 [Success]")}));
    EXPECT_EQ(Say("joe", "SET URL http://joe.example.org/a"),
              (Lines{Notice("joe", "URL set to: ^Bhttp://joe.example.org/a^B"),
                     Audit("joe", "SET URL http://joe.example.org/a [Success]")}));
    EXPECT_EQ(Say("joe", "set realname Cher"),
              (Lines{Notice("joe", "Realname set to: ^BCher ^B"), Audit("joe", "SET realname Cher  [Success]")}));
    EXPECT_EQ(Record("joe").realName, "Cher ");
    EXPECT_EQ(Say("joe", "set realname John Smith"),
              (Lines{Notice("joe", "Realname set to: ^BJohn Smith^B"), Audit("joe", "SET realname John Smith [Success]")}));
    EXPECT_EQ(Say("joe", "set email joe@example.org"),
              (Lines{Notice("joe", "Email set to: ^Bjoe@example.org^B"), Audit("joe", "SET email joe@example.org [Success]")}));
    EXPECT_EQ(Say("joe", "set reach privmsg"),
              (Lines{Privmsg("joe", "Reach set to: ^Bprivmsg^B"), Audit("joe", "SET reach privmsg [Success]")}));
    EXPECT_EQ(User("joe").replyType, ReplyType::Privmsg);
    EXPECT_EQ(services.nickServ.GetNickReplyType("joe"), ReplyType::Privmsg);
    EXPECT_EQ(Say("joe", "set colour red"), (Lines{Privmsg("joe", "^BError^B: AGE/URL/REALNAME/EMAIL/REACH"),
                                                   Audit("joe", "SET [Failed (invalid set command)]")}));
    EXPECT_EQ(Say("joe", "set reach Notice"),
              (Lines{Notice("joe", "Reach set to: ^BNotice^B"), Audit("joe", "SET reach Notice [Success]")}));
    EXPECT_EQ(Say("joe", "set"), (Lines{Notice("joe", "Syntax Error: /msg NickServ set <action> <setting>")}));

    // A closing bracket inside its own field would break the record when the file is read back.
    std::string before = NickFile();
    EXPECT_EQ(Say("joe", "set url http://x.org/(y)"),
              (Lines{Notice("joe", "^BError^B: URL cannot contain ^B)^B."),
                     Audit("joe", "SET url http://x.org/(y) [Failed (invalid character)]")}));
    EXPECT_EQ(Say("joe", "set email a]b"), (Lines{Notice("joe", "^BError^B: Email cannot contain ^B]^B."),
                                                  Audit("joe", "SET email a]b [Failed (invalid character)]")}));
    EXPECT_EQ(Say("joe", "set realname {x} y"),
              (Lines{Notice("joe", "^BError^B: Realname cannot contain ^B}^B."),
                     Audit("joe", "SET realname {x} y [Failed (invalid character)]")}));
    EXPECT_EQ(NickFile(), before);
    EXPECT_EQ(before, "joe secret1 *user@*.example.org *user@*.example.org *user@*.example.org [" + kNow +
                          "] {John Smith} [joe@example.org] (http://joe.example.org/a) 33 True NOTICE " + kNow + "\r\n");
}

TEST_F(NickServTest, InfoShowsThePasswordOnlyFromTheOsInfoLevel) {
    Connect("joe");
    Say("joe", "register secret1");
    Receive(":joe QUIT :see you");
    Connect("ann");
    Lines expected = {Notice("ann", "Information on:^B joe^B"),
                      Notice("ann", "Registered on:^B " + kNow + "^B"),
                      Notice("ann", "Last seen on:^B " + kNow + "^B"),
                      Notice("ann", "Last quit message:^B see you^B"),
                      Notice("ann", "-------------------"),
                      Notice("ann", "Email address:^B none@not.entered^B"),
                      Notice("ann", "Real name:^B N/A^B"),
                      Notice("ann", "URL:^B http://nimbral.example.org^B"),
                      Notice("ann", "Age:^B 0^B"),
                      Audit("ann", "INFO JOE [Success]")};
    User("ann").operLevel = 449;
    EXPECT_EQ(Say("ann", "info JOE"), expected);

    User("ann").operLevel = 450;
    expected.insert(expected.begin() + 1,
                    {Notice("ann", "---"), Notice("ann", "Password: ^Bsecret1^B"), Notice("ann", "---")});
    EXPECT_EQ(Say("ann", "INFO JOE"), expected);

    EXPECT_EQ(Say("ann", "info nobody"), (Lines{Notice("ann", "^Bnobody^B is not registered."),
                                                Audit("ann", "INFO [Failed (nick not registered)]")}));
    EXPECT_EQ(Say("ann", "info"), (Lines{Notice("ann", "Syntax Error: /msg NickServ info <nick>")}));
}

TEST_F(NickServTest, AccessHostsAreListedAddedAndClearedByTheIdentifiedOwner) {
    Connect("joe");
    Say("joe", "register secret1");
    EXPECT_EQ(Say("joe", "access list"),
              (Lines{Notice("joe", "^BError^B: Please identify with NickServ first."),
                     Notice("joe", "^BSyntax^B: /msg NickServ ident <^Bpassword^B>"),
                     Audit("joe", "ACCESS list   [Failed (not identified)]")}));
    Say("joe", "identify secret1");

    EXPECT_EQ(Say("joe", "ACCESS LIST"),
              (Lines{Notice("joe", "Access list for: ^Bjoe^B"), Notice("joe", "Slot #1: ^B*user@*.example.org^B"),
                     Notice("joe", "Slot #2: ^B*user@*.example.org^B"), Notice("joe", "Slot #3: ^B*user@*.example.org^B"),
                     Audit("joe", "ACCESS LIST [Success]")}));
    EXPECT_EQ(Say("joe", "access Add 2 *joe@*.home.net"),
              (Lines{Notice("joe", "Added: ^B*joe@*.home.net^B to slot ^B2^B"),
                     Audit("joe", "ACCESS Add 2 *joe@*.home.net [Success]"),
                     Notice("joe", "Your nick (^Bjoe^B) was found on ^B0^B registered channels, and your hosts were "
                                   "updated.")}));
    EXPECT_EQ(Say("joe", "access del 3"),
              (Lines{Notice("joe", "Syntax Error: /msg NickServ access <add/del/list> <slot #> <host>")}));
    EXPECT_EQ(Say("joe", "access del 3 x"),
              (Lines{Notice("joe", "Removed the host from slot ^B3^B"), Audit("joe", "ACCESS del 3 [Success]")}));
    EXPECT_EQ(Say("joe", "access add 4 *a@b"), (Lines{Notice("joe", "Please select a host slot between ^B1 and 3^B"),
                                                      Audit("joe", "ACCESS add 4 *a@b [Failed (invalid slot)]")}));
    EXPECT_EQ(Say("joe", "access show 1 *a@b"), (Lines{Notice("joe", "^BError^B: Invalid access command!"),
                                                       Audit("joe", "ACCESS show [Failed (unknown access command)]")}));

    EXPECT_EQ(Record("joe").accessHosts, (std::array<std::string, 3>{"*user@*.example.org", "*joe@*.home.net", ""}));
    EXPECT_EQ(NickFile().rfind("joe secret1 *user@*.example.org *joe@*.home.net  [", 0), 0u);
}

TEST_F(NickServTest, ChangePasswordDropAndGhostCheckThePasswordExactly) {
    Connect("joe");
    Say("joe", "register secret1");
    EXPECT_EQ(Say("joe", "chpass SECRET1 other"), (Lines{Notice("joe", "^BError^B: Invalid password."),
                                                         Audit("joe", "CHPASS ****** ****** [Failed (invalid password)]")}));
    EXPECT_EQ(Say("joe", "chpass secret1"),
              (Lines{Notice("joe", "Syntax Error: /msg NickServ chpass <oldpass> <newpass>")}));
    // The new password follows the rules of register.
    EXPECT_EQ(Say("joe", "chpass secret1 abc"),
              (Lines{Notice("joe", "That password is too short.  Please have it more than 4 characters."),
                     Audit("joe", "CHPASS ****** ****** [Failed (password too short)]")}));
    for (const char* bad : {"PASSWORD", "pass\x01word"}) {
        EXPECT_EQ(Say("joe", std::string("chpass secret1 ") + bad),
                  (Lines{Notice("joe", "Invalid password, please try another one to register."),
                         Audit("joe", "CHPASS ****** ****** [Failed (bad password)]")}))
            << bad;
    }
    EXPECT_EQ(NickFile().rfind("joe secret1 ", 0), 0u);
    EXPECT_EQ(Say("joe", "chpass secret1 abcde"),
              (Lines{Notice("joe", "You have successfully changed your password to ^Babcde^B.  Remember, this is caSE "
                                   "seNTItiVE."),
                     Audit("joe", "CHPASS ****** ****** [Success]")}));
    EXPECT_EQ(NickFile().rfind("joe abcde ", 0), 0u);

    Connect("ann");
    EXPECT_EQ(Say("ann", "chpass x y"),
              (Lines{Notice("ann", "^Bann^B is not registered."), Audit("ann", "CHPASS [Failed (invalid password)]")}));
    EXPECT_EQ(Say("ann", "drop xyz"),
              (Lines{Notice("ann", "^Bann^B is not registered."), Audit("ann", "DROP [Failed (nick not registered)]")}));
    EXPECT_EQ(Say("ann", "ghost bob pw"), (Lines{Notice("ann", "^Bbob^B is not registered."),
                                                 Audit("ann", "GHOST bob ****** [Failed (nick not registered)]")}));
    EXPECT_EQ(Say("ann", "ghost JOE abcd"), (Lines{Notice("ann", "Invalid password for ^BJOE^B."),
                                                   Audit("ann", "GHOST JOE ****** [Failed (invalid password)]")}));
    EXPECT_EQ(Say("ann", "ghost joe"), (Lines{Notice("ann", "Syntax Error: /msg NickServ ghost <nick> <password>")}));
    // Nobody disconnects himself with ghost.
    EXPECT_EQ(Say("joe", "ghost JOE abcde"), (Lines{Notice("joe", "^BError^B: You cannot ghost yourself."),
                                                    Audit("joe", "GHOST JOE ****** [Failed (own nick)]")}));
    EXPECT_TRUE(services.users.IsUserOnline("joe"));

    EXPECT_EQ(Say("ann", "ghost JOE abcde"),
              (Lines{":NickServ KILL JOE :Ghost command used by: ann",
                     Notice("ann", "Your ghost (^BJOE^B) was successfully killed."),
                     Audit("ann", "GHOST JOE ****** [Success]")}));
    EXPECT_FALSE(services.users.IsUserOnline("joe"));
    // A ghost that is not there is not killed, nor reported killed.
    EXPECT_EQ(Say("ann", "ghost joe abcde"), (Lines{Notice("ann", "^Bjoe^B is not online."),
                                                    Audit("ann", "GHOST joe ****** [Failed (nick not online)]")}));

    Connect("joe");
    EXPECT_EQ(Say("joe", "drop ABCDE"), (Lines{Notice("joe", "Invalid password for ^Bjoe^B!"),
                                               Audit("joe", "DROP ****** [Failed (invalid password)]")}));
    EXPECT_TRUE(services.nickServ.IsNickRegistered("joe"));
    EXPECT_EQ(Say("joe", "drop abcde"), (Lines{Audit("joe", "DROP ****** [Success]"),
                                               Notice("joe", "You have successfully dropped ^Bjoe^B.")}));
    EXPECT_FALSE(services.nickServ.IsNickRegistered("joe"));
    EXPECT_EQ(NickFile(), "");
}

TEST_F(NickServTest, FourWrongPasswordsInARowKillTheUserWhateverIsSavedBetween) {
    Connect("joe");
    Say("joe", "register secret1");
    Connect("ann");
    Lines wrong = {Notice("joe", "^BError^B: Invalid password.  Please try again."),
                   Audit("joe", "IDENT ****** [Failed (invalid password)]")};
    for (int i = 0; i < 2; ++i) EXPECT_EQ(Say("joe", "identify nope"), wrong);
    Say("joe", "identify secret1");
    EXPECT_TRUE(services.nickServ.IsNickIdentified("joe"));
    EXPECT_EQ(User("joe").badPasswords, 0);  // a right password ends the row

    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Say("joe", "identify nope"), wrong);
        Say("ann", i == 0 ? "register annpass" : "identify annpass");  // another user's save
        Say("ann", "set age " + std::to_string(20 + i));
    }
    EXPECT_EQ(User("joe").badPasswords, 3);
    EXPECT_FALSE(services.nickServ.IsNickIdentified("joe"));

    clock.Advance(std::chrono::seconds(60));
    EXPECT_EQ(Say("joe", "IDENTIFY nope"),
              (Lines{":NickServ KILL joe :Too many invalid passwords!",
                     Audit("joe", "IDENT ****** [Failed (too many invalid passwords, user killed)]")}));
    EXPECT_FALSE(services.users.IsUserOnline("joe"));
    EXPECT_TRUE(services.users.IsUserOnline("ann"));
    EXPECT_EQ(Record("joe").lastSeen, "12/6/2026 9:08:15 PM");
    EXPECT_NE(NickFile().find("[12/6/2026 9:08:15 PM]"), std::string::npos);

    Connect("zed");
    EXPECT_EQ(Say("zed", "identify whatever"),
              (Lines{Notice("zed", "^Bzed^B is not registered."), Audit("zed", "IDENT [Failed (nick not registered)]")}));
}

TEST_F(NickServTest, AChangeThatCannotBeWrittenIsRefusedAndTheTableStaysAsOnDisk) {
    Connect("joe");
    RegisterAndIdentify("joe", "secret1");
    link.Take();
    const std::string stored = NickFile();
    // A folder where the temporary file must go: no write can succeed, even for root.
    std::filesystem::create_directory(dir.Path() / "data/NickServ/NickServ.nb2.tmp");
    auto refused = [](const std::string& nick, const std::string& audit) {
        return Lines{Notice(nick, "^BError^B: The nickname database could not be written, please try again later."),
                     Audit(nick, audit + " [Failed (database not written)]")};
    };
    Connect("ann");
    EXPECT_EQ(Say("ann", "register annpass1"), refused("ann", "REGISTER ******"));
    EXPECT_FALSE(services.nickServ.IsNickRegistered("ann"));
    EXPECT_EQ(Say("joe", "set url http://joe.example.org"), refused("joe", "SET url"));
    EXPECT_EQ(Say("joe", "set reach privmsg"), refused("joe", "SET reach"));
    EXPECT_EQ(User("joe").replyType, ReplyType::Notice);
    EXPECT_EQ(Say("joe", "access add 2 *a@b.c"), refused("joe", "ACCESS add 2 *a@b.c"));
    EXPECT_EQ(Say("joe", "chpass secret1 newpass1"), refused("joe", "CHPASS ****** ******"));
    EXPECT_EQ(Say("joe", "drop secret1"), refused("joe", "DROP ******"));
    EXPECT_EQ(NickFile(), stored);
    EXPECT_EQ(FormatNickLine(Record("joe")), stored);
    ASSERT_FALSE(console.messages.empty());
    EXPECT_EQ(console.messages.back().rfind("NBII - Data files: Cannot write ", 0), 0u);

    std::filesystem::remove(dir.Path() / "data/NickServ/NickServ.nb2.tmp");
    EXPECT_EQ(Say("joe", "chpass secret1 newpass1").back(), Audit("joe", "CHPASS ****** ****** [Success]"));
    EXPECT_EQ(NickFile().rfind("joe newpass1 ", 0), 0u);
}

TEST_F(NickServTest, IdentificationEndsWithTheLinkAndControlCharactersAreNotStored) {
    Connect("joe");
    RegisterAndIdentify("joe", "secret1");
    EXPECT_EQ(Say("joe", "set url http://x.org/\x01a"),
              (Lines{Notice("joe", "^BError^B: URL cannot contain control characters."),
                     Audit("joe", "SET url [Failed (invalid character)]")}));
    EXPECT_EQ(Say("joe", std::string("set realname A\0B", 17)).front(),
              Notice("joe", "^BError^B: Realname cannot contain control characters."));
    const std::string formatted = "\x02joe\x02@\x03" "12,4x\x0f.org";  // bold, colour, reset: fine
    EXPECT_EQ(Say("joe", "set email " + formatted).back(), Audit("joe", "SET email " + formatted + " [Success]"));

    services.OnLinkUp();
    EXPECT_FALSE(services.nickServ.IsNickIdentified("joe"));
    IntroduceUser("joe", "mallory", "evil.example.net");
    link.Take();
    EXPECT_EQ(Say("joe", "access list")[0], Notice("joe", "^BError^B: Please identify with NickServ first."));
}

TEST_F(NickServTest, TheDispatcherAnswersUnknownCommandsIgnoredUsersAndNeverRunsStrangers) {
    Connect("joe");
    EXPECT_EQ(Say("joe", "hello there"),
              (Lines{Notice("joe", "^BError^B: Unknown command.  Please type: /msg NickServ help"),
                     Audit("joe", "hello [Failed (unknown command)]")}));
    EXPECT_EQ(Say("joe", "INFO"), (Lines{Notice("joe", "Syntax Error: /msg NickServ info <nick>")}));

    services.ignoreList.masks = {"*!*@*.bad.org"};
    Connect("eve", "e", "x.bad.org");
    EXPECT_EQ(Say("eve", "register secret1"),
              (Lines{Notice("eve", "You are currently being ignored by ^BALL^B services, please try again later.")}));
    EXPECT_FALSE(services.nickServ.IsNickRegistered("eve"));

    // CTCP requests are answered or passed over, never taken for commands.
    EXPECT_EQ(Say("joe", "\x01VERSION\x01"), (Lines{":NickServ NOTICE joe :\x01VERSION Nimbral II v4.3\x01"}));
    User("joe").replyType = ReplyType::Privmsg;
    EXPECT_EQ(Say("joe", "\x01PING 1765055235 42\x01"), (Lines{":NickServ NOTICE joe :\x01PING 1765055235 42\x01"}));
    User("joe").replyType = ReplyType::Notice;
    EXPECT_TRUE(Say("joe", "\x01" "CLIENTINFO\x01").empty());
    EXPECT_TRUE(Say("eve", "\x01VERSION\x01").empty());  // ignored users get nothing

    Receive(":stranger PRIVMSG NickServ :register secret1");
    EXPECT_TRUE(link.Take().empty());
    EXPECT_FALSE(services.nickServ.IsNickRegistered("stranger"));

    services.clients.Get(ServiceId::NickServ).nick = "Nick";
    Receive(":joe PRIVMSG nick :what");
    EXPECT_EQ(link.Take(), (Lines{":Nick NOTICE joe :" + test::Wire("^BError^B: Unknown command.  Please type: /msg Nick help"),
                                  ":Nick PRIVMSG #nb.botinfo :" + test::Wire("[^Bjoe^B] what [Failed (unknown command)]")}));
}

TEST_F(NickServTest, HelpSendsTheNickServHelpFileOfTheTopic) {
    std::filesystem::create_directories(dir.Path() / "data/help/nickserv");
    std::ofstream(dir.Path() / "data/help/nickserv/ident.nb2") << "Syntax: /msg $nsnick IDENTIFY <password>\r\n";
    Connect("joe");
    EXPECT_EQ(Say("joe", "HELP identify"), (Lines{Notice("joe", "Syntax: /msg NickServ IDENTIFY <password>"),
                                                   Audit("joe", "HELP [Success]")}));
}

TEST_F(NickServTest, PasswordWordsNeverReachTheDebugLog) {
    Connect("joe");
    Say("joe", "register Secret-1");
    Say("joe", "identify Wrong-2");
    Say("joe", "chpass Secret-1 Newer-3");
    Say("joe", "ghost joe Newer-3");
    Connect("joe");
    Say("joe", "drop Newer-3");
    std::string debug = ReadFile("debug.nb2");
    for (const char* secret : {"Secret-1", "Wrong-2", "Newer-3"}) EXPECT_EQ(debug.find(secret), std::string::npos);
    EXPECT_NE(debug.find("] :joe PRIVMSG NickServ :register ******\r\n"), std::string::npos);
    EXPECT_NE(debug.find("] :joe PRIVMSG NickServ :chpass ****** ******\r\n"), std::string::npos);
    EXPECT_NE(debug.find("] :joe PRIVMSG NickServ :ghost joe ******\r\n"), std::string::npos);
}

}  // namespace
}  // namespace nb
