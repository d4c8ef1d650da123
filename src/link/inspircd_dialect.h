// The InspIRCd dialect: links the services to an InspIRCd 3 (spanning-tree protocol 1205) as a
// U-lined server. The services keep speaking the classic dialect with nicks and server names;
// InspIRCd names users by id (UID, its server's SID and six characters) and servers by SID, so
// this class keeps both maps and rewrites each line at the edge of the link.
//
// Behaviour of InspIRCd that the mapping relies on (seen on a real link with Debian's 3.15):
// - It answers our "CAPAB START" with its CAPAB lines and takes the whole link set-up written
//   at once: CAPAB, SERVER, BURST, our clients, ENDBURST. A BURST clock more than a minute off
//   ends the link. Its own burst comes after our BURST and ends with its ENDBURST.
// - A user mode it has not advertised in CAPAB USERMODES ends the link; a servers' channel mode
//   it does not know is passed over, and so is "-k" without a key.
// - FJOIN, FMODE and FTOPIC carry the channel's timestamp: an older one than the channel's wipes
//   its modes, a newer one is ignored (and an FJOIN's status with it). A topic with the same
//   time as the current one only wins when its text sorts higher.
// - It sends no echo of our lines, except the NICK that follows our SVSNICK.
// - Lines sourced by our clients are obeyed without privilege checks (the server is U-lined).
//
// Outbound, classic -> InspIRCd (<S> our SID, <U> the id of a nick, <cts> the channel's time):
//   "PASS <pw>"                       -> "CAPAB START 1205", "CAPAB CAPABILITIES :PROTOCOL=1205",
//                                        "CAPAB END"
//   "SERVER <N> <hop> :<info>"        -> "SERVER <N> <pw> 0 <S> :<info>", ":<S> BURST <now>",
//                                        ":<S> SINFO version :Nimbral II v4.3" (InspIRCd answers
//                                        VERSION for us from it)
//   "SERVER <jupe> <hop> :<info>"     -> ":<S> SERVER <jupe> <J> :<info>", ":<J> BURST <now>",
//                                        ":<J> ENDBURST", with a new SID J for the jupe
//   "[:<s>] SQUIT <server> [:<why>]"  -> ":<S> SQUIT <SID of server> :<why>"
//   "NICK <n> <hop> <ts> <id> <host> <srv> :<r>"
//                                     -> ":<SID of srv> UID <U> <ts> <n> <host> <host> <id> 0.0.0.0
//                                        <now> + :<r>", U a new id under that SID (the classic
//                                        ts 10 makes our clients win nick collisions)
//   ":<s> SVSMODE <n> <modes>"        -> ":<S> MODE <U> <letters InspIRCd knows, not o or r>" and,
//                                        when +o is asked for, ":<U> OPERTYPE :Services"
//   ":<s> MODE <n> <modes>"           -> ":<S> MODE <U> <known letters>" (a user's modes)
//   ":<s> SVSNICK <old> <new> * "     -> ":<S> SVSNICK <U> <new> <now>"; the nick maps to U at once
//   ":<s> KILL <n> :<why>"            -> ":<s id> KILL <U> :<why>"; nothing for a nick not known
//   ":<c> JOIN #a,#b"                 -> ":<S> FJOIN #a <cts> + :,<U>" for each channel
//   ":<s> MODE #c <modes> <params>"   -> ":<s id> FMODE #c <cts> <modes> <params>", nicks of
//                                        status letters as ids, a mode lock's ":nt" as "+nt"
//   ":<s> TOPIC #c [...] :<text>"     -> ":<s id> FTOPIC #c <cts> <tts> :<text>", tts the later of
//                                        now and one second after the topic we know
//   ":<s> KICK #c <n> :<why>"         -> ":<s id> KICK #c <U> :<why>"
//   ":<s> INVITE <n> #c"              -> ":<s id> INVITE <U> #c <cts>"
//   ":<c> PART #c", ":<c> QUIT :<m>"  -> with <c>'s id as the source
//   ":<s> PRIVMSG|NOTICE <t> :<text>" -> ":<s id> PRIVMSG|NOTICE <t as id, or the channel> :<text>"
//   ":<s> WALLOPS :<text>"            -> ":<s id> WALLOPS :<text>"
//   ":<N> <numeric> <n> :<text>"      -> ":<S> NUM <S> <U> <numeric> :<text>"
//   ":<N> PONG :<token>"              -> ":<S> PONG <token>"; a client's PONG -> nothing
//   ":<N> PING :<N>"                  -> the first of a link closes our burst: ":<S> ENDBURST";
//                                        later ones ":<S> PING <uplink SID>"
//   Until InspIRCd's burst has ended, the lines that carry a channel's time (JOIN, channel
//   MODE, TOPIC, INVITE) wait, in order, and go out after its ENDBURST with the times it sent.
//   A line naming a nick or a source that is not known gives nothing; other lines (an
//   operator's raw line) go unchanged.
//
// Inbound, InspIRCd -> classic:
//   "SERVER <name> <pw> 0 <sid> :<d>" -> "SERVER <name> 1 :<d>" (our uplink)
//   ":<hub> SERVER <name> <sid> [<key>=<value>] :<d>" -> ":<hub name> SERVER <name> 2 :<d>"
//   ":<src> SQUIT <server> :<why>"    -> "SQUIT <server name> :<why>"; its users and the servers
//                                        behind it are forgotten
//   ":<sid> UID <U> <ts> <n> <host> <dhost> <id> <ip> <signon> <modes> [...] :<r>"
//                                     -> "NICK <n> 1 <ts> <id> <dhost> <server of sid> :<r>"
//   ":<U> NICK <new> <ts>"            -> ":<old> NICK <new>"; nothing when U already has that
//                                        nick (the echo of our SVSNICK)
//   ":<sid> SAVE <U> <ts>"            -> ":<old> NICK <U>" (InspIRCd renames the loser so)
//   ":<sid> FJOIN #c <cts> <modes> [<params>] :<status>,<U>[:<m>] ..."
//                                     -> ":<n> JOIN #c" and ":<server> MODE #c +<status> <n>" per
//                                        member, then ":<server> MODE #c <modes> [<params>]"
//                                        when modes are set; <cts> is kept for the channel
//   ":<U> IJOIN #c <m> [<cts> <status>]" -> ":<n> JOIN #c" (and its status as for FJOIN)
//   ":<src> FMODE #c <cts> <modes> <params>" -> ":<src name> MODE #c <modes> <params, ids as nicks>"
//   ":<U> FTOPIC #c <cts> <tts> :<t>" -> ":<n> TOPIC #c :<t>" (a user's change)
//   ":<sid> FTOPIC #c <cts> <tts> <setter> :<t>" -> "TOPIC #c <setter> <tts> :<t>" (a burst topic)
//   ":<U> PART #c [:<why>]", ":<U> QUIT :<m>", ":<src> KICK #c <U> :<why>",
//   ":<src> KILL <U> :<why>", ":<U> PRIVMSG|NOTICE <t> :<text>"
//                                     -> the same with nicks and server names for ids
//   ":<U> STATS <letter> <target>"    -> ":<n> STATS <letter> :<N>" when the target is us
//   ":<sid> PING <S>"                 -> "PING :<sid>"; a PING of another server -> nothing
//   ":<uplink> ENDBURST"              -> "EOS" (the burst's end)
//   "ERROR :<text>"                   -> unchanged
//   CAPAB (its modes are learned), BURST, SINFO, METADATA, OPERTYPE, PONG, VERSION, user MODE,
//   numerics and every other line     -> nothing (free text could pass for a command)
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/text.h"
#include "link/dialect.h"
#include "link/inspircd_modes.h"
#include "link/irc_line.h"

