// The InspIRCd dialect: what our classic lines become on the wire and what InspIRCd's lines
// become for the services, with the ids, times and modes the map keeps.
#include <gtest/gtest.h>

#include "link/inspircd_dialect.h"

namespace nb {
namespace {

using Lines = std::vector<std::string>;

// '>' a line from InspIRCd and the classic lines it becomes; '<' a classic line of ours and what
// goes to InspIRCd; '=' the lines that the received lines so far have released.
struct Step {
    char kind;
    std::string line;
    Lines expected = {};
};

// Our server "services.example" (id 5QK) at time 1000, linked to irc.example (id 1AB) whose
// burst has brought ann (1ABAAAAAA) and bob (2CDAAAAAB, behind leaf.example) into #a.
struct InspircdLink : ::testing::Test {
    InspircdLink() {
        dialect.Reset({"services.example", "secret", "Nimbral"});
        Run({{'<', "NICK NickServ 1 10 NickServ services.example services.example :NickServ",
              {":5QK UID 5QKAAAAAA 10 NickServ services.example services.example NickServ 0.0.0.0 1000 + :NickServ"}},
             {'>', "SERVER irc.example secret 0 1AB :Hub", {"SERVER irc.example 1 :Hub"}},
             {'>', ":1AB SERVER leaf.example 2CD burst=1 :Leaf", {":irc.example SERVER leaf.example 2 :Leaf"}},
             {'>', ":1AB UID 1ABAAAAAA 900 ann a.host a.cloak ~ann 10.0.0.1 900 +i :Ann A",
              {"NICK ann 1 900 ~ann a.cloak irc.example :Ann A"}},
             {'>', ":2CD UID 2CDAAAAAB 901 bob b.host b.host bob 10.0.0.2 901 +iw :Bob", {"NICK bob 1 901 bob b.host leaf.example :Bob"}},
             {'>', ":1AB FJOIN #a 500 +nt :o,1ABAAAAAA:3 ,2CDAAAAAB:4",
              {":ann JOIN #a", ":irc.example MODE #a +o ann", ":bob JOIN #a", ":irc.example MODE #a +nt"}}});
    }
    Lines In(const std::string& wire) {
        Lines classic;
        if (auto line = ParseIrcLine(wire))
            for (const IrcLine& mapped : dialect.FromWire(*line)) classic.push_back(mapped.text);
        return classic;
    }
    void Run(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            Lines got = step.kind == '<' ? dialect.ToWire(step.line) : step.kind == '>' ? In(step.line) : dialect.TakeWireLines();
            EXPECT_EQ(got, step.expected) << step.kind << " " << step.line;
        }
    }
    void EndBurst() { Run({{'>', ":1AB ENDBURST", {"EOS"}}}); }
    long long now = 1000;
    InspircdDialect dialect{[this] { return now; }};
};

TEST_F(InspircdLink, TheLinkSetUpAndOurBurst) {
    Run({{'<', "PASS secret", {"CAPAB START 1205", "CAPAB CAPABILITIES :PROTOCOL=1205", "CAPAB END"}},
         {'<', "SERVER services.example 1 : Nimbral (NBII 4.3)",
          {"SERVER services.example secret 0 5QK :Nimbral (NBII 4.3)", ":5QK BURST 1000", ":5QK SINFO version :Nimbral II v4.3"}},
         {'<', ":services.example WALLOPS :*** up", {":5QK WALLOPS :*** up"}},
         // Nobody holds the nick of a client we introduce: nothing to kill.
         {'<', ":services.example KILL MemoServ :Nimbral is connecting!", {}},
         {'<', ":NickServ SVSMODE NickServ +oOwghsSkaAcfbWZiqQ", {":5QK MODE 5QKAAAAAA +wi", ":5QKAAAAAA OPERTYPE :Services"}},
         {'<', ":services.example PING :services.example", {":5QK ENDBURST"}},
         {'<', ":services.example PING :services.example", {":5QK PING 1AB"}},
         {'>', ":1AB PING 5QK", {"PING :1AB"}},
         {'>', ":1AB PING 1AB 5QK", {"PING :1AB"}},
         {'<', ":services.example PONG :1AB", {":5QK PONG 1AB"}},
         {'<', ":NickServ PONG :1AB", {}},
         {'>', ":1AB PING 7XY", {}}});
}

TEST_F(InspircdLink, ChannelLinesWaitForTheBurstsTimes) {
    Run({{'<', ":NickServ JOIN #a,#new", {}},
         {'<', ":services.example MODE #a +o NickServ", {}},
         {'<', ":NickServ PRIVMSG #a :hello", {":5QKAAAAAA PRIVMSG #a :hello"}},
         {'=', "", {}}});
    EndBurst();
    Run({{'=', "",
          {":5QK FJOIN #a 500 + :,5QKAAAAAA", ":5QK FJOIN #new 1000 + :,5QKAAAAAA", ":5QK FMODE #a 500 +o 5QKAAAAAA"}},
         {'>', ":2CD ENDBURST", {}},
         {'<', ":NickServ JOIN #b", {":5QK FJOIN #b 1000 + :,5QKAAAAAA"}}});
}

TEST_F(InspircdLink, OurLinesNameIdsAndTimes) {
    EndBurst();
    Run({{'<', ":NickServ NOTICE ann :Hello", {":5QKAAAAAA NOTICE 1ABAAAAAA :Hello"}},
         {'<', ":NickServ PRIVMSG nobody :Hello", {}},
         {'<', ":services.example 242 ann :up", {":5QK NUM 5QK 1ABAAAAAA 242 :up"}},
         {'<', ":services.example SVSNICK ann Guest1234 * ", {":5QK SVSNICK 1ABAAAAAA Guest1234 1000"}},
         {'<', ":NickServ NOTICE Guest1234 :renamed", {":5QKAAAAAA NOTICE 1ABAAAAAA :renamed"}},
         {'>', ":1ABAAAAAA NICK Guest1234 1000", {}},
         {'<', ":services.example KICK #a bob :out", {":5QK KICK #a 2CDAAAAAB :out"}},
         {'<', ":NickServ INVITE bob #a", {":5QKAAAAAA INVITE 2CDAAAAAB #a 500"}},
         {'<', ":NickServ TOPIC #a :Roses", {":5QKAAAAAA FTOPIC #a 500 1000 :Roses"}},
         {'<', ":NickServ TOPIC #a :Again", {":5QKAAAAAA FTOPIC #a 500 1001 :Again"}},
         {'<', ":NickServ MODE #a :ntk key ", {":5QKAAAAAA FMODE #a 500 +ntk key"}},
         {'<', ":NickServ MODE #a -ntsimklp ", {":5QKAAAAAA FMODE #a 500 -ntsimklp *"}},
         {'<', ":services.example MODE #a +ovqb bob nobody x *x@h", {":5QK FMODE #a 500 +ob 2CDAAAAAB *x@h"}},
         {'<', ":services.example MODE bob +iZ", {":5QK MODE 2CDAAAAAB +i"}},
         {'<', ":services.example KILL bob :(boss) away", {":5QK KILL 2CDAAAAAB :(boss) away"}},
         {'<', ":NickServ NOTICE bob :gone", {}},
         {'<', ":NickServ PART #a", {":5QKAAAAAA PART #a"}},
         {'<', ":NickServ QUIT :bye", {":5QKAAAAAA QUIT :bye"}},
         {'<', ":NickServ NOTICE ann :gone", {}}});
}

TEST_F(InspircdLink, AdvertisedModesDecideWhatIsSent) {
    Run({{'>', "CAPAB CHANMODES :list:ban=b param:key=k prefix:30000:op=@o simple:c_registered=r simple:noextmsg=n", {}},
         {'>', "CAPAB USERMODES :param-set:snomask=s simple:bot=B simple:oper=o simple:u_registered=r", {}}});
    EndBurst();
    Run({{'<', ":NickServ MODE #a +ntr", {":5QKAAAAAA FMODE #a 500 +nr"}},
         {'<', ":NickServ SVSMODE NickServ +oBrsi", {":5QK MODE 5QKAAAAAA +B", ":5QKAAAAAA OPERTYPE :Services"}},
         {'<', ":services.example MODE ann +r", {":5QK MODE 1ABAAAAAA +r"}}});
}

TEST_F(InspircdLink, JupesHangOnUsWithIdsOfTheirOwn) {
    Run({{'<', "SERVER juped.example 1 :Juped", {":5QK SERVER juped.example 12P :Juped", ":12P BURST 1000", ":12P ENDBURST"}},
         {'<', "SERVER juped.example 1 :Juped", {}},
         {'<', ":services.example SQUIT juped.example :gone", {":5QK SQUIT 12P :gone"}},
         {'<', ":services.example SQUIT juped.example :gone", {}}});
}

TEST_F(InspircdLink, InspircdsLinesBecomeTheClassicForms) {
    Run({{'>', ":1ABAAAAAA PRIVMSG 5QKAAAAAA :identify pw", {":ann PRIVMSG NickServ :identify pw"}},
         {'>', ":1ABAAAAAA NOTICE #a :hi", {":ann NOTICE #a :hi"}},
         {'>', ":1ABAAAAAA NICK anna 950", {":ann NICK anna"}},
         {'>', ":1AB SAVE 1ABAAAAAA 950", {":anna NICK 1ABAAAAAA"}},
         {'>', ":1ABAAAAAA NICK ann 951", {":1ABAAAAAA NICK ann"}},
         {'>', ":2CDAAAAAB IJOIN #b 7", {":bob JOIN #b"}},
         {'>', ":2CDAAAAAB IJOIN #a 8 500 ov", {":bob JOIN #a", ":leaf.example MODE #a +o bob", ":leaf.example MODE #a +v bob"}},
         {'>', ":1ABAAAAAA FMODE #a 500 +vb 2CDAAAAAB *!*@x", {":ann MODE #a +vb bob *!*@x"}},
         {'>', ":1ABAAAAAA FTOPIC #a 500 1200 :Weeds", {":ann TOPIC #a :Weeds"}},
         {'>', ":1AB FTOPIC #a 500 1300 ann :Burst topic", {"TOPIC #a ann 1300 :Burst topic"}},
         {'>', ":1ABAAAAAA STATS u 5QK", {":ann STATS u :services.example"}},
         {'>', ":1ABAAAAAA STATS u irc.example", {}},
         {'>', ":1ABAAAAAA KICK #a 2CDAAAAAB :off", {":ann KICK #a bob :off"}},
         {'>', ":2CDAAAAAB PART #a :bye", {":bob PART #a :bye"}},
         {'>', ":1ABAAAAAA KILL 2CDAAAAAB :spam", {":ann KILL bob :spam"}},
         {'>', ":1ABAAAAAA QUIT :Quit: later", {":ann QUIT :Quit: later"}},
         {'>', ":1ABAAAAAA PRIVMSG 5QKAAAAAA :after the quit", {}},
         {'>', "ERROR :Closing link", {"ERROR :Closing link"}}});
    // Lines the services have no use for, and free text that could pass for a command.
    for (const char* line : {":1AB BURST 1000", ":1AB SINFO version :InspIRCd-3", ":1AB METADATA 1ABAAAAAA accountname :x",
                             ":1ABAAAAAA OPERTYPE :NetAdmin", ":1AB PONG 5QK", ":1ABAAAAAA VERSION 5QK",
                             ":1AB NUM 1AB 5QKAAAAAA 401 x :No such nick", ":1ABAAAAAA WALLOPS :NICK x 1 2 3 4 5 :y"})
        Run({{'>', line, {}}});
}

TEST_F(InspircdLink, ASplitTakesTheServersBehindAndTheirUsers) {
    Run({{'>', ":2CD SERVER far.example 3EF :Far", {":leaf.example SERVER far.example 2 :Far"}},
         {'>', ":3EF UID 3EFAAAAAC 902 cid c.host c.host cid 10.0.0.3 902 + :C", {"NICK cid 1 902 cid c.host far.example :C"}},
         {'>', ":1AB SQUIT leaf.example :Ping timeout", {"SQUIT leaf.example :Ping timeout"}},
         {'>', ":3EFAAAAAC PRIVMSG 5QKAAAAAA :still here?", {}},
         {'>', ":2CDAAAAAB QUIT :late", {}},
         {'>', ":1ABAAAAAA PRIVMSG 5QKAAAAAA :help", {":ann PRIVMSG NickServ :help"}}});
}

}  // namespace
}  // namespace nb
