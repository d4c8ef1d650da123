#include <string>
#include <vector>

#include "support/service_test.h"

namespace nb {
namespace {

using test::Lines;
using test::Notice;
using test::Privmsg;
using test::Wire;

const std::string kKickReason = "You are not permitted to be in this channel!";

RegisteredChannel Channel(const std::string& name) {
    RegisteredChannel record;
    record.name = name;
    record.password = "secret1";
    record.founder = "owner";
    record.email = "owner@example.org";
    record.description = "About " + name;
    record.registeredOn = "12/6/2026";
    return record;
}

struct ChannelEnforcementTest : test::ServiceTest {
    ChannelDatabase& Database() { return services.chanServ.Database(); }
    RegisteredChannel& Registered(const std::string& name) { return *Database().FindRegisteredChannel(name); }

    void Register(const std::string& name) { Database().AddRegisteredChannel(Channel(name)); }
    // The nick's entry recognises it from home.example.org.
    void Allow(const std::string& channel, const std::string& nick, int level) {
        Database().AddAccessEntry({channel, nick, {"", "*!*@home.example.org", ""}, level});
    }
    void Greet(const std::string& channel, const std::string& text, bool on = true) {
        Registered(channel).greet = text;
        Registered(channel).autoGreet = on;
    }

    // What a received line made the services send, the network log left out.
    Lines Sent(const std::string& line) {
        Receive(line);
        Lines kept;
        for (const auto& sent : link.Take())
            if (sent.rfind(":OperServ PRIVMSG #nb.netinfo ", 0) != 0) kept.push_back(sent);
        return kept;
    }
    Lines Join(const std::string& nick, const std::string& channels) {
        return Sent(":" + nick + " JOIN " + channels);
    }