namespace nb {

class InspircdDialect : public Dialect {
public:
    // `now` gives the time in seconds since the epoch; the system clock when empty.
    explicit InspircdDialect(std::function<long long()> now = {});

    void Reset(const LinkIdentity& identity) override;
    std::vector<std::string> ToWire(std::string_view classicLine) override;
    std::vector<IrcLine> FromWire(const IrcLine& wireLine) override;
    std::vector<std::string> TakeWireLines() override;

    // Our server's id: a digit and two letters or digits from the server name.
    static std::string ServerIdOf(std::string_view serverName);

private:
    using Lines = std::vector<std::string>;
    using ClassicLines = std::vector<IrcLine>;

    // Outbound.
    Lines Translate(const IrcLine& line, std::string_view original);
    Lines ServerOut(const IrcLine& line);
    Lines SquitOut(const IrcLine& line);
    Lines NickOut(const IrcLine& line);
    Lines UserModeOut(const IrcLine& line, bool serviceModes);
    Lines SvsnickOut(const IrcLine& line);
    Lines KillOut(const IrcLine& line);
    Lines JoinOut(const IrcLine& line);
    Lines ChannelModeOut(const IrcLine& line);
    Lines TopicOut(const IrcLine& line);
    Lines KickOut(const IrcLine& line);
    Lines InviteOut(const IrcLine& line);
    Lines MessageOut(const IrcLine& line);
    Lines NumericOut(const IrcLine& line);
    Lines PingOut();
    bool WaitsForBurst(const IrcLine& line) const;

