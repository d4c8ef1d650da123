// OperServ's files and the console's operations on them.
#include <fstream>

#include "support/fixture.h"

namespace nb {
namespace {

using Texts = std::vector<std::string>;

struct OperServFilesTest : test::ServiceTest {
    OperDatabase& Database() { return services.operServ.Database(); }
};

TEST_F(OperServFilesTest, FilesAreReadByTheirRulesAndTheDefaultLevelsComeWithANewVersion) {
    WriteFile("OperServ/OperServ.nb2", "boss pw *!*@a *!*@b *!*@c 300 junk\r\n\r\nlost pw a b c 100\r\n");
    WriteFile("OperServ/Commands.nb2", "login 300\r\nRaw 900\r\nkill 0\r\nwhois 450\r\n");
    WriteFile("Jupe.nb2", "one.example\r\n\r\ntwo.example\r\n");
    services.operServ.LoadDatabases();  // the version is this program's: the levels stay
    ASSERT_EQ(Database().Operators().size(), 1u);
    EXPECT_EQ(Database().Operators()[0].hosts[2], "*!*@c");
    EXPECT_EQ(Database().Operators()[0].level, 0);  // the whole rest of the line is the level
    EXPECT_EQ(Database().LevelOf("login"), 0);
    EXPECT_EQ(Database().LevelOf("RAW"), 200);
    EXPECT_EQ(Database().LevelOf("kill"), 200);
    EXPECT_EQ(Database().LevelOf("whois"), 450);
    EXPECT_FALSE(Database().LevelOf("mode"));
    EXPECT_EQ(services.operServ.Jupes().Entries(), Texts{"one.example"});

    services.settings.Set("General", "Version", "4.2");
    services.operServ.LoadDatabases();
    EXPECT_EQ(Database().LevelOf("mode"), 200);
    EXPECT_EQ(Database().CommandLevels().size(), 22u);
    EXPECT_EQ(services.settings.Get("General", "Version", ""), "4.3");
    EXPECT_EQ(ReadFile("OperServ/Commands.nb2").substr(0, 20), "mode 200\r\nop 200\r\nde");
}

TEST_F(OperServFilesTest, TheConsoleAddsAnOperatorAskingAgainUntilTheAnswerCanBeTaken) {
    Connect("ann");
    RegisterAndIdentify("ann", "secret1");
    OperatorConsole& console = services.operatorConsole;
    this->console.messages.clear();
    this->console.answers = {"nobody"};
    console.AddOperator();
    this->console.answers = {"ann", "", "annpw", "", "501", "x", "300"};
    console.AddOperator();
    EXPECT_EQ(this->console.asked, (Texts{"Enter a nickname:", "Enter a nickname:", "Enter a password for ann:",
                                          "Enter a password for ann:", "Enter an access level for ann:",
                                          "Enter an access level for ann:",
                                          "Enter an access level for ann (must be between 1-500):",
                                          "Enter an access level for ann (must be between 1-500):"}));
    EXPECT_EQ(ReadFile("OperServ/OperServ.nb2"),
              "ann annpw *user@*.example.org *user@*.example.org *user@*.example.org 300\r\n");
    this->console.answers = {"ANN"};
    console.AddOperator();
    EXPECT_EQ(this->console.messages, (Texts{"NBII - OperServ Access Error: To add a user, they first must register with NickServ.",
                                             "NBII - OperServ Access Error: That user is already on the access list."}));

    this->console.messages.clear();
    console.ChangeCommandLevel(6, "100");  // login
    console.ChangeCommandLevel(0, "0");
    console.SetOsInfo("501");
    EXPECT_EQ(this->console.messages, (Texts{"NBII - OperServ Commands: You cannot modify this command.",
                                             "NBII - OperServ Commands: You must set the level between 1 and 500.",
                                             "NBII - OperServ Commands: Must be between 1-500!"}));
    EXPECT_EQ(services.settings.Get("General", "OS Info", ""), "450");
    this->console.yesNoAnswer = true;
    console.ChangeCommandLevel(0, "250");
    EXPECT_EQ(Database().LevelOf("mode"), 250);
    console.DeleteOperator(0);
    EXPECT_EQ(ReadFile("OperServ/OperServ.nb2"), "");
    this->console.messages.clear();
    console.AddIgnore("*!*@bad.example");
    console.AddIgnore("*!*@BAD.example");
    console.AddIgnore("");
    console.AddJupe("juped.example");
    console.AddJupe("juped.example");
    EXPECT_EQ(this->console.messages, (Texts{"NBII - Error: Already added, please try a different mask.",
                                             "NBII - Error: You must type in a mask.",
                                             "NBII - Error: Already added, please try a different server."}));
    EXPECT_EQ(ReadFile("Ignore.nb2"), "*!*@bad.example\r\n");
}

}  // namespace
}  // namespace nb