    const NetChannel* Net(const std::string& name) {
        auto slot = services.channels.FindNetChannel(name);
        return slot ? &services.channels.At(*slot) : nullptr;
    }
    bool IsMember(const std::string& channel, const std::string& nick) {
        const NetChannel* net = Net(channel);
        return net != nullptr && net->FindMember(nick) != nullptr;
    }
};

TEST_F(ChannelEnforcementTest, EntryLevelGivesOpVoiceOrBanAndKick) {
    Register("#c");
    struct Case {
        const char* nick;
        int level;
        Lines expected;
    };
    const std::vector<Case> cases = {
        {"boss", 500, {":services.localhost MODE #c +o boss"}},
        {"op", 200, {":services.localhost MODE #c +o op"}},
        {"talker", 199, {":services.localhost MODE #c +v talker"}},
        {"voiced", 100, {":services.localhost MODE #c +v voiced"}},
        {"almost", 99, {}},
        {"known", 50, {}},
        {"two", 2, {}},
        {"zero", 0, {}},
        {"pest", 1,
         {":services.localhost MODE #c +b *pest@*.example.org", ":services.localhost KICK #c pest :" + kKickReason}},
    };
    Connect("bystander");
    Join("bystander", "#c");
    for (const Case& c : cases) {
        Connect(c.nick, c.nick, "home.example.org");
        Allow("#c", c.nick, c.level);
        EXPECT_EQ(Join(c.nick, "#c"), c.expected) << c.nick << " at " << c.level;
    }
    const NetChannel& c = *Net("#c");
    EXPECT_TRUE(c.FindMember("boss")->op);
    EXPECT_TRUE(c.FindMember("op")->op);
    EXPECT_TRUE(c.FindMember("talker")->voice);
    EXPECT_FALSE(c.FindMember("talker")->op);
    EXPECT_FALSE(c.FindMember("known")->op || c.FindMember("known")->voice);

    // Letter case of channel and nick does not matter; the lines name them as the join did.
    Connect("Loud", "loud", "home.example.org");
    Allow("#c", "loud", 300);
    EXPECT_EQ(Join("Loud", "#C"), (Lines{":services.localhost MODE #C +o Loud"}));

    // An unregistered channel, a nick without an entry there, and an entry of another channel.
    Register("#other");
    Allow("#other", "stranger", 500);
    Connect("stranger", "stranger", "home.example.org");
    EXPECT_TRUE(Join("stranger", "#c").empty());
    EXPECT_TRUE(Join("stranger", "#free").empty());
    // A user the online table does not know is left alone.
    EXPECT_TRUE(Join("ghost", "#other").empty());
}

TEST_F(ChannelEnforcementTest, OnlyAMatchingHostOrANickServIdentificationCounts) {
    Register("#c");
    Allow("#c", "ann", 200);
    Connect("ann", "ann", "elsewhere.net");
    EXPECT_TRUE(Join("ann", "#c").empty());
    Sent(":ann PART #c");

    // Identified with NickServ, the same unmatched host is enough.
    RegisterAndIdentify("ann", "secret1");
    EXPECT_EQ(Join("ann", "#c"), (Lines{":services.localhost MODE #c +o ann"}));

    // The channel's founder identification and co-owner level give nothing on entry.
    Allow("#c", "owner", 50);
    Connect("owner", "owner", "elsewhere.net");
    Database().IdentifyFounder(Registered("#c"));
    Connect("helper", "helper", "elsewhere.net");
    Allow("#c", "helper", 50);
    Database().AddCoOwner(Registered("#c"), "helper");
    ASSERT_EQ(Database().GetChannelAccessLevel("#c", User("owner")), 500);
    EXPECT_TRUE(Join("owner", "#c").empty());
    EXPECT_TRUE(Join("helper", "#c").empty());
    // Nor does override without an entry.
    Connect("oper");
    User("oper").override = true;
    EXPECT_TRUE(Join("oper", "#c").empty());
}

TEST_F(ChannelEnforcementTest, AJoinOfSeveralChannelsEnforcesEachThenGreetsEachInOrder) {
    Register("#c");
    Register("#D");
    Greet("#c", "Welcome to c");
    Greet("#D", "Welcome to d");
    Connect("ann", "ann", "home.example.org");
    Allow("#c", "ann", 200);
    Allow("#D", "ann", 150);
    EXPECT_EQ(Join("ann", "#c,#free,#d"), (Lines{
                                              ":services.localhost MODE #c +o ann",
                                              ":services.localhost MODE #d +v ann",
                                              Notice("ChanServ", "ann", "[^B#c^B] Welcome to c"),
                                              Notice("ChanServ", "ann", "[^B#D^B] Welcome to d"),
                                          }));

    // Banned from the first channel, the user is greeted by the second one only.
    Connect("bob", "~bob", "10.1.2.3");
    Database().AddAccessEntry({"#c", "bob", {"*!*bob@10.1.2.*", "", ""}, 1});
    EXPECT_EQ(Join("bob", "#c,#d"), (Lines{
                                        ":services.localhost MODE #c +b *bob@10.1.2.*",
                                        ":services.localhost KICK #c bob :" + kKickReason,
                                        Notice("ChanServ", "bob", "[^B#D^B] Welcome to d"),
                                    }));
}

TEST_F(ChannelEnforcementTest, TheGreetNeedsAutoGreetOnAndAGreetSet) {
    Register("#c");
    Connect("ann");
    Greet("#c", "Not set!", true);
    EXPECT_TRUE(Join("ann", "#c").empty());
    Sent(":ann PART #c");
    Greet("#c", "Hello there", false);
    EXPECT_TRUE(Join("ann", "#c").empty());
    Sent(":ann PART #c");

    // Anyone is greeted, with or without an entry, the way the user wants answers.
    Greet("#c", "Hello there", true);
    EXPECT_EQ(Join("ann", "#C"), (Lines{Notice("ChanServ", "ann", "[^B#c^B] Hello there")}));
    Connect("bob");
    User("bob").replyType = ReplyType::Privmsg;
    EXPECT_EQ(Join("bob", "#c"), (Lines{Privmsg("ChanServ", "bob", "[^B#c^B] Hello there")}));
}

TEST_F(ChannelEnforcementTest, ALevelOneKickTakesTheUserOutOfTheChannelTable) {
    Register("#c");
    Connect("ann");
    Join("ann", "#c");
    Connect("pest", "pest", "home.example.org");
    Allow("#c", "pest", 1);
    EXPECT_EQ(Join("pest", "#c").size(), 2u);
    EXPECT_FALSE(IsMember("#c", "pest"));
    EXPECT_EQ(Net("#c")->Nicks(), (Lines{"ann"}));

    // Alone in the channel, the kick empties it and the channel goes.
    Register("#lonely");
    Allow("#lonely", "pest", 1);
    Receive(":pest JOIN #lonely");
    Lines sent = link.Take();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[2], ":services.localhost KICK #lonely pest :" + kKickReason);
    EXPECT_EQ(sent[3], ":OperServ PRIVMSG #nb.netinfo :" +
                           Wire("[^B9:07:15 PM^B] ^B#lonely^B has become empty, removing it."));
    EXPECT_EQ(Net("#lonely"), nullptr);
    // The user is still on the network, and may come back once the entry changes.
    EXPECT_TRUE(services.users.IsUserOnline("pest"));
    Database().FindAccessEntry("#lonely", "pest")->level = 100;
    EXPECT_EQ(Join("pest", "#lonely"), (Lines{":services.localhost MODE #lonely +v pest"}));
}

TEST_F(ChannelEnforcementTest, TheTopicLockPutsTheKeptTopicBack) {
    Register("#c");
    Registered("#c").topic = "Kept topic";
    Connect("ann");
    Join("ann", "#c");

    EXPECT_TRUE(Sent(":ann TOPIC #c :Free for all").empty());
    EXPECT_EQ(Net("#c")->topic, "Free for all");

    Registered("#c").topicLock = true;
    EXPECT_EQ(Sent(":ann TOPIC #C :Mine now"), (Lines{":ChanServ TOPIC #C :Kept topic"}));
    EXPECT_EQ(Net("#c")->topic, "Kept topic");
    // A burst topic is held to the lock as well.
    EXPECT_EQ(Sent(":irc.example.org TOPIC #c ann 1765055235 :From the burst"),
              (Lines{":ChanServ TOPIC #c :Kept topic"}));

    Join("ann", "#free");
    EXPECT_TRUE(Sent(":ann TOPIC #free :Anything").empty());
}

TEST_F(ChannelEnforcementTest, TheModeLockTakesEveryModeOffAndPutsTheKeptOnesBack) {
    Register("#c");
    Registered("#c").modes = "ntk key";
    Connect("ann");
    Connect("bob");
    Join("ann", "#c");
    Join("bob", "#c");

    EXPECT_TRUE(Sent(":ann MODE #c +i").empty());
    EXPECT_EQ(Net("#c")->modes, "+i");

    Registered("#c").modeLock = true;
    EXPECT_EQ(Sent(":ann MODE #C +k secret"), (Lines{
                                                  ":ChanServ MODE #c -ntsimklp secret",
                                                  ":ChanServ MODE #c :ntk key",
                                              }));
    EXPECT_EQ(Net("#c")->modes, "ntk key");
    EXPECT_EQ(Sent(":ann MODE #c -t"), (Lines{":ChanServ MODE #c -ntsimklp", ":ChanServ MODE #c :ntk key"}));

    // Status and bans never trigger it; neither do servers.
    EXPECT_TRUE(Sent(":ann MODE #c +o bob").empty());
    EXPECT_TRUE(Sent(":ann MODE #c -v bob").empty());
    EXPECT_TRUE(Sent(":ann MODE #c +b *!*@bad.example").empty());
    EXPECT_TRUE(Sent(":ann MODE #c +im+v bob").empty());
    EXPECT_TRUE(Sent(":irc.example.org MODE #c +s").empty());
    EXPECT_TRUE(Net("#c")->FindMember("bob")->op);
    EXPECT_EQ(Net("#c")->modes, "ntk key");

    // No kept modes: everything comes off and nothing is put back.
    Registered("#c").modes = "";
    EXPECT_EQ(Sent(":ann MODE #c +m"), (Lines{":ChanServ MODE #c -ntsimklp"}));
    EXPECT_EQ(Net("#c")->modes, "");

    Join("ann", "#free");
    EXPECT_TRUE(Sent(":ann MODE #free +k x").empty());
}

TEST_F(ChannelEnforcementTest, WhoeverDeopsChanServIsDeoppedOnAnyChannel) {
    Connect("ann");
    Join("ann", "#free");
    services.out.Join("ChanServ", "#free");
    services.out.ServerMode("#free", "+oo", "ChanServ ann");
    link.Take();

    EXPECT_EQ(Sent(":ann MODE #free -o chanserv"), (Lines{
                                                       ":ChanServ MODE #free +o ChanServ",
                                                       ":ChanServ MODE #free -o ann",
                                                   }));
    EXPECT_TRUE(Net("#free")->FindMember("ChanServ")->op);
    EXPECT_FALSE(Net("#free")->FindMember("ann")->op);

    // Other changes of ChanServ or of others are let be.
    EXPECT_TRUE(Sent(":ann MODE #free -o bob").empty());
    EXPECT_TRUE(Sent(":ann MODE #free -v ChanServ").empty());
    EXPECT_TRUE(Sent(":ann MODE #free +o ChanServ").empty());
    EXPECT_TRUE(Sent(":irc.example.org MODE #free -o ChanServ").empty());

    // On a mode-locked channel the lock stays out of it.
    Register("#c");
    Registered("#c").modeLock = true;
    Join("ann", "#c");
    EXPECT_EQ(Sent(":ann MODE #c -o ChanServ"), (Lines{
                                                    ":ChanServ MODE #c +o ChanServ",
                                                    ":ChanServ MODE #c -o ann",
                                                }));

    // A renamed ChanServ protects its own nick.
    services.clients.Get(ServiceId::ChanServ).nick = "Guardian";
    EXPECT_TRUE(Sent(":ann MODE #free -o ChanServ").empty());
    EXPECT_EQ(Sent(":ann MODE #free -o guardian"), (Lines{
                                                       ":Guardian MODE #free +o Guardian",
                                                       ":Guardian MODE #free -o ann",
                                                   }));
}

TEST_F(ChannelEnforcementTest, ASwitchedOffChanServDoesNothing) {
    Register("#c");
    Registered("#c").topicLock = true;
    Registered("#c").modeLock = true;
    Greet("#c", "Hello");
    Connect("boss", "boss", "home.example.org");
    Allow("#c", "boss", 500);
    services.clients.Get(ServiceId::ChanServ).enabled = false;
    EXPECT_TRUE(Join("boss", "#c").empty());
    EXPECT_TRUE(Sent(":boss TOPIC #c :Mine").empty());
    EXPECT_TRUE(Sent(":boss MODE #c +i").empty());
    EXPECT_TRUE(Sent(":boss MODE #c -o ChanServ").empty());
}

}  // namespace
}  // namespace nb