    // Inbound.
    ClassicLines ServerIn(const IrcLine& line);
    ClassicLines SquitIn(const IrcLine& line);
    ClassicLines UidIn(const IrcLine& line);
    ClassicLines NickIn(const IrcLine& line);
    ClassicLines SaveIn(const IrcLine& line);
    ClassicLines FjoinIn(const IrcLine& line);
    ClassicLines IjoinIn(const IrcLine& line);
    ClassicLines FmodeIn(const IrcLine& line) const;
    ClassicLines FtopicIn(const IrcLine& line);
    ClassicLines LeaveIn(const IrcLine& line);
    ClassicLines KickIn(const IrcLine& line) const;
    ClassicLines MessageIn(const IrcLine& line) const;
    ClassicLines StatsIn(const IrcLine& line) const;
    ClassicLines PingIn(const IrcLine& line) const;
    ClassicLines EndburstIn(const IrcLine& line);
    void CapabIn(const IrcLine& line);
    // One member of an FJOIN or IJOIN: its JOIN and a MODE per status letter.
    void AddMember(const std::string& channel, const std::string& uid, std::string_view status, ClassicLines& lines) const;

    // Names and ids.
    std::optional<std::string> IdOfSource(const IrcLine& line) const;  // our server, a jupe, a nick
    std::optional<std::string> UidOfNick(const std::string& nick) const;
    std::string NameOf(const std::string& id) const;  // a nick or a server name; the id when unknown
    std::string ServerNameOfUid(const std::string& uid) const;
    std::string NewUid(const std::string& sid);
    std::string NewJupeSid(const std::string& name) const;
    void AddUser(const std::string& uid, const std::string& nick);
    void ForgetUser(const std::string& uid);
    void ForgetServerTree(const std::string& sid);
    long long ChannelTime(const std::string& channel);
    long long Now() const;

    std::function<long long()> now_;
    LinkIdentity identity_;
    std::string sid_;
    std::string uplinkSid_;
    bool uplinkBurstEnded_ = false;
    bool ourBurstEnded_ = false;
    struct Server {
        std::string name;
        std::string hubSid;  // "" for our uplink and for us
    };
    std::map<std::string, Server> servers_;      // SID -> server; ours and the jupes included
    NameIndex<std::string> sidOfServer_;         // server name -> SID
    std::unordered_map<std::string, std::string> nickOfUid_;
    NameIndex<std::string> uidOfNick_;
    long long nextUid_ = 0;
    NameIndex<long long> channelTime_;  // channel -> its creation time as InspIRCd sent it
    NameIndex<long long> topicTime_;    // channel -> the time of its topic
    InspircdModes modes_;
    std::vector<std::string> waiting_;  // classic lines held until InspIRCd's burst has ended
    std::vector<std::string> wireOut_;  // lines for the wire that a received line released
};

}  // namespace nb
