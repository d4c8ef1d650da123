// The administration console's own operations: backup and restore on real files, the link
// lines, and the update check against a local server.
#include <boost/asio.hpp>
#include <thread>

#include "console/link_config.h"
#include "console/terminal_front_end.h"
#include "support/fixture.h"

namespace nb {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct BackupTest : test::ServiceTest {
    test::Lines Status() { return std::exchange(console.boxes[LogBox::Backup], {}); }
};

TEST_F(BackupTest, BackupCopiesSixFilesInOrderAndRestoreBringsThemBackAtOnce) {
    Connect("joe");
    Connect("ann");
    RegisterAndIdentify("joe");
    fs::remove(dir.Path() / "data/ChanServ/Access.nb2");
    program.RunOperation([&] { program.Backup(); });
    const std::string at = "[12/6/2026 9:07:15 PM] ";
    EXPECT_EQ(Status(), (test::Lines{at + "\\OperServ\\Commands.nb2 saved!", at + "\\OperServ\\OperServ.nb2 saved!",
                                     at + "\\NickServ\\NickServ.nb2 saved!",
                                     at + "\\ChanServ\\Access.nb2 not saved: it cannot be read or the copy cannot be written.",
                                     at + "\\ChanServ\\ChanServ.nb2 saved!", at + "\\MemoServ\\MemoServ.nb2 saved!"}));
    EXPECT_EQ(ReadFile("backup/nickserv.bck"), ReadFile("NickServ/NickServ.nb2"));
    EXPECT_FALSE(fs::exists(dir.Path() / "data/backup/access.bck"));
    EXPECT_EQ(program.LastBackupCaption(), "Last backup: 12/6/2026 9:07:15 PM");
    EXPECT_NE(test::ReadWhole(dir.Path() / "data/settings.ini").find("Last=12/6/2026 9:07:15 PM"), std::string::npos);

    Tell("NickServ", "joe", "drop secret1");
    const std::string dropped = ReadFile("NickServ/NickServ.nb2");
    console.yesNoAnswer = false;  // No changes nothing
    program.RunOperation([&] { program.Restore(); });
    EXPECT_EQ(console.asked.back(), "You are about to overwrite your current database files with a backup, continue?");
    EXPECT_TRUE(Status().empty());
    EXPECT_EQ(ReadFile("NickServ/NickServ.nb2"), dropped);

    console.yesNoAnswer = true;
    program.RunOperation([&] { program.Restore(); });
    test::Lines status = Status();
    ASSERT_EQ(status.size(), 6u);
    EXPECT_EQ(status[2], at + "\\NickServ\\NickServ.nb2 restored!");
    EXPECT_EQ(status[3], at + "\\ChanServ\\Access.nb2 not restored: backup\\access.bck is missing.");
    EXPECT_EQ(console.messages.back(), "NBII - Restore: 5 of 6 files restored; the others are as they were (see the status lines).");
    EXPECT_EQ(Tell("NickServ", "ann", "info joe").at(0), ":NickServ NOTICE ann :Information on:\x02 joe\x02");
    fs::copy_file(dir.Path() / "data/ChanServ/ChanServ.nb2", dir.Path() / "data/backup/access.bck");
    program.RunOperation([&] { program.Restore(); });
    EXPECT_EQ(console.messages.back(), "NBII - Restore: All files successfully restored.");
}

// The console's other lists, edits and drops, each as a block: refusals in boxes, changes in the files
// and on the network.
TEST_F(BackupTest, RestrictionsMemosAndDropsFromTheConsole) {
    Connect("joe");
    RegisterAndIdentify("joe");
    Tell("ChanServ", "joe", "register #garden pw joe@example.org Roses");
    program.RunOperation([&] { program.RestrictNick(""); });
    EXPECT_EQ(console.messages.back(), "NBII - Error: You must type in a keyword.");
    program.RunOperation([&] { program.RestrictNick("bad*"); });
    program.RunOperation([&] { program.RestrictNick("BAD*"); });
    EXPECT_EQ(console.messages.back(), "NBII - Error: Already added, please try a different keyword.");
    program.RunOperation([&] { program.UnrestrictChannel(std::nullopt); });
    EXPECT_EQ(console.messages.back(), "NBII - Error: You must select a keyword from the list.");
    EXPECT_EQ(ReadFile("NickServ/Restrict.nb2"), "bad*\r\n");
    program.RunOperation([&] { program.RestrictChannel("#warez*"); });
    EXPECT_EQ(program.List("restricted nicks"), test::Lines{"bad*"});
    EXPECT_EQ(program.List("restricted channels"), test::Lines{"#warez*"});

    program.RunOperation([&] { program.MemoToAll(false, "Maintenance at noon"); });
    EXPECT_EQ(ReadFile("MemoServ/MemoServ.nb2"), "Administrator [12/6/2026 9:07:15 PM] joe Maintenance at noon\r\n");
    EXPECT_EQ(link.Take(), (test::Lines{":MemoServ NOTICE joe :You have a message waiting for you (just sent).",
                                        ":MemoServ NOTICE joe :Type: /msg MemoServ read all"}));
    program.RunOperation([&] { program.MemoToAll(true, "Operators only"); });
    EXPECT_EQ(console.messages.back(), "NBII - MemoServ: There are no operators.");

    program.RunOperation([&] { program.EditNick("joe", "email", "a b"); });
    EXPECT_EQ(console.messages.back(), "NBII - NickServ: The email cannot contain blanks.");
    program.RunOperation([&] { program.EditNick("joe", "email", "new@example.org"); });
    EXPECT_NE(ReadFile("NickServ/NickServ.nb2").find(" [new@example.org] "), std::string::npos);
    program.RunOperation([&] { program.EditChannel("#garden", "greet", std::string(351, 'x')); });
    EXPECT_EQ(console.messages.back(), "NBII - ChanServ: The greeting is too long (at most 350 bytes).");
    program.RunOperation([&] { program.EditChannel("#garden", "description", "Roses & tulips"); });
    EXPECT_NE(ReadFile("ChanServ/ChanServ.nb2").find(" (Roses & tulips) "), std::string::npos);

    program.RunOperation([&] { program.DropChannel("#GARDEN"); });
    EXPECT_EQ(link.Take().at(0), ":ChanServ PART #garden");
    program.RunOperation([&] { program.DropNick("joe"); });
    EXPECT_EQ(console.messages.back(), "NBII - NickServ: The nick joe was dropped.");
    EXPECT_EQ(ReadFile("NickServ/NickServ.nb2"), "");
    EXPECT_EQ(ReadFile("ChanServ/ChanServ.nb2"), "");
    EXPECT_FALSE(services.nickServ.IsNickIdentified("joe"));
}

// A line typed at the terminal reaches the operation its words name, with them in place.
TEST_F(BackupTest, TerminalCommandsReachTheirOperations) {
    boost::asio::io_context io;
    std::ostringstream out;
    TerminalConsole terminal(out, false);
    TerminalFrontEnd front(io, program, terminal, out);
    front.Typed("pages users");
    front.Typed("edit nick joe");
    EXPECT_TRUE(fs::exists(dir.Path() / "data/Webserver/users.html"));
    EXPECT_FALSE(fs::exists(dir.Path() / "data/Webserver/index.html"));
    EXPECT_EQ(console.messages.back(), "NBII - NickServ: The nick joe is not registered.");
}

TEST(LinkConfiguration, TheLinesTakeTheFieldsAsTyped) {
    EXPECT_EQ(ClassicLinkLines("irc.example.org", "pw", "services.example"),
              "Copy/Paste below this line.\r\n---------------------------\r\nC:irc.example.org:pw:services.example::30\r\n"
              "N:irc.example.org:pw:services.example::30\r\nH:*::services.example\r\nU:services.example:*:*\r\n"
              "---------------------------\r\nCopy/Paste above this line.\r\n");
    EXPECT_NE(ClassicLinkLines("", "", "").find("\r\nC:::::30\r\nN:::::30\r\nH:*::\r\nU::*:*\r\n"), std::string::npos);
    EXPECT_EQ(NgircdServerBlock("pw", "services.example"),
              "[Server]\r\n\tName = services.example\r\n\tMyPassword = pw\r\n\tPeerPassword = pw\r\n\tServiceMask = *Serv\r\n");
}

// A local update server that answers each request with the given pieces, or not at all.
struct UpdateCheckTest : ::testing::Test {
    void Check(std::vector<std::string> pieces) {
        boost::asio::io_context io;
        boost::asio::ip::tcp::acceptor acceptor(io, {boost::asio::ip::make_address("127.0.0.1"), 0});
        std::thread server([&] {
            boost::asio::ip::tcp::socket socket(acceptor.get_executor());
            acceptor.accept(socket);
            boost::asio::read_until(socket, boost::asio::dynamic_buffer(request), "\n\n");
            for (const std::string& piece : pieces) {
                boost::asio::write(socket, boost::asio::buffer(piece));
                std::this_thread::sleep_for(20ms);
            }
            if (pieces.empty()) std::this_thread::sleep_for(400ms);
        });
        UpdateCheck check(io, console, 200ms);
        check.Start("127.0.0.1:" + std::to_string(acceptor.local_endpoint().port()));
        io.run_for(2s);
        server.join();
        result = check.Result();
    }
    test::RecordingConsole console;
    std::string request;
    std::optional<UpdateResult> result;
};

TEST_F(UpdateCheckTest, TheVersionAfterVoidDecidesTheAnswerIsReadToItsEndAndSilenceEndsIt) {
    Check({"HTTP/1.0 200 OK\r\n\r\nvo", "id 4.3 "});
    EXPECT_EQ(request, "GET http://127.0.0.1/nb/check.htm HTTP/1.0\nAccept: */*\nAccept: text/html\n\n");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->text, "The latest version of Nimbral II is 4.3.\r\nYour version is 4.3, no update is needed.");
    EXPECT_FALSE(result->updateOffered);
    EXPECT_EQ(console.boxes[LogBox::Update].back(), "*** Update check complete!");
    EXPECT_EQ(console.boxes[LogBox::Update].at(2), "*** Connected to the update server!");

    Check({"VOID 4.4 "});
    EXPECT_EQ(result->text, "The latest version of Nimbral is 4.4.\r\nYour version is 4.3, please update ASAP.");
    EXPECT_EQ(result->downloadCaption, "Download NBII 4.4");
    // A server that never answers is given up.
    Check({});
    EXPECT_FALSE(result);
    EXPECT_EQ(console.boxes[LogBox::Update].back(), "*** The update server did not answer within 0 seconds.");
}

}  // namespace
}  // namespace nb
