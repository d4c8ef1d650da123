// The ngIRCd dialect: what our classic lines become on the wire and what ngIRCd's lines become
// for the services, with the state the map keeps (tokens, members, our clients' channels).
#include <gtest/gtest.h>

#include <algorithm>

#include "link/ngircd_dialect.h"

namespace nb {
namespace {

using Lines = std::vector<std::string>;

// '>' a line from ngIRCd and the classic lines it becomes; '<' a classic line of ours and what
// goes to ngIRCd; 'i' and 'o' the same without a check.
struct Step {
    char kind;
    std::string line;
    Lines expected = {};
};

// A fresh link to "irc.example" that has sent its own SERVER line and a leaf behind it.
struct NgircdLink : ::testing::Test {
    NgircdLink() {
        dialect.Reset({"services.example", "secret", "Nimbral"});
        Run({{'i', ":irc.example SERVER irc.example 1 :Hub"}, {'i', ":irc.example SERVER leaf.example 2 2 :Leaf"}});
    }
    Lines In(const std::string& wire) {
        Lines classic;
        if (auto line = ParseIrcLine(wire))
            for (const IrcLine& mapped : dialect.FromWire(*line)) classic.push_back(mapped.text);
        return classic;
    }
    void Run(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            Lines got = step.kind == '<' || step.kind == 'o' ? dialect.ToWire(step.line) : In(step.line);
            if (step.kind == '<' || step.kind == '>') {
                EXPECT_EQ(got, step.expected) << step.line;
            }
        }
    }
    static Step User(const std::string& nick, const std::string& token) {
        return {'i', ":irc.example NICK " + nick + " 1 ~" + nick + " host.example " + token + " + :" + nick};
    }
    static Step Ours(const std::string& nick) { return {'o', "NICK " + nick + " 1 10 x services.example services.example :x"}; }
    NgircdDialect dialect;
};

TEST_F(NgircdLink, OurLinesBecomeWhatNgircdAccepts) {
    Run({{'<', "PASS secret", {"PASS secret 0210-IRC+ NimbralII|4.3:C"}},
         {'<', "PASS ", {"PASS "}},  // no IRC+ form exists without a password
         {'<', "SERVER services.example 1 : Nimbral (NBII 4.3)", {"SERVER services.example 1 : Nimbral (NBII 4.3)"}},
         {'<', "NICK NickServ 1 10 NickServ services.example services.example :Nimbral NickServ",
          {":services.example NICK NickServ 1 NickServ services.example 1 + :Nimbral NickServ"}},
         {'<', ":NickServ SVSMODE NickServ +oOwghsSkaAcfbWZiqQ", {":NickServ MODE NickServ +owiq"}},
         {'<', ":services.example SVSMODE Bot +iB-ao", {":Bot MODE Bot +i-o"}},
         {'<', ":services.example SVSMODE Bot +ZQ", {}},
         {'<', ":services.example SVSNICK joe Guest1234 * ", {":services.example SVSNICK joe Guest1234"}},
         {'<', ":ChanServ TOPIC #a ChanServ 12345 :new topic", {":ChanServ TOPIC #a :new topic"}},
         {'<', ":ChanServ MODE #a :nt", {":ChanServ MODE #a +nt"}},
         {'<', ":ChanServ MODE #a -ntsimklp ", {":ChanServ MODE #a -ntsimklp"}},
         {'<', ":OperServ JOIN #a,#b", {":OperServ JOIN #a", ":OperServ JOIN #b"}},
         {'<', ":services.example SQUIT far.example", {":services.example SQUIT far.example :"}},
         {'<', ":NickServ PONG :irc.example", {}},
         {'<', ":services.example PONG :irc.example", {":services.example PONG services.example :irc.example"}},
         // ChanServ's entry enforcement, locks and self-protection in the forms ngIRCd obeys.
         {'<', ":services.example MODE #a +b *ann@*.example.org", {":services.example MODE #a +b *!*ann@*.example.org"}},
         {'<', ":services.example MODE #a +b *ann@10.1.2.*", {":services.example MODE #a +b *!*ann@10.1.2.*"}},
         {'<', ":OperServ MODE #a -b+e *x@h *y@h", {":OperServ MODE #a -b+e *!*x@h *!*y@h"}},
         {'<', ":OperServ MODE #a +kbI key x@h y@h", {":OperServ MODE #a +kbI key *!x@h *!y@h"}},
         {'<', ":OperServ MODE #a +lbo 5 x@h ann", {":OperServ MODE #a +lbo 5 *!x@h ann"}},
         {'<', ":OperServ MODE #a -lb x@h", {":OperServ MODE #a -lb *!x@h"}},
         {'<', ":ChanServ MODE #a :ntk key", {":ChanServ MODE #a +ntk key"}}});
    // Lines both sides share go through unchanged: among them OperServ's kill, mode, invite,
    // wallops and die, and whole masks, a nick mask and a key that looks like a mask.
    for (const char* line : {":NickServ NOTICE joe :Hello", ":ChanServ KICK #a joe :bye", ":OperServ INVITE joe #a",
                             ":services.example 351 joe :Nimbral II v4.3", ":services.example WALLOPS :up", ":NickServ KILL joe :Ghost",
                             ":ChanServ TOPIC #a :", ":services.example MODE #a +oo ann bob", ":services.example KILL joe :(^Bboss^B) out",
                             ":services.example MODE #a -o ann", ":ChanServ INVITE boss #a", ":OperServ WALLOPS :*** boss used MASSOP on #a",
                             ":ChanServ QUIT :Terminated by: boss (x)", ":services.example SQUIT services.example :Terminated",
                             ":services.example PING :services.example", ":OperServ MODE #a +b joe!*@h", ":OperServ MODE #a +b joe",
                             ":OperServ MODE #a +k a@b", ":OperServ MODE #a +b", ":ChanServ MODE #a -ntsimklp secret",
                             ":ChanServ MODE #a -o ann", ":ChanServ JOIN #a"})
        Run({{'<', line, {line}}});
}

TEST_F(NgircdLink, NgircdsLinesBecomeTheClassicForms) {
    Run({{'>', ":joe PRIVMSG NickServ :identify pw", {":joe PRIVMSG NickServ :identify pw"}},
         {'>', ":joe TOPIC #a :hi", {":joe TOPIC #a :hi"}},
         {'>', "ERROR :Ping timeout", {"ERROR :Ping timeout"}},
         // Introductions name the server of their token; tokens are the uplink's, not the prefix's.
         {'>', ":irc.example NICK ann 1 ~ann a.example 1 +ow :Ann A", {"NICK ann 1 0 ~ann a.example irc.example :Ann A"}},
         {'>', ":irc.example NICK bob 2 ~bob b.example 2 + :Bob", {"NICK bob 2 0 ~bob b.example leaf.example :Bob"}},
         {'>', ":leaf.example NICK cid 2 c c.example 1 + :C", {"NICK cid 2 0 c c.example irc.example :C"}},
         {'>', ":leaf.example NICK dee 3 d d.example 9 + :D", {"NICK dee 3 0 d d.example leaf.example :D"}},
         {'>', ":ann NICK :anna", {":ann NICK anna"}},
         // NJOIN gives every member a JOIN and each status a MODE.
         {'>', ":irc.example NJOIN #a :@+bob,ann,+cid,%dee,@eve",
          {":bob JOIN #a", ":irc.example MODE #a +o bob", ":irc.example MODE #a +v bob", ":ann JOIN #a", ":cid JOIN #a",
           ":irc.example MODE #a +v cid", ":dee JOIN #a", ":irc.example MODE #a +h dee", ":eve JOIN #a", ":irc.example MODE #a +o eve"}},
         {'>', ":irc.example NJOIN #b :solo,@", {":solo JOIN #b"}},  // a status without a nick is no member
         {'>', ":bob JOIN #c\x07ov", {":bob JOIN #c", ":leaf.example MODE #c +o bob", ":leaf.example MODE #c +v bob"}},
         {'>', ":ann JOIN #c,#d", {":ann JOIN #c", ":ann JOIN #d"}},
         {'>', ":ann JOIN 0", {}},
         {'>', ":ann PART #c,#d :bye now", {":ann PART #c :bye now", ":ann PART #d :bye now"}},
         {'>', ":ann PART #c", {":ann PART #c"}},
         {'>', ":ann SQUERY NickServ :help", {":ann PRIVMSG NickServ :help"}},
         {'>', ":ann VERSION services.example", {":ann VERSION :services.example"}},
         {'>', ":ann STATS u services.example", {":ann STATS u :services.example"}},
         {'>', ":ann MODE #c :+im", {":ann MODE #c +im"}},
         {'>', ":ann MODE ann :+a", {":ann MODE ann :+a"}},
         // Pings are answered to whoever asked.
         {'>', ":irc.example PING :irc.example", {"PING :irc.example"}},
         {'>', "PING :irc.example", {"PING :irc.example"}},
         {'>', ":ann PING tok :services.example", {"PING :tok"}},
         {'<', ":services.example PONG :tok", {":services.example PONG ann :tok"}},
         {'<', ":services.example PONG :tok", {":services.example PONG services.example :tok"}}});
    // Lines only ngIRCd needs are dropped.
    for (const char* line : {":irc.example PASS secret 0210-IRC+ ngIRCd|26.1:CHLMSXZo PZ", ":irc.example PONG x :y",
                             ":irc.example METADATA ann host h.example", ":irc.example WALLOPS :Received SQUIT x",
                             ":irc.example 401 services.example joe :No such nick", "PING x other.example", ""})
        Run({{'>', line, {}}});
}

// In a burst modes and topic come before the members; they follow them, or the channel is unknown.
TEST_F(NgircdLink, ChaninfoBecomesServerModeAndBurstTopicAfterTheMembers) {
    Run({{'>', ":irc.example CHANINFO #a +", {}},
         {'>', ":irc.example CHANINFO #a +nt :Old topic", {}},
         {'>', ":irc.example CHANINFO #a +kl key 50", {}},
         {'>', ":irc.example CHANINFO #a + :Topic here", {}},
         {'>', ":irc.example NJOIN #a :@bob",
          {":bob JOIN #a", ":irc.example MODE #a +o bob", ":irc.example MODE #a +kl key 50", "TOPIC #a irc.example 0 :Topic here"}},
         {'>', ":irc.example CHANINFO #a +lnt * 7 :", {":irc.example MODE #a +lnt 7"}},
         {'>', ":irc.example CHANINFO #a +kl key 50", {":irc.example MODE #a +kl key 50"}},  // no topic in four
         {'>', ":irc.example CHANINFO #a + :just a topic", {"TOPIC #a irc.example 0 :just a topic"}},
         {'>', ":irc.example CHANINFO #b + :held", {}},
         {'>', ":ann JOIN #b", {":ann JOIN #b", "TOPIC #b irc.example 0 :held"}}});
}

// ngIRCd does not echo our kicks: the victim leaves the channel as the kick goes out.
TEST_F(NgircdLink, OurKickTakesTheVictimOutOfTheChannel) {
    Run({Ours("OperServ"), User("ann", "1"), {'i', ":ann JOIN #a"}, {'o', ":OperServ JOIN #a"},
         {'o', ":services.example KICK #a ann :go"},
         {'<', ":OperServ PRIVMSG #a :hi", {":OperServ PRIVMSG #a :hi"}},  // OperServ is still there
         {'o', ":ChanServ KICK #a OperServ :out"},
         {'<', ":OperServ PRIVMSG #a :back", {":OperServ JOIN #a", ":OperServ PRIVMSG #a :back"}},
         // The last member kicked ends the channel: its next burst topic waits for a member again.
         {'i', ":ann JOIN #b"},
         {'>', ":irc.example CHANINFO #b + :shown", {"TOPIC #b irc.example 0 :shown"}},
         {'o', ":services.example KICK #b ann :You are not permitted to be in this channel!"},
         {'>', ":irc.example CHANINFO #b + :held", {}},
         {'>', ":ann JOIN #b", {":ann JOIN #b", "TOPIC #b irc.example 0 :held"}}});
}

TEST_F(NgircdLink, OurClientJoinsAChannelBeforeWritingToIt) {
    Run({Ours("NickServ"), Ours("OperServ"), {'o', ":OperServ JOIN #opers"},
         {'<', ":OperServ PRIVMSG #opers :up", {":OperServ PRIVMSG #opers :up"}},
         {'<', ":NickServ PRIVMSG #log :[joe]", {":NickServ JOIN #log", ":NickServ PRIVMSG #log :[joe]"}},
         {'<', ":NickServ NOTICE #LOG :again", {":NickServ NOTICE #LOG :again"}},
         {'i', ":oper KICK #Log NickServ :out"},
         {'<', ":NickServ PRIVMSG #log :back", {":NickServ JOIN #log", ":NickServ PRIVMSG #log :back"}},
         {'o', ":OperServ PART #opers"},
         {'<', ":OperServ NOTICE #opers :x", {":OperServ JOIN #opers", ":OperServ NOTICE #opers :x"}},
         {'<', ":NickServ NOTICE joe :hi", {":NickServ NOTICE joe :hi"}},
         {'<', ":joe PRIVMSG #log :raw", {":joe PRIVMSG #log :raw"}}});
}

TEST_F(NgircdLink, JupedServersGetTokensOfTheirOwn) {
    Run({{'<', "SERVER bad.example 1 :Juped", {":services.example SERVER bad.example 2 2 :Juped"}},
         {'<', "SERVER worse.example 1 :Juped", {":services.example SERVER worse.example 2 3 :Juped"}},
         {'<', "NICK Fake 1 10 Fake h bad.example :x", {":services.example NICK Fake 1 Fake h 2 + :x"}},
         {'o', ":services.example SQUIT bad.example :gone"},
         {'<', "SERVER bad.example 1 :Again", {":services.example SERVER bad.example 2 4 :Again"}}});
}

TEST_F(NgircdLink, EachDepartureReachesTheServicesOnce) {
    Run({User("ann", "1"), User("bob", "2"), User("cid", "1"),
         // ngIRCd follows the KILL of its own user with that user's QUIT.
         {'>', ":oper KILL ann :KILLed by oper: spam", {":oper KILL ann :KILLed by oper: spam"}},
         {'>', ":ann QUIT :KILLed by oper: spam", {":oper KILL ann :KILLed by oper: spam"}},
         // A user behind the leaf ends with the KILL alone; a later holder of the nick quits normally.
         {'i', ":oper KILL bob :KILLed by oper: x"}, User("eve", "1"), {'i', ":eve NICK :bob"},
         {'>', ":bob QUIT :later", {":bob QUIT :later"}},
         // So does our KILL of a user behind the leaf.
         User("fay", "2"), {'o', ":OperServ KILL fay :(oper) flood"}, User("gus", "1"), {'i', ":gus NICK :fay"},
         {'>', ":fay QUIT :bye", {":fay QUIT :bye"}},
         // Our KILL of a user of the uplink comes back as a QUIT.
         {'o', ":NickServ KILL cid :Ghost command used by: joe"},
         {'>', ":cid QUIT :Ghost command used by: joe", {":NickServ KILL cid :Ghost command used by: joe"}},
         // The old holder of a nick our client took over quits after we introduced ours.
         User("MemoServ", "1"), {'o', ":services.example KILL MemoServ :Nimbral is connecting!"},
         {'o', "NICK MemoServ 1 10 MemoServ services.example services.example :MemoServ"},
         {'>', ":MemoServ QUIT :Nimbral is connecting!", {}},
         {'>', ":dan QUIT", {":dan QUIT :"}},
         // The nick of a client that is gone quits like any other.
         Ours("ChanServ"), Ours("NickServ"), {'o', ":ChanServ QUIT :Terminated"}, {'i', ":oper KILL NickServ :KILLed by oper: x"},
         User("amy", "1"), {'i', ":oper KILL amy :KILLed by oper: y"}});  // its QUIT never came
    for (const char* nick : {"ChanServ", "NickServ", "amy"})
        Run({User(nick, "1"), {'>', ":" + std::string(nick) + " QUIT :bye", {":" + std::string(nick) + " QUIT :bye"}}});
}

TEST_F(NgircdLink, SplitQuitsEveryUserBehindTheLostServer) {
    Run({{'i', ":leaf.example SERVER far.example 3 3 :Behind the leaf"}, User("ann", "1"), User("bob", "2"), User("cid", "3"),
         User("dee", "2"), {'i', ":bob NICK :bobby"},
         {'>', ":leaf.example SQUIT far.example :Far away", {":cid QUIT :leaf.example far.example", "SQUIT far.example :Far away"}},
         {'i', ":leaf.example SERVER far.example 3 3 :Back again"}, User("cid", "3")});
    Lines split = In(":leaf.example SQUIT leaf.example :Server going down");
    std::sort(split.begin(), split.end() - 1);
    EXPECT_EQ(split, (Lines{":bobby QUIT :irc.example leaf.example", ":cid QUIT :irc.example leaf.example",
                            ":dee QUIT :irc.example leaf.example", "SQUIT leaf.example :Server going down"}));
    // The tokens of the lost servers are free again for whatever ngIRCd links next.
    Run({{'i', ":irc.example SERVER new.example 2 2 :New"},
         {'>', ":irc.example NICK dee 2 d h 2 + :D", {"NICK dee 2 0 d h new.example :D"}},
         {'>', "SQUIT services.example :Terminated", {"SQUIT services.example :Terminated"}}});
}

TEST_F(NgircdLink, ResetForgetsThePreviousLink) {
    Run({User("ann", "1"), {'o', "SERVER bad.example 1 :Juped"}});
    dialect.Reset({"nb.example", "secret", "Nimbral"});
    Run({{'>', ":irc.example SQUIT irc.example :x", {"SQUIT irc.example :x"}},
         {'>', ":irc.example NICK bob 2 b h 2 + :B", {"NICK bob 2 0 b h irc.example :B"}},
         {'<', "SERVER bad.example 1 :Juped", {":nb.example SERVER bad.example 2 2 :Juped"}},
         {'<', "SERVER nb.example 1 :Us", {"SERVER nb.example 1 :Us"}}});
}

TEST_F(NgircdLink, ChannelsThatAreGoneAreForgotten) {
    Run({User("ann", "1"), User("bob", "2")});
    for (int i = 0; i < 5000; ++i) {
        std::string channel = "#c" + std::to_string(i);
        Run({{'i', ":ann JOIN " + channel}, {'i', ":irc.example NJOIN " + channel + " :@bob"}, {'i', ":ann PART " + channel},
             {'i', ":irc.example KICK " + channel + " bob :out"}, {'i', ":irc.example CHANINFO #held" + std::to_string(i) + " + :never joined"}});
    }
    Run({{'i', ":ann JOIN #x,#y"}, {'i', ":bob JOIN #y"}, {'i', ":ann QUIT :bye"}});
    EXPECT_LE(dialect.RememberedChannelCount(), 1024u + 1u);
    // A channel that emptied is new again: its next burst topic waits for a member.
    Run({{'>', ":irc.example CHANINFO #x + :again", {}},
         {'>', ":irc.example CHANINFO #y + :kept", {"TOPIC #y irc.example 0 :kept"}},
         {'i', ":leaf.example SQUIT leaf.example :gone"},  // bob was behind the leaf
         {'>', ":irc.example CHANINFO #y + :later", {}}});
}

TEST(MakeDialect, NamesIgnoreLetterCase) {
    EXPECT_NE(dynamic_cast<NgircdDialect*>(MakeDialect("NgIRCd").get()), nullptr);
    EXPECT_NE(dynamic_cast<ClassicDialect*>(MakeDialect("CLASSIC").get()), nullptr);
    EXPECT_EQ(MakeDialect("unreal"), nullptr);
}

}  // namespace
}  // namespace nb
