#include <filesystem>
#include <fstream>
#include <map>

#include "chanserv/chanserv_commands.h"

#include "chanserv_test_support.h"

namespace nb {
namespace {

using test::ChanServTest;
using test::Lines;

const std::string kHosts = "*user@*.example.org *user@*.example.org *user@*.example.org";

std::string ChannelLine(const std::string& name, const std::string& founder) {
    return name + " chanpw1 " + founder + " " + founder + "@example.org (About " + name +
           ") [nt] [Not set!] {Not set!} 12/6/2026 0 0 0\r\n";
}

const ChannelMember* MemberOf(Channels& channels, const std::string& channel, const std::string& nick) {
    auto slot = channels.FindNetChannel(channel);
    return slot ? channels.At(*slot).FindMember(nick) : nullptr;
}

TEST_F(ChanServTest, RegisterJoinsOpsAndSetsModesThenStoresTheChannelAndItsFounderAt500) {
    Arrive("joe");
    // The founder's entry takes the hosts of his nick's registration.
    Tell("NickServ", "joe", "access add 2 *joe@*.home.net");
    link.Take();
    EXPECT_EQ(Say("joe", "register #Garden chanpw1 joe@example.org Flowers (and trees)"),
              (Lines{":ChanServ JOIN #Garden", ":services.localhost MODE #Garden +o ChanServ",
                     ":services.localhost MODE #Garden +nt",
                     Notice("joe", "You have successfully registered ^B#Garden^B."),
                     Notice("joe", "Your password is ^Bchanpw1^B which is CaSE seNsItIVE."),
                     ChannelAudit("joe", "#Garden",
                                  "REGISTER #Garden ****** joe@example.org Flowers (and trees) [Success]")}));
    EXPECT_EQ(ChannelFile(),
              "#Garden chanpw1 joe joe@example.org (Flowers (and trees)) [nt] [Not set!] {Not set!} 12/6/2026 0 0 0\r\n");
    EXPECT_EQ(AccessFile(), "#Garden joe *user@*.example.org *joe@*.home.net *user@*.example.org 500\r\n");
    EXPECT_EQ(LevelOf("#garden", "joe"), 500);
    const ChannelMember* chanServ = MemberOf(services.channels, "#garden", "ChanServ");
    ASSERT_NE(chanServ, nullptr);
    EXPECT_TRUE(chanServ->op);

    // The description ends at the first empty word.
    EXPECT_EQ(Say("joe", "REGISTER #pond pondpw joe@example.org Fish  and frogs").back(),
              ChannelAudit("joe", "#pond", "REGISTER #pond ****** joe@example.org Fish [Success]"));
    EXPECT_EQ(ChannelFile().substr(ChannelFile().find("\r\n") + 2),
              "#pond pondpw joe joe@example.org (Fish) [nt] [Not set!] {Not set!} 12/6/2026 0 0 0\r\n");

    // What was written is what a restart reads.
    Database().LoadChannelDatabase(true, true);
    ASSERT_NE(Channel("#GARDEN"), nullptr);
    EXPECT_EQ(Channel("#GARDEN")->description, "Flowers (and trees)");
    EXPECT_EQ(Channel("#pond")->founder, "joe");
    EXPECT_EQ(LevelOf("#pond", "joe"), 500);
}

TEST_F(ChanServTest, RegisterRefusalsComeInOrderAndStoreNothing) {
    Connect("ann");
    Tell("NickServ", "ann", "register secret1");
    link.Take();
    Lines notIdentified = NotIdentified("ann");
    notIdentified.push_back(ChannelAudit("ann", "#c", "REGISTER [Failed (not identified)]"));
    EXPECT_EQ(Say("ann", "register #c pw ann@example.org mine"), notIdentified);
    // A missing word is answered before the gate, without an audit line.
    EXPECT_EQ(Say("ann", "register #c pw ann@example.org"),
              (Lines{Notice("ann", "Syntax Error: /msg ChanServ register <#channel> <password> <your email> "
                                   "<description>")}));
    Tell("NickServ", "ann", "identify secret1");
    link.Take();

    EXPECT_EQ(Say("ann", "register c pw ann@example.org mine"),
              (Lines{Notice("ann", "^BError^B: You can only register a channel starting with a # character."),
                     ChannelAudit("ann", "c", "REGISTER [Failed (invalid channel name)]")}));
    EXPECT_EQ(Say("ann", "register #a,#b pw ann@example.org mine"),
              (Lines{Notice("ann", "^BError^B: You cannot register a channel with the , character."),
                     ChannelAudit("ann", "#a", "REGISTER [Failed (invalid channel name)]")}));
    // Only operators may register: somebody with no operator entry is none.
    for (const char* setting : {"1", "2"}) {
        services.settings.Set("Security", "ChanServ Register", setting);
        EXPECT_EQ(Say("ann", "register #c pw ann@example.org mine"),
                  (Lines{Notice("ann", "^BError^B: You don't have access to register this channel.")}))
            << setting;
    }
    services.settings.Set("Security", "ChanServ Register", "0");

    Arrive("joe");
    RegisterChannel("joe", "#taken");
    EXPECT_EQ(Say("ann", "register #TAKEN pw ann@example.org mine"),
              (Lines{Notice("ann", "That channel (^B#TAKEN^B) is currently registered.  Please try another channel."),
                     ChannelAudit("ann", "#TAKEN", "REGISTER [Failed (already registered)]")}));
    // In a pattern "#" stands for a digit.
    ASSERT_TRUE(Database().Restricted().AddRestrictedChannel("?bad*"));
    EXPECT_EQ(Say("ann", "register #BadPlace pw ann@example.org mine"),
              (Lines{Notice("ann", "That channel (^B#BadPlace^B) cannot be registered, please select a new channel "
                                   "name."),
                     ChannelAudit("ann", "#BadPlace", "REGISTER [Failed (restricted channel name)]")}));

    // Values the channel file would read back otherwise are refused, not stored.
    EXPECT_EQ(Say("ann", "register #c pw ann@example.org Mine) [really]"),
              (Lines{Notice("ann", "^BError^B: The description cannot contain ^B) [^B."),
                     ChannelAudit("ann", "#c", "REGISTER [Failed (invalid character)]")}));
    EXPECT_EQ(Say("ann", "register #c pw\x07x ann@example.org mine"),
              (Lines{Notice("ann", "^BError^B: The password cannot contain control characters."),
                     ChannelAudit("ann", "#c", "REGISTER [Failed (invalid character)]")}));
    EXPECT_EQ(Say("ann", std::string("register #c\0x pw ann@example.org mine", 37)).front(),
              Notice("ann", "^BError^B: The channel name cannot contain control characters."));

    // Each refusal comes before the later ones.
    EXPECT_EQ(Say("ann", "register c,d pw ann@example.org mine").front(),
              Notice("ann", "^BError^B: You can only register a channel starting with a # character."));
    EXPECT_EQ(Say("ann", "register #badtaken, pw ann@example.org mine").front(),
              Notice("ann", "^BError^B: You cannot register a channel with the , character."));
    ASSERT_TRUE(Database().Restricted().AddRestrictedChannel("?taken"));
    EXPECT_EQ(Say("ann", "register #taken pw ann@example.org mine").back(),
              ChannelAudit("ann", "#taken", "REGISTER [Failed (already registered)]"));
    services.settings.Set("Security", "ChanServ Register", "1");
    EXPECT_EQ(Say("ann", "register #taken pw ann@example.org mine"),
              (Lines{Notice("ann", "^BError^B: You don't have access to register this channel.")}));
    services.settings.Set("Security", "ChanServ Register", "0");

    EXPECT_EQ(Channel("#c"), nullptr);
    EXPECT_EQ(ChannelFile(), ChannelLine("#taken", "joe"));
    EXPECT_EQ(AccessFile(), "#taken joe " + kHosts + " 500\r\n");
}

TEST_F(ChanServTest, TheTablesHaveNoCapacity) {
    std::string channels;
    std::string access;
    for (int n = 0; n < 600; ++n) {
        std::string name = "#c" + std::to_string(n);
        channels += ChannelLine(name, "joe");
        access += name + " joe " + kHosts + " 500\r\n";
    }
    std::ofstream(dir.Path() / "data/ChanServ/ChanServ.nb2", std::ios::binary) << channels;
    std::ofstream(dir.Path() / "data/ChanServ/Access.nb2", std::ios::binary) << access;
    Database().LoadChannelDatabase(true, true);
    Arrive("joe");
    Arrive("bob");
    RegisterChannel("joe", "#new");
    AddAccess("joe", "#c599", "bob", 100);
    EXPECT_EQ(ChannelFile(), channels + ChannelLine("#new", "joe"));
    EXPECT_EQ(AccessFile(), access + "#new joe " + kHosts + " 500\r\n#c599 bob " + kHosts + " 100\r\n");
}

// An operator's level is what OperServ gave the user at login; 0 for one logged out.
TEST_F(ChanServTest, TheRegisterSettingAdmitsLoggedInOperatorsAndAtTwoOnlyFromTheChanServLevel) {
    for (const char* nick : {"joe", "out", "low", "high"}) Arrive(nick);
    User("out").operLevel = 0;
    User("low").operLevel = 100;
    User("high").operLevel = 300;
    auto refused = [](const std::string& nick) {
        return Lines{Notice(nick, "^BError^B: You don't have access to register this channel.")};
    };
    auto registers = [&](const std::string& nick) {
        std::string channel = "#" + nick + services.settings.Get("Security", "ChanServ Register", "");
        Lines lines = Say(nick, "register " + channel + " pw " + nick + "@example.org mine");
        return !lines.empty() && lines.back() == ChannelAudit(nick, channel,
                                                              "REGISTER " + channel + " ****** " + nick +
                                                                  "@example.org mine [Success]");
    };

    services.settings.Set("Security", "ChanServ Register", "1");
    EXPECT_EQ(Say("joe", "register #j pw joe@example.org mine"), refused("joe"));
    EXPECT_EQ(Say("out", "register #o pw out@example.org mine"), refused("out"));
    EXPECT_TRUE(registers("low"));
    EXPECT_TRUE(registers("high"));

    services.settings.Set("Security", "ChanServ Register", "2");
    services.settings.Set("Security", "ChanServ Level", "200");
    EXPECT_EQ(Say("joe", "register #j pw joe@example.org mine"), refused("joe"));
    EXPECT_EQ(Say("low", "register #l pw low@example.org mine"), refused("low"));
    EXPECT_TRUE(registers("high"));

    services.settings.Set("Security", "ChanServ Register", "0");
    EXPECT_TRUE(registers("joe"));
    EXPECT_EQ(Database().RegisteredChannels().size(), 4u);
}

TEST_F(ChanServTest, AccessAddModDelAndListFollowTheLevels) {
    for (const char* nick : {"joe", "bob", "cy", "dan"}) Arrive(nick);
    RegisterChannel("joe", "#garden");
    const std::string joeLine = "#garden joe " + kHosts + " 500\r\n";

    EXPECT_EQ(Say("joe", "access #garden add Bob"),
              (Lines{Notice("joe", "^BBob^B was added to ^B#garden^B at level ^B200^B."),
                     ChannelAudit("joe", "#garden", "ACCESS #garden add Bob 200 [Success]")}));
    EXPECT_EQ(AccessFile(), joeLine + "#garden Bob " + kHosts + " 200\r\n");
    EXPECT_EQ(LevelOf("#garden", "bob"), 200);
    EXPECT_EQ(Say("joe", "access #garden add BOB 100"),
              (Lines{Notice("joe", "That user (^BBob^B) is already added to ^B#garden^B at level ^B200^B."),
                     ChannelAudit("joe", "#garden", "ACCESS [Failed (user already added)]")}));
    EXPECT_EQ(Say("joe", "access #garden add cy 500"),
              (Lines{Notice("joe", "^BError^B: You are attempting to add a user and giving that user an equal or "
                                   "higher access."),
                     ChannelAudit("joe", "#garden", "ACCESS [Failed (invalid level access)]")}));
    EXPECT_EQ(Say("joe", "access #garden add nobody 50"),
              (Lines{Notice("joe", "That user (^Bnobody^B) is not currently registered with NickServ."),
                     ChannelAudit("joe", "#garden", "ACCESS [Failed (user not registered)]")}));
    // Only a whole number is a level.
    for (const char* level : {"abc", "2.5", "-3", "+7", "0", "99999999999999999999"}) {
        EXPECT_EQ(Say("joe", std::string("access #garden add cy ") + level),
                  (Lines{Notice("joe", "Syntax Error: /msg ChanServ access <#channel> <add/del/mod/list> <nick> "
                                       "[level]"),
                         ChannelAudit("joe", "#garden", "ACCESS [Failed (invalid syntax)]")}))
            << level;
    }
    EXPECT_EQ(Say("joe", "access #garden add"),
              (Lines{Notice("joe", "Syntax Error: /msg ChanServ access <#channel> <add/del/mod/list> [nick] [level]"),
                     ChannelAudit("joe", "#garden", "ACCESS [Failed (invalid syntax)]")}));
    AddAccess("joe", "#garden", "cy", 300);
    // Nobody adds at his own level.
    EXPECT_EQ(Say("cy", "access #garden add dan 300").back(),
              ChannelAudit("cy", "#garden", "ACCESS [Failed (invalid level access)]"));

    // Below 300: add is refused without an audit line, mod and del with one.
    EXPECT_EQ(Say("bob", "access #garden add dan 10"),
              (Lines{Notice("bob", "You access to ^B#garden^B) is to low.  It is currently ^B200^B")}));
    EXPECT_EQ(Say("bob", "access #garden mod dan 10"),
              (Lines{Notice("bob", "Your access to ^B#garden^B is to low.  It is currently ^B200^B"),
                     ChannelAudit("bob", "#garden", "ACCESS [Failed (invalid level access)]")}));
    EXPECT_EQ(Say("bob", "access #garden del dan"),
              (Lines{Notice("bob", "You access to ^B#garden^B) is to low.  It is currently ^B200^B"),
                     ChannelAudit("bob", "#garden", "ACCESS [Failed (invalid level access)]")}));

    // Listing from 100.
    EXPECT_EQ(Say("bob", "access #garden LIST"),
              (Lines{Notice("bob", "Access list for: ^B#garden^B"), Notice("bob", "^Bjoe^B - ^B500^B"),
                     Notice("bob", "^BBob^B - ^B200^B"), Notice("bob", "^Bcy^B - ^B300^B"),
                     ChannelAudit("bob", "#garden", "ACCESS #garden LIST [Success]")}));
    EXPECT_EQ(Say("dan", "access #garden list"),
              (Lines{Notice("dan", "Your access to ^B#garden^B is to low.  It is currently ^B0^B"),
                     ChannelAudit("dan", "#garden", "ACCESS [Failed (invalid level access)]")}));

    EXPECT_EQ(Say("cy", "access #garden mod bob 250"),
              (Lines{Notice("cy", "^Bbob^B's access has been changed to ^B250^B on ^B#garden^B."),
                     ChannelAudit("cy", "#garden", "ACCESS #garden mod bob 250 [Success]")}));
    EXPECT_EQ(LevelOf("#garden", "bob"), 250);
    // Nobody gives a level he does not have himself.
    EXPECT_EQ(Say("cy", "access #garden mod bob 300"),
              (Lines{Notice("cy", "^BError^B: You are attempting to modify a user and giving that user an equal or "
                                  "higher access."),
                     ChannelAudit("cy", "#garden", "ACCESS [Failed (invalid level access)]")}));
    EXPECT_EQ(Say("cy", "access #garden mod joe 100"),
              (Lines{Notice("cy", "^BError^B: You are attempting to modify a user that has equal or higher access."),
                     ChannelAudit("cy", "#garden", "ACCESS [Failed (invalid level access)]")}));
    EXPECT_EQ(Say("cy", "access #garden mod nobody 5"),
              (Lines{Notice("cy", "That user (^Bnobody^B) is not part of ^B#garden^B."),
                     ChannelAudit("cy", "#garden", "ACCESS [Failed (user not found)]")}));
    EXPECT_EQ(Say("cy", "access #garden mod bob").front(),
              Notice("cy", "Syntax Error: /msg ChanServ access <#channel> <add/del/mod/list> <nick> [level]"));
    EXPECT_EQ(LevelOf("#garden", "bob"), 250);

    EXPECT_EQ(Say("cy", "access #garden del joe"),
              (Lines{Notice("cy", "^BError^B: You are attempting to delete a user that has equal or higher access."),
                     ChannelAudit("cy", "#garden", "ACCESS [Failed (invalid level access)]")}));
    EXPECT_EQ(Say("cy", "access #garden del BOB"),
              (Lines{Notice("cy", "^BBOB^B has been removed from ^B#garden^B."),
                     ChannelAudit("cy", "#garden", "ACCESS #garden del BOB  [Success]")}));
    EXPECT_EQ(Say("cy", "access #garden del bob").back(), ChannelAudit("cy", "#garden", "ACCESS [Failed (user not found)]"));

    // An action that is none of the four is passed over in silence.
    EXPECT_TRUE(Say("cy", "access #garden show bob").empty());
    EXPECT_EQ(Say("cy", "access garden list"),
              (Lines{Notice("cy", "Syntax Error: /msg ChanServ access <#channel> <add/del/mod/list> [nick] [level]"),
                     ChannelAudit("cy", "garden", "ACCESS [Failed (invalid channel)]")}));
    EXPECT_EQ(Say("cy", "access #nowhere list"),
              (Lines{Notice("cy", "That channel (^B#nowhere^B) is not currently registered."),
                     ChannelAudit("cy", "#nowhere", "ACCESS [Failed (channel not registered)]")}));
    EXPECT_EQ(Say("cy", "access #garden"),
              (Lines{Notice("cy", "Syntax Error: /msg ChanServ access <#channel> <add/del/mod/list> <nick> [level]")}));
    EXPECT_EQ(AccessFile(), joeLine + "#garden cy " + kHosts + " 300\r\n");
}

TEST_F(ChanServTest, InfoShowsThePasswordOnlyFromTheOsInfoLevel) {
    Arrive("joe");
    RegisterChannel("joe", "#garden");
    Connect("ann");
    Lines expected = {Notice("ann", "Information on: ^B#GARDEN^B"),
                      Notice("ann", "Owner: ^Bjoe^B"),
                      Notice("ann", "Owner's Email: ^Bjoe@example.org^B"),
                      Notice("ann", "Channel Description: ^BAbout #garden^B"),
                      Notice("ann", "Registered on: ^B12/6/2026^B"),
                      Notice("ann", "--"),
                      Notice("ann", "Topic: ^BNot set!^B"),
                      Notice("ann", "Topic lock: ^BOFF^B"),
                      Notice("ann", "Mode(s): ^Bnt^B"),
                      Notice("ann", "Mode lock: ^BOFF^B"),
                      Notice("ann", "Greet Message: ^BNot set!^B"),
                      Notice("ann", "Greet: ^BOFF^B"),
                      Audit("ann", "INFO #GARDEN [Success]")};
    for (int level : {0, 99, 449}) {
        User("ann").operLevel = level;
        EXPECT_EQ(Say("ann", "info #GARDEN"), expected) << level;
    }
    User("ann").operLevel = 450;
    Lines withPassword = expected;
    withPassword.insert(withPassword.begin() + 1,
                        {Notice("ann", "---"), Notice("ann", "Password: ^Bchanpw1^B"), Notice("ann", "---")});
    EXPECT_EQ(Say("ann", "INFO #GARDEN"), withPassword);
    // The level comes from the settings each time.
    services.settings.Set("General", "OS Info", "451");
    EXPECT_EQ(Say("ann", "info #GARDEN"), expected);

    Tell("ChanServ", "joe", "set #garden tlock on");
    Tell("ChanServ", "joe", "set #garden mlock on");
    Tell("ChanServ", "joe", "set #garden autogreet on");
    Lines lines = Say("ann", "info #garden");
    ASSERT_EQ(lines.size(), expected.size());
    EXPECT_EQ(lines[7], Notice("ann", "Topic lock: ^BON^B"));
    EXPECT_EQ(lines[9], Notice("ann", "Mode lock: ^BON^B"));
    EXPECT_EQ(lines[11], Notice("ann", "Greet: ^BON^B"));

    EXPECT_EQ(Say("ann", "info #nowhere"),
              (Lines{Notice("ann", "That channel (^B#nowhere^B) is not currently registered."),
                     Audit("ann", "INFO #nowhere [Failed (channel not registered)]")}));
    EXPECT_EQ(Say("ann", "info"), (Lines{Notice("ann", "Syntax Error: /msg ChanServ info <#channel>")}));
}

TEST_F(ChanServTest, SetChangesEachSettingWithItsProtocolLinesFromLevel300) {
    Arrive("joe");
    Arrive("bob");
    RegisterChannel("joe", "#garden");
    AddAccess("joe", "#garden", "bob", 200);
    const std::string topic = "Welcome to [the] garden {all}";
    EXPECT_EQ(Say("joe", "set #Garden topic " + topic),
              (Lines{Notice("joe", "The topic in ^B#Garden^B is now set to: ^B" + topic + "^B"),
                     ":ChanServ TOPIC #garden :" + topic,
                     ChannelAudit("joe", "#Garden", "SET #Garden topic " + topic + " [Success]")}));
    EXPECT_EQ(Say("joe", "set #garden mode ntk key"),
              (Lines{Notice("joe", "The mode in ^B#garden^B is now set to: ^Bntk key^B"),
                     ":services.localhost MODE #garden +ntk key",
                     ChannelAudit("joe", "#garden", "SET #garden mode ntk key [Success]")}));
    EXPECT_EQ(Say("joe", "set #garden mode +ntk key"),
              (Lines{Notice("joe", "The mode in ^B#garden^B is now set to: ^Bntk key^B"),
                     ":services.localhost MODE #garden +ntk key",
                     ChannelAudit("joe", "#garden", "SET #garden mode +ntk key [Success]")}));
    EXPECT_EQ(Say("joe", "set #garden MLOCK On"),
              (Lines{Notice("joe", "Modelock in ^B#garden^B has been turned ^Bon^B!"),
                     ":services.localhost MODE #garden +ntk key",
                     ChannelAudit("joe", "#garden", "SET #garden MLOCK On [Success]")}));
    EXPECT_EQ(Say("joe", "set #garden mlock off"),
              (Lines{Notice("joe", "Modelock in ^B#garden^B has been turned ^Boff^B!"),
                     ChannelAudit("joe", "#garden", "SET #garden mlock off [Success]")}));
    EXPECT_EQ(Say("joe", "set #garden tlock on"),
              (Lines{Notice("joe", "Topiclock in ^B#garden^B has been turned ^Bon^B!"),
                     ":ChanServ TOPIC #garden :" + topic,
                     ChannelAudit("joe", "#garden", "SET #garden tlock on [Success]")}));
    auto slot = services.channels.FindNetChannel("#garden");
    ASSERT_TRUE(slot);
    EXPECT_EQ(services.channels.At(*slot).topic, topic);
    EXPECT_EQ(Say("joe", "set #garden tlock no"),
              (Lines{Notice("joe", "Topiclock in ^B#garden^B has been turned ^Boff^B!"),
                     ChannelAudit("joe", "#garden", "SET #garden tlock no [Success]")}));
    EXPECT_EQ(Say("joe", "set #garden greet Hello \x02there\x02!"),
              (Lines{Notice("joe", "Greeting in ^B#garden^B has been changed to: Hello ^Bthere^B!"),
                     ChannelAudit("joe", "#garden", "SET #garden greet Hello ^Bthere^B! [Success]")}));
    // A switch takes one word.
    EXPECT_EQ(Say("joe", "set #garden autogreet on please"),
              (Lines{Notice("joe", "Autogreet in ^B#garden^B has been turned ^Bon^B!"),
                     ChannelAudit("joe", "#garden", "SET #garden autogreet on [Success]")}));
    const std::string stored = "#garden chanpw1 joe joe@example.org (About #garden) [ntk key] [" + topic +
                               "] {Hello \x02there\x02!} 12/6/2026 0 0 1\r\n";
    EXPECT_EQ(ChannelFile(), stored);

    // Refusals change nothing.
    const Lines badSyntax = {
        Notice("joe", "Syntax Error: /msg ChanServ set <#channel> <mode/topic/tlock/mlock/greet/greetstatus> [parms]"),
        ChannelAudit("joe", "#garden", "SET [Failed (invalid syntax)]")};
    EXPECT_EQ(Say("joe", "set #garden topic"), badSyntax);
    EXPECT_EQ(Say("joe", "set #garden colour red"), badSyntax);
    EXPECT_EQ(Say("joe", "set #garden mlock"), badSyntax);
    EXPECT_EQ(Say("joe", "set"),
              (Lines{Notice("joe", "Syntax Error: /msg ChanServ set <#channel> <mode/topic/mlock/tlock/greet/autogreet> "
                                   "[parms]")}));
    EXPECT_EQ(Say("joe", "set garden topic x"),
              (Lines{Notice("joe", "Syntax Error: /msg ChanServ set <#channel> <action> [parms]"),
                     ChannelAudit("joe", "garden", "SET [Failed (invalid channel name)]")}));
    EXPECT_EQ(Say("joe", "set #nowhere topic x"),
              (Lines{Notice("joe", "That channel (^B#nowhere^B) is not currently registered."),
                     ChannelAudit("joe", "#nowhere", "SET [Failed (channel not registered)]")}));
    EXPECT_EQ(Say("bob", "set #garden topic x"),
              (Lines{Notice("bob", "Your access to ^B#garden^B is to low.  It is currently ^B200^B"),
                     ChannelAudit("bob", "#garden", "SET [Failed (invalid level access)]")}));
    EXPECT_EQ(Say("joe", "set #garden topic a] {b"),
              (Lines{Notice("joe", "^BError^B: The topic cannot contain ^B] {^B."),
                     ChannelAudit("joe", "#garden", "SET [Failed (invalid character)]")}));
    EXPECT_EQ(Say("joe", "set #garden mode nt] [x"),
              (Lines{Notice("joe", "^BError^B: The mode cannot contain ^B] [^B."),
                     ChannelAudit("joe", "#garden", "SET [Failed (invalid character)]")}));
    EXPECT_EQ(Say("joe", "set #garden greet ring\x07ring"),
              (Lines{Notice("joe", "^BError^B: The greeting cannot contain control characters."),
                     ChannelAudit("joe", "#garden", "SET [Failed (invalid character)]")}));
    Connect("ann");
    Tell("NickServ", "ann", "register secret1");
    link.Take();
    Lines notIdentified = NotIdentified("ann");
    notIdentified.push_back(ChannelAudit("ann", "#garden", "SET [Failed (not identified)]"));
    EXPECT_EQ(Say("ann", "set #garden topic mine"), notIdentified);
    EXPECT_EQ(ChannelFile(), stored);

    // The file reads back as written.
    Database().LoadChannelDatabase(true, false);
    ASSERT_NE(Channel("#garden"), nullptr);
    EXPECT_EQ(Channel("#garden")->topic, topic);
    EXPECT_EQ(Channel("#garden")->modes, "ntk key");
    EXPECT_EQ(Channel("#garden")->greet, "Hello \x02there\x02!");
}

TEST_F(ChanServTest, DropPartsTheChannelAndTakesItsAccessEntriesOnlyForItsOwnerWithThePassword) {
    Arrive("joe");
    Arrive("bob");
    RegisterChannel("joe", "#garden");
    RegisterChannel("joe", "#pond");
    AddAccess("joe", "#garden", "bob", 499);

    EXPECT_EQ(Say("joe", "drop #garden"), (Lines{Notice("joe", "Syntax Error: /msg ChanServ drop <#channel> <password>")}));
    EXPECT_EQ(Say("bob", "drop #garden chanpw1"),
              (Lines{Notice("bob", "You must be the owner of ^B#garden^B."),
                     ChannelAudit("bob", "#garden", "DROP [Failed (not owner)]")}));
    EXPECT_EQ(Say("joe", "drop #nowhere chanpw1"),
              (Lines{Notice("joe", "That channel (^B#nowhere^B) is not currently registered."),
                     ChannelAudit("joe", "#nowhere", "DROP [Failed (channel not registered)]")}));
    EXPECT_EQ(Say("joe", "drop #garden CHANPW1"),
              (Lines{Notice("joe", "Invalid password for ^B#garden^B."),
                     ChannelAudit("joe", "#garden", "DROP [Failed (invalid password)]")}));
    ASSERT_NE(Channel("#garden"), nullptr);

    EXPECT_EQ(Say("joe", "drop #Garden chanpw1"),
              (Lines{":ChanServ PART #Garden",
                     // ChanServ was the last one in it.
                     ":OperServ PRIVMSG #nb.netinfo :" + test::Wire("[^B9:07:15 PM^B] ^B#garden^B has become empty, "
                                                                    "removing it."),
                     ChannelAudit("joe", "#Garden", "DROP #Garden ****** [Success]"),
                     Notice("joe", "Successfully dropped ^B#Garden^B!")}));
    EXPECT_EQ(Channel("#garden"), nullptr);
    EXPECT_EQ(LevelOf("#garden", "bob"), 0);
    EXPECT_EQ(MemberOf(services.channels, "#garden", "ChanServ"), nullptr);
    EXPECT_EQ(ChannelFile(), ChannelLine("#pond", "joe"));
    EXPECT_EQ(AccessFile(), "#pond joe " + kHosts + " 500\r\n");

    // Drop has no NickServ gate: an operator with override and no entry counts as the owner.
    Connect("oper");
    User("oper").override = true;
    EXPECT_EQ(Say("oper", "drop #pond chanpw1").back(), Notice("oper", "Successfully dropped ^B#pond^B!"));
    EXPECT_EQ(ChannelFile(), "");
    EXPECT_EQ(AccessFile(), "");
}

TEST_F(ChanServTest, OpDeopAndKickNeedTheSendersOwnEntryAtLevel200) {
    for (const char* nick : {"joe", "bob", "vic"}) Arrive(nick);
    RegisterChannel("joe", "#garden");
    AddAccess("joe", "#garden", "bob", 200);
    AddAccess("joe", "#garden", "vic", 100);
    Receive(":vic JOIN #garden");
    Receive(":bob JOIN #garden");
    link.Take();

    EXPECT_EQ(Say("joe", "op #garden vic"), (Lines{":services.localhost MODE #garden +o vic",
                                                  ChannelAudit("joe", "#garden", "OP vic [Success]")}));
    ASSERT_NE(MemberOf(services.channels, "#garden", "vic"), nullptr);
    EXPECT_TRUE(MemberOf(services.channels, "#garden", "vic")->op);
    EXPECT_EQ(Say("bob", "DEOP #garden vic"), (Lines{":services.localhost MODE #garden -o vic",
                                                    ChannelAudit("bob", "#garden", "DEOP vic [Success]")}));
    EXPECT_FALSE(MemberOf(services.channels, "#garden", "vic")->op);
    EXPECT_EQ(Say("bob", "kick #garden vic"), (Lines{":ChanServ KICK #garden vic :You are not wanted!",
                                                    ChannelAudit("bob", "#garden", "KICK vic [Success]")}));
    EXPECT_EQ(MemberOf(services.channels, "#garden", "vic"), nullptr);
    EXPECT_EQ(Say("joe", "kick #garden bob Go away now"),
              (Lines{":ChanServ KICK #garden bob :Go away now", ChannelAudit("joe", "#garden", "KICK bob [Success]")}));
    EXPECT_EQ(MemberOf(services.channels, "#garden", "bob"), nullptr);

    EXPECT_EQ(Say("vic", "kick #garden joe"), (Lines{Notice("vic", "^BError^B: Your access level is too low."),
                                                    ChannelAudit("vic", "#garden", "KICK [Failed (access level too low)]")}));
    EXPECT_EQ(Say("joe", "kick #nowhere bob"),
              (Lines{Notice("joe", "^BError^B: ^B#nowhere^B isn't a registered channel."),
                     ChannelAudit("joe", "#nowhere", "KICK [Failed (channel not registered)]")}));
    // Only an entry of one's own counts: override gives none.
    Connect("oper");
    User("oper").override = true;
    EXPECT_EQ(Say("oper", "op #garden oper"),
              (Lines{Notice("oper", "^BError^B: You do not have access to ^B#garden^B."),
                     ChannelAudit("oper", "#garden", "OP [Failed (no access)]")}));
    // From a host the entry does not know, and not identified with NickServ.
    Receive(":bob QUIT :back soon");
    Connect("bob", "other", "elsewhere.net");
    EXPECT_EQ(Say("bob", "op #garden bob"),
              (Lines{Notice("bob", "^BError^B: You do not have access to ^B#garden^B."),
                     ChannelAudit("bob", "#garden", "OP [Failed (hosts do not match)]")}));
    EXPECT_EQ(Say("bob", "op #garden"), (Lines{Notice("bob", "Syntax Error: /msg ChanServ op <#channel> <nick>")}));
    EXPECT_EQ(Say("bob", "deop"), (Lines{Notice("bob", "Syntax Error: /msg ChanServ deop <#channel> <nick>")}));
    EXPECT_EQ(Say("bob", "kick #garden"),
              (Lines{Notice("bob", "Syntax Error: /msg ChanServ kick <#channel> <nick> <reason>")}));
}

TEST_F(ChanServTest, IdentMakesTheFounderOwnerAndOthersCoOwnersAndAChannelSaveEndsTheFounders) {
    for (const char* nick : {"joe", "ann", "bo", "cy"}) Arrive(nick);
    RegisterChannel("joe", "#garden");
    RegisterChannel("cy", "#pond");
    AddAccess("joe", "#garden", "ann", 100);

    EXPECT_EQ(Say("ann", "ident #garden chanpw1"),
              (Lines{Notice("ann", "You have successfully identified with ^B#garden^B as a co-owner, giving you level "
                                   "499."),
                     ChannelAudit("ann", "#garden", "IDENT ****** [Success]")}));
    EXPECT_EQ(Say("bo", "IDENT #GARDEN chanpw1"),
              (Lines{Notice("bo", "You have successfully identified with ^B#GARDEN^B as a co-owner, giving you level "
                                  "499."),
                     ChannelAudit("bo", "#GARDEN", "IDENT ****** [Success]")}));
    ASSERT_NE(Channel("#garden"), nullptr);
    EXPECT_EQ(Channel("#garden")->coOwners, (std::vector<std::string>{"ann", "bo"}));
    EXPECT_EQ(LevelOf("#garden", "ann"), 499);

    EXPECT_EQ(Say("joe", "ident #garden wrong"),
              (Lines{Notice("joe", "Invalid password for ^B#garden^B."),
                     ChannelAudit("joe", "#garden", "IDENT ****** [Failed (invalid password)]")}));
    EXPECT_EQ(Say("joe", "ident garden chanpw1"),
              (Lines{Notice("joe", "Syntax Error: /msg ChanServ ident <#channel> <password>"),
                     ChannelAudit("joe", "garden", "IDENT ****** [Failed (invalid channel name)]")}));
    EXPECT_EQ(Say("joe", "ident #nowhere chanpw1"),
              (Lines{Notice("joe", "That channel (^B#nowhere^B) is not currently registered."),
                     ChannelAudit("joe", "#nowhere", "IDENT ****** [Failed (channel not registered)]")}));

    // The founder's entry stops knowing his host, so only ident gives him 500.
    for (const char* slot : {"1", "2", "3"}) Tell("NickServ", "joe", std::string("access add ") + slot + " *x@nowhere");
    EXPECT_EQ(Say("joe", "ident #garden chanpw1"),
              (Lines{Notice("joe", "You have successfully identified with ^B#garden^B as the owner of the channel "
                                   "giving you level 500."),
                     ChannelAudit("joe", "#garden", "IDENT ****** [Success]")}));
    Tell("NickServ", "joe", "identify wrong1");
    EXPECT_FALSE(services.nickServ.IsNickIdentified("joe"));
    EXPECT_EQ(LevelOf("#garden", "joe"), 500);
    // Any write of the channel file ends it, whoever's change it was; co-owners stay.
    EXPECT_EQ(Say("cy", "set #pond topic Fish").back(), ChannelAudit("cy", "#pond", "SET #pond topic Fish [Success]"));
    EXPECT_EQ(LevelOf("#garden", "joe"), 0);
    EXPECT_EQ(LevelOf("#garden", "ann"), 499);
    EXPECT_EQ(Say("joe", "drop #garden chanpw1").front(), Notice("joe", "You must be the owner of ^B#garden^B."));

    Lines notIdentified = NotIdentified("joe");
    notIdentified.push_back(ChannelAudit("joe", "#garden", "IDENT ****** [Failed (not identified)]"));
    EXPECT_EQ(Say("joe", "ident #garden chanpw1"), notIdentified);
}

TEST_F(ChanServTest, AChangeThatCannotBeWrittenIsAnsweredAsAFailureInPlaceOfAllItSaid) {
    Arrive("joe");
    Arrive("bob");
    RegisterChannel("joe", "#garden");
    const std::string channels = ChannelFile();
    const std::string access = AccessFile();
    auto refused = [](const std::string& nick, const std::string& channel, const std::string& audit) {
        return Lines{Notice(nick, "^BError^B: The channel database could not be written, please try again later."),
                     ChannelAudit(nick, channel, audit + " [Failed (database not written)]")};
    };
    // A folder where the temporary file must go: no write can succeed, even for root.
    const std::filesystem::path blockChannels = dir.Path() / "data/ChanServ/ChanServ.nb2.tmp";
    const std::filesystem::path blockAccess = dir.Path() / "data/ChanServ/Access.nb2.tmp";

    std::filesystem::create_directory(blockChannels);
    // No JOIN and no MODE either: the channel is not registered.
    EXPECT_EQ(Say("joe", "register #pond pondpw joe@example.org Fish"), refused("joe", "#pond", "REGISTER"));
    EXPECT_EQ(Channel("#pond"), nullptr);
    EXPECT_EQ(Say("joe", "set #garden topic Hello"), refused("joe", "#garden", "SET"));
    EXPECT_EQ(Channel("#garden")->topic, "Not set!");
    EXPECT_EQ(Say("joe", "drop #garden chanpw1"), refused("joe", "#garden", "DROP"));
    EXPECT_NE(Channel("#garden"), nullptr);
    EXPECT_EQ(LevelOf("#garden", "joe"), 500);
    EXPECT_EQ(ChannelFile(), channels);
    // Nor did the founder's entry of the refused registration stay in the access file.
    EXPECT_EQ(AccessFile(), access);
    ASSERT_FALSE(console.messages.empty());
    EXPECT_EQ(console.messages.back().rfind("NBII - Data files: Cannot write ", 0), 0u);
    std::filesystem::remove(blockChannels);

    std::filesystem::create_directory(blockAccess);
    EXPECT_EQ(Say("joe", "access #garden add bob 100"), refused("joe", "#garden", "ACCESS"));
    EXPECT_EQ(LevelOf("#garden", "bob"), 0);
    // A channel whose founder's entry could not be stored is no registration.
    EXPECT_EQ(Say("joe", "register #pond pondpw joe@example.org Fish"), refused("joe", "#pond", "REGISTER"));
    EXPECT_EQ(Channel("#pond"), nullptr);
    EXPECT_EQ(ChannelFile(), channels);
    EXPECT_EQ(AccessFile(), access);
    std::filesystem::remove(blockAccess);

    EXPECT_EQ(Say("joe", "access #garden add bob 100").back(),
              ChannelAudit("joe", "#garden", "ACCESS #garden add bob 100 [Success]"));
    EXPECT_EQ(LevelOf("#garden", "bob"), 100);
}

TEST_F(ChanServTest, TheDispatcherAnswersUnknownCommandsRunsHelpAndKeepsPasswordsOutOfTheDebugLog) {
    Arrive("joe");
    EXPECT_EQ(Say("joe", "hello there"),
              (Lines{Notice("joe", "^BError^B: Unknown command.  Please type: /msg ChanServ help"),
                     Audit("joe", "hello [Failed (unknown command)]")}));
    std::filesystem::create_directories(dir.Path() / "data/help/chanserv");
    std::ofstream(dir.Path() / "data/help/chanserv/register.nb2") << "Syntax: /msg $csnick REGISTER <#channel>\r\n";
    EXPECT_EQ(Say("joe", "help register"), (Lines{Notice("joe", "Syntax: /msg ChanServ REGISTER <#channel>"),
                                                  Audit("joe", "HELP [Success]")}));
    // Answered the way the user wants to be answered; the NickServ gate too.
    Tell("NickServ", "joe", "set reach privmsg");
    EXPECT_EQ(Say("joe", "info #none").front(), Privmsg("joe", "That channel (^B#none^B) is not currently registered."));
    Connect("ann");
    User("ann").replyType = ReplyType::Privmsg;
    EXPECT_EQ(Say("ann", "access #none list").front(),
              test::Privmsg("NickServ", "ann", "^BError^B: Please identify with NickServ first."));

    Say("joe", "register #garden Chan-Secret-1 joe@example.org About it");
    Say("joe", "ident #garden Ident-Secret-2");
    Say("joe", "drop #garden Drop-Secret-3");
    std::string debug = ReadFile("debug.nb2");
    for (const char* secret : {"Chan-Secret-1", "Ident-Secret-2", "Drop-Secret-3"})
        EXPECT_EQ(debug.find(secret), std::string::npos) << secret;
    EXPECT_NE(debug.find("] :joe PRIVMSG ChanServ :register #garden ****** joe@example.org About it\r\n"),
              std::string::npos);
    EXPECT_NE(debug.find("] :joe PRIVMSG ChanServ :ident #garden ******\r\n"), std::string::npos);
    EXPECT_NE(debug.find("] :joe PRIVMSG ChanServ :drop #garden ******\r\n"), std::string::npos);
}

}  // namespace
}  // namespace nb
