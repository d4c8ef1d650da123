// The bot's script, its introduction and its triggers, on files in the bots folder.
#include <fstream>

#include "support/fixture.h"

namespace nb {
namespace {

using Texts = std::vector<std::string>;

struct BotTest : test::ServiceTest {
    Texts Load(const std::string& file) {
        console.status.clear();
        services.bot.LoadBot(file);
        return console.status;
    }
};

TEST_F(BotTest, AScriptIsReadDirectiveByDirectiveAndTheBotIntroduced) {
    WriteFile("bots/bad.nb2", "# comment\nnick Bad;\nident bad\n");
    WriteFile("bots/badset.nb2", "nick Bad;\nset colour red;\n");
    EXPECT_EQ(Load("bad.nb2"), Texts{"*** Error loading script: (Line #: 3 [Missing a semi-colin])"});
    EXPECT_EQ(Load("badset.nb2"), Texts{"*** Error loading script: (Line #: 2 [Invalid 'set' command]"});
    EXPECT_EQ(Load("../settings.ini").size(), 1u);
    EXPECT_TRUE(link.Take().empty());

    WriteFile("bots/bob.nb2", "# Bob\nnick Bob;\nident bobby;\nhost bots.example;\nname The Bob;\nset modes i;\n"
                     "set access all;\nversion 2;\nload bob-triggers.nb2;\n");
    EXPECT_EQ(Load("bob.nb2"), (Texts{"*** Script successfully loaded.", "*** Nickname: Bob",
                                      "*** Full Host: bobby@bots.example", "*** Realname: The Bob",
                                      "*** Default Modes: i", "*** Access: all", "*** Version: 2"}));
    EXPECT_EQ(link.Take(), (Texts{"NICK Bob 1 10 bobby bots.example services.localhost :The Bob",
                                  ":services.localhost SVSMODE Bob +i"}));
    EXPECT_TRUE(services.users.IsUserOnline("Bob"));

    // A second bot takes the first one's place.
    WriteFile("bots/ann.nb2", "nick Ann;\n");
    Load("ann.nb2");
    EXPECT_EQ(link.Take(), (Texts{":Bob QUIT :Replaced by Ann",
                                  "NICK Ann 1 10 bobby bots.example services.localhost :The Bob",
                                  ":services.localhost SVSMODE Ann +i"}));
    EXPECT_FALSE(services.users.IsUserOnline("Bob"));
    EXPECT_FALSE(services.clients.IsOwnClient("Bob"));
}

TEST_F(BotTest, TriggersAnswerLowerCaseCommandsBlockByBlockInFileOrder) {
    WriteFile("bots/bot.nb2", "nick Bob;\nload t.nb2;\n");
    WriteFile("bots/t.nb2", "hello {\nmsg $nick '\\bHi\\b from $BotNick';\n}\nhello {\nmsg someone 'not sent';\n}\n"
                   "hello {\nmsg $nick 'again';\n}\nsecret {\naccess 1;\nmsg $nick 'psst';\n}\n"
                   "odd {\naccess one;\n}\n");
    Load("bot.nb2");
    Connect("joe");
    EXPECT_EQ(Tell("Bob", "joe", "hello"), (Texts{":Bob NOTICE joe :\x02Hi\x02 from Bob", ":Bob NOTICE joe :again"}));
    EXPECT_TRUE(Tell("Bob", "joe", "HELLO").empty());
    console.status.clear();
    EXPECT_TRUE(Tell("Bob", "joe", "secret").empty());
    RegisterAndIdentify("joe", "secret1");
    link.Take();
    EXPECT_EQ(Tell("Bob", "joe", "secret"), Texts{":Bob NOTICE joe :psst"});
    EXPECT_TRUE(Tell("Bob", "joe", "odd").empty());
    WriteFile("bots/t.nb2", "hello {\nbroken line\n");
    EXPECT_TRUE(Tell("Bob", "joe", "x").empty());
    EXPECT_EQ(console.status, (Texts{"*** Error in ODD: (Line #: 14 [Invalid ACCESS params.]",
                                     "*** Error executing command: (Line #: 2 [Missing a semi-colon])"}));
}

}  // namespace
}  // namespace nb
