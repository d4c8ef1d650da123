// What the network tables keep that no line shows at once: the announcements of every change,
// members and their status, and what our own actions change (the uplink does not echo them).
#include "network/outbound.h"
#include "support/fixture.h"

namespace nb {
namespace {

// Notes each announcement with what the tables show at that moment.
struct NetworkTest : test::ServiceTest, NetworkEvents {
    NetworkTest() { services.events.Subscribe(*this); }
    const NetChannel& Channel(const std::string& name) { return services.channels.At(*services.channels.FindNetChannel(name)); }
    void Note(const std::string& text) {
        seen.push_back(text + " (" + std::to_string(services.users.Count()) + " users, " +
                       std::to_string(services.channels.Count()) + " channels)");
    }
    void OnLinkUp() override { Note("link up"); }
    void OnUserIntroduced(const std::string& nick) override { Note("introduced " + nick); }
    void OnNickChanged(const std::string& nick, const std::string& oldNick) override { Note(oldNick + " -> " + nick); }
    void OnUserGone(const OnlineUser& user, const std::optional<std::string>& quit) override {
        Note("gone " + user.nick + ": " + quit.value_or("killed") + (services.users.IsUserOnline(user.nick) ? ", online" : ""));
    }
    void OnUserJoined(const std::string& nick, const std::vector<std::string>& channels) override {
        Note("joined " + nick + " " + JoinWords(channels, 0, ","));
    }
    void OnUserParted(const std::string& channel, const std::string& nick) override { Note("parted " + nick + " " + channel); }
    void OnUserKicked(const std::string& channel, const std::string& victim, const std::string& by) override {
        Note("kicked " + victim + " from " + channel + " by " + by);
    }
    void OnTopicChanged(const std::string& channel, const std::string& setter, const std::string& topic) override {
        Note("topic " + channel + " by " + setter + ": " + topic + " / " + Channel(channel).topic.value_or("-"));
    }
    void OnModesChanged(const ModeChange& change) override {
        Note("modes " + change.channel + " by " + change.source + ": " + change.modes + " [" + change.parameters + "]" +
             (change.statusOrBans ? " status" : ""));
    }
    void OnChannelMessage(const std::string& channel, const std::string& nick, const std::string& text) override {
        Note("said " + nick + " in " + channel + ": " + text);
    }
    test::Lines seen;
};

TEST_F(NetworkTest, EveryChangeIsAnnouncedOnceWithTheTablesAlreadyShowingIt) {
    services.OnLinkUp();
    IntroduceUser("joe");
    IntroduceUser("ann");
    for (const char* line : {":joe JOIN #a,#b", ":ann JOIN #a", ":joe TOPIC #a :hello", ":joe MODE #a +nt 1765055235",
                             ":joe MODE #a +o ann", ":ann PRIVMSG #a :hi all", ":joe KICK #a ann :out", ":ann NICK anna",
                             ":joe PART #b :bye", ":anna QUIT :gone", ":irc.example.org KILL joe :flood",
                             ":irc.example.org KILL NickServ :collision"})  // our own client: not gone
        Receive(line);
    EXPECT_EQ(seen, (test::Lines{"link up (0 users, 0 channels)", "introduced joe (5 users, 0 channels)",
                                 "introduced ann (6 users, 0 channels)", "joined joe #a,#b (6 users, 2 channels)",
                                 "joined ann #a (6 users, 2 channels)", "topic #a by joe: hello / hello (6 users, 2 channels)",
                                 "modes #a by joe: +nt [] (6 users, 2 channels)",
                                 "modes #a by joe: +o [ann] status (6 users, 2 channels)",
                                 "said ann in #a: hi all (6 users, 2 channels)",
                                 "kicked ann from #a by joe (6 users, 2 channels)", "ann -> anna (6 users, 2 channels)",
                                 "parted joe #b (6 users, 1 channels)", "gone anna: gone, online (6 users, 1 channels)",
                                 "gone joe: killed, online (5 users, 1 channels)"}));
    EXPECT_FALSE(services.users.IsUserOnline("joe"));
    EXPECT_EQ(services.channels.Count(), 0u);
}

TEST_F(NetworkTest, MembersKeepTheirOrderAndStatusFromSjoinModesAndDepartures) {
    for (const char* nick : {"joe", "ann", "bob", "bobby"}) IntroduceUser(nick);
    Receive(":irc.example.org SJOIN 1765055235 #s +nt :@joe +ann @+bob &*!*@ban.net bobby");
    const NetChannel& s = Channel("#s");
    EXPECT_EQ(s.Nicks(), (test::Lines{"joe", "ann", "bob", "bobby"}));
    EXPECT_TRUE(s.FindMember("joe")->op && !s.FindMember("joe")->voice);
    EXPECT_TRUE(s.FindMember("ANN")->voice && s.FindMember("bob")->op && s.FindMember("bob")->voice);
    // Parameters are taken letter by letter, from servers and users alike.
    Receive(":irc.example.org MODE #s +ov bobby bobby");
    Receive(":joe MODE #s -o+b-v joe *!*@x ann 1765055235");
    Receive(":joe NICK joseph");
    Receive(":joseph MODE #s +o JOSEPH");
    EXPECT_TRUE(s.FindMember("bobby")->op && s.FindMember("bobby")->voice);
    EXPECT_FALSE(s.FindMember("ann")->voice);
    EXPECT_TRUE(s.FindMember("joseph")->op);

    // A departure moves the last user into the freed slot; the members keep their order.
    test::Lines stay = {"joseph", "bob", "bobby"};
    for (int i = 0; i < 40; ++i) {
        IntroduceUser("u" + std::to_string(i));
        Receive(":u" + std::to_string(i) + " JOIN #s");
        if (i % 2 == 0) stay.push_back("u" + std::to_string(i));
    }
    User("u38").operLevel = 300;
    Receive(":ann QUIT :bye");
    for (int i = 1; i < 40; i += 2) Receive(":u" + std::to_string(i) + " QUIT :bye");
    EXPECT_EQ(s.Nicks(), stay);
    EXPECT_EQ(User("U38").operLevel, 300);
    EXPECT_EQ(User("u38").slotIndex, *services.users.FindOnlineUser("u38"));
    EXPECT_FALSE(services.users.FindOnlineUser("u39"));
}

TEST_F(NetworkTest, OurOwnActionsUpdateTheTables) {
    for (const char* nick : {"joe", "ann", "bob"}) IntroduceUser(nick);
    Receive(":ann JOIN #b");
    Receive(":bob JOIN #b");
    Outbound& out = services.out;
    out.Join("ChanServ", "#b");
    out.ServerMode("#b", "+o-o+v", "ChanServ ChanServ ann");
    out.Topic("ChanServ", "#b", "Kept");
    out.RestoreModes("ChanServ", "#b", "ntk key");
    const NetChannel& b = Channel("#b");
    EXPECT_EQ(b.Nicks(), (test::Lines{"ann", "bob", "ChanServ"}));
    EXPECT_FALSE(b.FindMember("chanserv")->op);
    EXPECT_TRUE(b.FindMember("ann")->voice);
    EXPECT_EQ(std::tie(b.topic, b.modes), std::tuple("Kept", "ntk key"));
    out.Kick("ChanServ", "#b", "ann", "bye");
    out.ServerKick("#b", "bob", "go");
    out.ForceNickChange("bob", "Guest1234");
    out.Kill("OperServ", "joe", "(oper) flood");
    EXPECT_EQ(b.Nicks(), test::Lines{"ChanServ"});
    EXPECT_FALSE(services.users.IsUserOnline("joe"));
    EXPECT_EQ(User("guest1234").Mask(), "Guest1234!user@host.example.org");
    out.Part("ChanServ", "#b");
    EXPECT_FALSE(services.channels.ChannelExists("#b"));

    // While the link is down a line is dropped, and logged without its text.
    link.connected = false;
    out.Message("NickServ", ReplyType::Privmsg, "ann", "Your password is now secret1");
    EXPECT_NE(ReadFile("debug.nb2").find("] Link down, not sent: :NickServ PRIVMSG ann\r\n"), std::string::npos);
    EXPECT_EQ(ReadFile("debug.nb2").find("secret1"), std::string::npos);
}

TEST(MakeBanMask, WidensNamesToTheirDomainAndAddressesToTheirNetwork) {
    EXPECT_EQ(MakeBanMask("~joe", "10.1.2.3"), "*joe@10.1.2.*");
    EXPECT_EQ(MakeBanMask("joe", "h.d.t"), "*joe@*.d.t");
    EXPECT_EQ(MakeBanMask("x", "localhost"), "*x@localhost");
    EXPECT_EQ(MakeBanMask("x", "2001db8"), "*x@2001db8");  // not all digits and dots: a name
}

}  // namespace
}  // namespace nb
