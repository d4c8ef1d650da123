#include <gtest/gtest.h>

#include <algorithm>

#include "link/ngircd_dialect.h"

namespace nb {
namespace {

using Lines = std::vector<std::string>;

// A fresh link to "irc.example" that has sent its own SERVER line and a leaf behind it.
class NgircdLink : public ::testing::Test {
protected:
    void SetUp() override {
        dialect.Reset({"services.example", "secret", "Nimbral"});
        In(":irc.example SERVER irc.example 1 :Hub");
        In(":irc.example SERVER leaf.example 2 2 :Leaf");
    }
    Lines Out(std::string_view classic) { return dialect.ToWire(classic); }
    Lines In(std::string_view wire) {
        Lines classic;
        if (auto line = ParseIrcLine(wire)) {
            for (const IrcLine& mapped : dialect.FromWire(*line)) classic.push_back(mapped.text);
        }
        return classic;
    }
    void IntroduceUser(const std::string& nick, const std::string& token) {
        In(":irc.example NICK " + nick + " 1 ~" + nick + " host.example " + token + " + :" + nick);
    }

    NgircdDialect dialect;
};

TEST_F(NgircdLink, HandshakeAnnouncesIrcPlusWithChaninfo) {
    EXPECT_EQ(Out("PASS secret"), Lines{"PASS secret 0210-IRC+ NimbralII|4.3:C"});
    EXPECT_EQ(Out("PASS "), Lines{"PASS "});  // no IRC+ form exists without a password
    EXPECT_EQ(Out("SERVER services.example 1 : Nimbral (NBII 4.3)"),
              Lines{"SERVER services.example 1 : Nimbral (NBII 4.3)"});
}

TEST_F(NgircdLink, ServiceIntroductionGetsPrefixTokenAndUsableModes) {
    EXPECT_EQ(Out("NICK NickServ 1 10 NickServ services.example services.example :Nimbral NickServ"),
              Lines{":services.example NICK NickServ 1 NickServ services.example 1 + :Nimbral NickServ"});
    EXPECT_EQ(Out(":NickServ SVSMODE NickServ +oOwghsSkaAcfbWZiqQ"), Lines{":NickServ MODE NickServ +owiq"});
    EXPECT_EQ(Out(":services.example SVSMODE Bot +iB-ao"), Lines{":Bot MODE Bot +i-o"});
    EXPECT_EQ(Out(":services.example SVSMODE Bot +ZQ"), Lines{});
}

TEST_F(NgircdLink, OutboundLinesRewrittenToWhatNgircdAccepts) {
    const std::vector<std::pair<std::string, Lines>> cases = {
        {":services.example SVSNICK joe Guest1234 * ", {":services.example SVSNICK joe Guest1234"}},
        {":ChanServ TOPIC #a ChanServ 12345 :new topic", {":ChanServ TOPIC #a :new topic"}},
        {":ChanServ TOPIC #a :", {":ChanServ TOPIC #a :"}},
        {":ChanServ MODE #a :nt", {":ChanServ MODE #a +nt"}},
        {":ChanServ MODE #a -ntsimklp ", {":ChanServ MODE #a -ntsimklp"}},
        {":services.example MODE #a +oo ann bob", {":services.example MODE #a +oo ann bob"}},
        {":OperServ JOIN #a,#b", {":OperServ JOIN #a", ":OperServ JOIN #b"}},
        {":services.example SQUIT far.example", {":services.example SQUIT far.example :"}},
        {":NickServ PONG :irc.example", {}},
        {":services.example PONG :irc.example", {":services.example PONG services.example :irc.example"}},
        // OperServ's kill, mode, invite, wallops and die.
        {":services.example KILL joe :(^Bboss^B) out", {":services.example KILL joe :(^Bboss^B) out"}},
        {":services.example MODE #a -o ann", {":services.example MODE #a -o ann"}},
        {":ChanServ INVITE boss #a", {":ChanServ INVITE boss #a"}},
        {":OperServ WALLOPS :*** boss used MASSOP on #a", {":OperServ WALLOPS :*** boss used MASSOP on #a"}},
        {":ChanServ QUIT :Terminated by: boss (x)", {":ChanServ QUIT :Terminated by: boss (x)"}},
        {":services.example SQUIT services.example :Terminated", {":services.example SQUIT services.example :Terminated"}},
        {":services.example PING :services.example", {":services.example PING :services.example"}},
    };
    for (const auto& [classic, wire] : cases) EXPECT_EQ(Out(classic), wire) << classic;
}

// ChanServ's entry enforcement, locks and self-protection in the forms ngIRCd obeys.
TEST_F(NgircdLink, ChannelEnforcementLinesKeepTheirMeaning) {
    const std::vector<std::pair<std::string, Lines>> cases = {
        {":services.example MODE #a +b *ann@*.example.org", {":services.example MODE #a +b *!*ann@*.example.org"}},
        {":services.example MODE #a +b *ann@10.1.2.*", {":services.example MODE #a +b *!*ann@10.1.2.*"}},
        {":OperServ MODE #a -b+e *x@h *y@h", {":OperServ MODE #a -b+e *!*x@h *!*y@h"}},
        {":OperServ MODE #a +kbI key x@h y@h", {":OperServ MODE #a +kbI key *!x@h *!y@h"}},
        {":OperServ MODE #a +lbo 5 x@h ann", {":OperServ MODE #a +lbo 5 *!x@h ann"}},
        {":OperServ MODE #a -lb x@h", {":OperServ MODE #a -lb *!x@h"}},
        // Already whole masks, a nick mask, and a key that looks like a mask stay as they are.
        {":OperServ MODE #a +b joe!*@h", {":OperServ MODE #a +b joe!*@h"}},
        {":OperServ MODE #a +b joe", {":OperServ MODE #a +b joe"}},
        {":OperServ MODE #a +k a@b", {":OperServ MODE #a +k a@b"}},
        {":OperServ MODE #a +b", {":OperServ MODE #a +b"}},
        {":ChanServ MODE #a -ntsimklp secret", {":ChanServ MODE #a -ntsimklp secret"}},
        {":ChanServ MODE #a :ntk key", {":ChanServ MODE #a +ntk key"}},
        {":ChanServ MODE #a -o ann", {":ChanServ MODE #a -o ann"}},
        {":ChanServ JOIN #a", {":ChanServ JOIN #a"}},
    };
    for (const auto& [classic, wire] : cases) EXPECT_EQ(Out(classic), wire) << classic;
}

// ngIRCd does not echo our kicks: the victim leaves the channel as the kick goes out.
TEST_F(NgircdLink, OurKickTakesTheVictimOutOfTheChannel) {
    Out("NICK OperServ 1 10 x services.example services.example :x");
    IntroduceUser("ann", "1");
    In(":ann JOIN #a");
    Out(":OperServ JOIN #a");
    Out(":services.example KICK #a ann :go");
    // OperServ is still there: no JOIN before its message.
    EXPECT_EQ(Out(":OperServ PRIVMSG #a :hi"), Lines{":OperServ PRIVMSG #a :hi"});
    Out(":ChanServ KICK #a OperServ :out");
    EXPECT_EQ(Out(":OperServ PRIVMSG #a :back"), (Lines{":OperServ JOIN #a", ":OperServ PRIVMSG #a :back"}));

    // The last member kicked ends the channel: its next burst topic waits for a member again.
    In(":ann JOIN #b");
    EXPECT_EQ(In(":irc.example CHANINFO #b + :shown"), Lines{"TOPIC #b irc.example 0 :shown"});
    Out(":services.example KICK #b ann :You are not permitted to be in this channel!");
    EXPECT_EQ(In(":irc.example CHANINFO #b + :held"), Lines{});
    EXPECT_EQ(In(":ann JOIN #b"), (Lines{":ann JOIN #b", "TOPIC #b irc.example 0 :held"}));
}

TEST_F(NgircdLink, LinesBothSidesShareGoThroughUnchanged) {
    for (const char* line : {":NickServ NOTICE joe :Hello", ":ChanServ KICK #a joe :bye", ":OperServ INVITE joe #a",
                             ":services.example 351 joe :Nimbral II v4.3", ":services.example WALLOPS :up",
                             ":NickServ KILL joe :Ghost"}) {
        EXPECT_EQ(Out(line), Lines{line});
    }
    EXPECT_EQ(In(":joe PRIVMSG NickServ :identify pw"), Lines{":joe PRIVMSG NickServ :identify pw"});
    EXPECT_EQ(In(":joe TOPIC #a :hi"), Lines{":joe TOPIC #a :hi"});
    EXPECT_EQ(In("ERROR :Ping timeout"), Lines{"ERROR :Ping timeout"});
}

TEST_F(NgircdLink, OurClientJoinsAChannelBeforeWritingToIt) {
    for (const char* service : {"NickServ", "OperServ"})
        Out("NICK " + std::string(service) + " 1 10 x services.example services.example :x");
    Out(":OperServ JOIN #opers");
    EXPECT_EQ(Out(":OperServ PRIVMSG #opers :up"), Lines{":OperServ PRIVMSG #opers :up"});
    EXPECT_EQ(Out(":NickServ PRIVMSG #log :[joe]"), (Lines{":NickServ JOIN #log", ":NickServ PRIVMSG #log :[joe]"}));
    EXPECT_EQ(Out(":NickServ NOTICE #LOG :again"), Lines{":NickServ NOTICE #LOG :again"});
    In(":oper KICK #Log NickServ :out");
    EXPECT_EQ(Out(":NickServ PRIVMSG #log :back"), (Lines{":NickServ JOIN #log", ":NickServ PRIVMSG #log :back"}));
    Out(":OperServ PART #opers");
    EXPECT_EQ(Out(":OperServ NOTICE #opers :x"), (Lines{":OperServ JOIN #opers", ":OperServ NOTICE #opers :x"}));
    EXPECT_EQ(Out(":NickServ NOTICE joe :hi"), Lines{":NickServ NOTICE joe :hi"});
    EXPECT_EQ(Out(":joe PRIVMSG #log :raw"), Lines{":joe PRIVMSG #log :raw"});
}

TEST_F(NgircdLink, JupedServersGetTokensOfTheirOwn) {
    EXPECT_EQ(Out("SERVER bad.example 1 :Juped"), Lines{":services.example SERVER bad.example 2 2 :Juped"});
    EXPECT_EQ(Out("SERVER worse.example 1 :Juped"), Lines{":services.example SERVER worse.example 2 3 :Juped"});
    EXPECT_EQ(Out("NICK Fake 1 10 Fake h bad.example :x"), Lines{":services.example NICK Fake 1 Fake h 2 + :x"});
    Out(":services.example SQUIT bad.example :gone");
    EXPECT_EQ(Out("SERVER bad.example 1 :Again"), Lines{":services.example SERVER bad.example 2 4 :Again"});
}

TEST_F(NgircdLink, IntroductionsNameTheServerOfTheirToken) {
    EXPECT_EQ(In(":irc.example NICK ann 1 ~ann a.example 1 +ow :Ann A"),
              Lines{"NICK ann 1 0 ~ann a.example irc.example :Ann A"});
    EXPECT_EQ(In(":irc.example NICK bob 2 ~bob b.example 2 + :Bob"),
              Lines{"NICK bob 2 0 ~bob b.example leaf.example :Bob"});
    // Tokens are the uplink's: the prefix of a relayed introduction does not decide.
    EXPECT_EQ(In(":leaf.example NICK cid 2 c c.example 1 + :C"), Lines{"NICK cid 2 0 c c.example irc.example :C"});
    EXPECT_EQ(In(":leaf.example NICK dee 3 d d.example 9 + :D"), Lines{"NICK dee 3 0 d d.example leaf.example :D"});
    EXPECT_EQ(In(":ann NICK :anna"), Lines{":ann NICK anna"});
}

TEST_F(NgircdLink, NjoinGivesEveryMemberAJoinAndEachStatusAMode) {
    EXPECT_EQ(In(":irc.example NJOIN #a :@+bob,ann,+cid,%dee,@eve"),
              (Lines{":bob JOIN #a", ":irc.example MODE #a +o bob", ":irc.example MODE #a +v bob", ":ann JOIN #a",
                     ":cid JOIN #a", ":irc.example MODE #a +v cid", ":dee JOIN #a", ":irc.example MODE #a +h dee",
                     ":eve JOIN #a", ":irc.example MODE #a +o eve"}));
    EXPECT_EQ(In(":irc.example NJOIN #b :solo"), Lines{":solo JOIN #b"});
}

TEST_F(NgircdLink, ChaninfoBecomesServerModeAndBurstTopicAfterTheMembers) {
    // In a burst modes and topic come before the members; they follow them, or the channel is
    // unknown. The last of each is kept.
    EXPECT_EQ(In(":irc.example CHANINFO #a +"), Lines{});
    EXPECT_EQ(In(":irc.example CHANINFO #a +nt :Old topic"), Lines{});
    EXPECT_EQ(In(":irc.example CHANINFO #a +kl key 50"), Lines{});
    EXPECT_EQ(In(":irc.example CHANINFO #a + :Topic here"), Lines{});
    EXPECT_EQ(In(":irc.example NJOIN #a :@bob"), (Lines{":bob JOIN #a", ":irc.example MODE #a +o bob",
                                                      ":irc.example MODE #a +kl key 50",
                                                      "TOPIC #a irc.example 0 :Topic here"}));
    EXPECT_EQ(In(":irc.example CHANINFO #a +lnt * 7 :"), Lines{":irc.example MODE #a +lnt 7"});
    EXPECT_EQ(In(":irc.example CHANINFO #a + :just a topic"), Lines{"TOPIC #a irc.example 0 :just a topic"});
    EXPECT_EQ(In(":irc.example CHANINFO #b + :held"), Lines{});
    EXPECT_EQ(In(":ann JOIN #b"), (Lines{":ann JOIN #b", "TOPIC #b irc.example 0 :held"}));
}

TEST_F(NgircdLink, JoinPartAndQueriesReachTheClassicForms) {
    IntroduceUser("bob", "2");
    EXPECT_EQ(In(":bob JOIN #a\x07ov"), (Lines{":bob JOIN #a", ":leaf.example MODE #a +o bob",
                                               ":leaf.example MODE #a +v bob"}));
    EXPECT_EQ(In(":ann JOIN #a,#b"), (Lines{":ann JOIN #a", ":ann JOIN #b"}));
    EXPECT_EQ(In(":ann JOIN 0"), Lines{});
    EXPECT_EQ(In(":ann PART #a,#b :bye now"), (Lines{":ann PART #a :bye now", ":ann PART #b :bye now"}));
    EXPECT_EQ(In(":ann PART #a"), Lines{":ann PART #a"});
    EXPECT_EQ(In(":ann SQUERY NickServ :help"), Lines{":ann PRIVMSG NickServ :help"});
    EXPECT_EQ(In(":ann VERSION services.example"), Lines{":ann VERSION :services.example"});
    EXPECT_EQ(In(":ann STATS u services.example"), Lines{":ann STATS u :services.example"});
    EXPECT_EQ(In(":ann MODE #a :+im"), Lines{":ann MODE #a +im"});
    EXPECT_EQ(In(":ann MODE ann :+a"), Lines{":ann MODE ann :+a"});
}

TEST_F(NgircdLink, LinesOnlyNgircdNeedsAreDropped) {
    for (const char* line : {":irc.example PASS secret 0210-IRC+ ngIRCd|26.1:CHLMSXZo PZ", ":irc.example PONG x :y",
                             ":irc.example METADATA ann host h.example", ":irc.example WALLOPS :Received SQUIT x",
                             ":irc.example 401 services.example joe :No such nick", "PING x other.example", ""}) {
        EXPECT_EQ(In(line), Lines{}) << line;
    }
}

TEST_F(NgircdLink, PingsAreAnsweredToWhoeverAsked) {
    EXPECT_EQ(In(":irc.example PING :irc.example"), Lines{"PING :irc.example"});
    EXPECT_EQ(In("PING :irc.example"), Lines{"PING :irc.example"});
    EXPECT_EQ(In(":ann PING tok :services.example"), Lines{"PING :tok"});
    EXPECT_EQ(Out(":services.example PONG :tok"), Lines{":services.example PONG ann :tok"});
    EXPECT_EQ(Out(":services.example PONG :tok"), Lines{":services.example PONG services.example :tok"});
}

TEST_F(NgircdLink, EachDepartureReachesTheServicesOnce) {
    IntroduceUser("ann", "1");
    IntroduceUser("bob", "2");
    IntroduceUser("cid", "1");
    // ngIRCd follows the KILL of its own user with that user's QUIT.
    EXPECT_EQ(In(":oper KILL ann :KILLed by oper: spam"), Lines{":oper KILL ann :KILLed by oper: spam"});
    EXPECT_EQ(In(":ann QUIT :KILLed by oper: spam"), Lines{":oper KILL ann :KILLed by oper: spam"});
    // A user behind the leaf ends with the KILL alone; a later holder of the nick quits normally.
    In(":oper KILL bob :KILLed by oper: x");
    IntroduceUser("eve", "1");
    In(":eve NICK :bob");
    EXPECT_EQ(In(":bob QUIT :later"), Lines{":bob QUIT :later"});
    // So does our KILL of a user behind the leaf.
    IntroduceUser("fay", "2");
    Out(":OperServ KILL fay :(oper) flood");
    IntroduceUser("gus", "1");
    In(":gus NICK :fay");
    EXPECT_EQ(In(":fay QUIT :bye"), Lines{":fay QUIT :bye"});
    // Our KILL of a user of the uplink comes back as a QUIT.
    Out(":NickServ KILL cid :Ghost command used by: joe");
    EXPECT_EQ(In(":cid QUIT :Ghost command used by: joe"), Lines{":NickServ KILL cid :Ghost command used by: joe"});
    // The old holder of a nick our client took over quits after we introduced ours.
    IntroduceUser("MemoServ", "1");
    Out(":services.example KILL MemoServ :Nimbral is connecting!");
    Out("NICK MemoServ 1 10 MemoServ services.example services.example :MemoServ");
    EXPECT_EQ(In(":MemoServ QUIT :Nimbral is connecting!"), Lines{});
    EXPECT_EQ(In(":dan QUIT"), Lines{":dan QUIT :"});
}

TEST_F(NgircdLink, NickOfAGoneClientQuitsLikeAnyOther) {
    for (const char* service : {"ChanServ", "NickServ"})
        Out("NICK " + std::string(service) + " 1 10 x services.example services.example :x");
    Out(":ChanServ QUIT :Terminated");
    In(":oper KILL NickServ :KILLed by oper: x");
    IntroduceUser("ann", "1");
    In(":oper KILL ann :KILLed by oper: y");  // its QUIT never came
    for (const char* nick : {"ChanServ", "NickServ", "ann"}) {
        IntroduceUser(nick, "1");
        EXPECT_EQ(In(":" + std::string(nick) + " QUIT :bye"), Lines{":" + std::string(nick) + " QUIT :bye"});
    }
}

TEST_F(NgircdLink, SplitQuitsEveryUserBehindTheLostServer) {
    In(":leaf.example SERVER far.example 3 3 :Behind the leaf");
    IntroduceUser("ann", "1");
    IntroduceUser("bob", "2");
    IntroduceUser("cid", "3");
    IntroduceUser("dee", "2");
    In(":bob NICK :bobby");
    EXPECT_EQ(In(":leaf.example SQUIT far.example :Far away"),
              (Lines{":cid QUIT :leaf.example far.example", "SQUIT far.example :Far away"}));
    In(":leaf.example SERVER far.example 3 3 :Back again");
    IntroduceUser("cid", "3");
    Lines split = In(":leaf.example SQUIT leaf.example :Server going down");
    std::sort(split.begin(), split.end() - 1);
    EXPECT_EQ(split, (Lines{":bobby QUIT :irc.example leaf.example", ":cid QUIT :irc.example leaf.example",
                            ":dee QUIT :irc.example leaf.example", "SQUIT leaf.example :Server going down"}));
    // The tokens of the lost servers are free again for whatever ngIRCd links next.
    In(":irc.example SERVER new.example 2 2 :New");
    EXPECT_EQ(In(":irc.example NICK dee 2 d h 2 + :D"), Lines{"NICK dee 2 0 d h new.example :D"});
    EXPECT_EQ(In("SQUIT services.example :Terminated"), Lines{"SQUIT services.example :Terminated"});
}

TEST_F(NgircdLink, ResetForgetsThePreviousLink) {
    IntroduceUser("ann", "1");
    Out("SERVER bad.example 1 :Juped");
    dialect.Reset({"nb.example", "secret", "Nimbral"});
    EXPECT_EQ(In(":irc.example SQUIT irc.example :x"), Lines{"SQUIT irc.example :x"});
    EXPECT_EQ(In(":irc.example NICK bob 2 b h 2 + :B"), Lines{"NICK bob 2 0 b h irc.example :B"});
    EXPECT_EQ(Out("SERVER bad.example 1 :Juped"), Lines{":nb.example SERVER bad.example 2 2 :Juped"});
    EXPECT_EQ(Out("SERVER nb.example 1 :Us"), Lines{"SERVER nb.example 1 :Us"});
}

TEST_F(NgircdLink, ChannelsThatAreGoneAreForgotten) {
    IntroduceUser("ann", "1");
    IntroduceUser("bob", "2");
    for (int i = 0; i < 20000; ++i) {
        std::string channel = "#c" + std::to_string(i);
        In(":ann JOIN " + channel);
        In(":irc.example NJOIN " + channel + " :@bob");
        In(":ann PART " + channel);
        In(":irc.example KICK " + channel + " bob :out");
        In(":irc.example CHANINFO #held" + std::to_string(i) + " + :never joined");
    }
    In(":ann JOIN #x,#y");
    In(":bob JOIN #y");
    In(":ann QUIT :bye");
    EXPECT_LE(dialect.RememberedChannelCount(), 1024u + 1u);
    // A channel that emptied is new again: its next burst topic waits for a member.
    EXPECT_EQ(In(":irc.example CHANINFO #x + :again"), Lines{});
    EXPECT_EQ(In(":irc.example CHANINFO #y + :kept"), Lines{"TOPIC #y irc.example 0 :kept"});
    In(":leaf.example SQUIT leaf.example :gone");  // bob was behind the leaf
    EXPECT_EQ(In(":irc.example CHANINFO #y + :later"), Lines{});
}

TEST(MakeDialect, NamesIgnoreLetterCase) {
    EXPECT_NE(dynamic_cast<NgircdDialect*>(MakeDialect("NgIRCd").get()), nullptr);
    EXPECT_NE(dynamic_cast<ClassicDialect*>(MakeDialect("CLASSIC").get()), nullptr);
    EXPECT_EQ(MakeDialect("unreal"), nullptr);
}

}  // namespace
}  // namespace nb
