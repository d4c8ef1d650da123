// The ngIRCd dialect: links the services to an ngIRCd (IRC+ protocol, RFC 2813 style) as a
// pseudo server. The services keep speaking the classic dialect; this class rewrites each line.
//
// Behaviour of ngIRCd that the mapping relies on (seen on a real link with ngIRCd 26.1):
// - It accepts lines ending in LF alone, and only "PASS <pw> 0210-IRC+ <flags>" makes it speak
//   IRC+ with NICK introductions that carry user modes; the flag "C" asks for CHANINFO.
// - A directly linked server always has the server token 1 on its link, whatever hop count its
//   SERVER line carried; ngIRCd numbers the servers behind it with tokens of its own.
// - Every line from a server link must carry a prefix (a NICK without one gets
//   "ERROR :Prefix missing" and is ignored). Lines sourced by our clients are obeyed without
//   privilege checks: JOIN of a +i channel, MODE, TOPIC and KICK without channel status, KILL.
//   Our server's MODE (+o, +v, +b) and KICK of one channel are obeyed as well. "-k" is taken
//   with any key or none, and modes that are not set are passed over, so a mode lock's
//   "-ntsimklp <parameters>" is safe.
// - It keeps the link alive with "PING :<its name>" and accepts "PONG <name> :<its name>";
//   a PONG whose first parameter names a user is forwarded to that user.
// - It sends no QUIT for the users behind a server that splits, only the SQUIT; a KILL reaches
//   us as the KILL and, when the victim was its own user, as that user's QUIT as well.
// - It refuses a PRIVMSG or NOTICE to a +n channel from anyone outside it, servers and service
//   clients included ("404 Cannot send to channel"), but lets our clients JOIN any channel.
// - A user's JOIN of several channels reaches us as one JOIN per channel.
//
// Outbound, classic -> ngIRCd (<N> our server name, <T> a server token):
//   "PASS <pw>"                                -> "PASS <pw> 0210-IRC+ NimbralII|4.3:C"
//   "SERVER <N> <hop> :<info>"                 -> unchanged (registration; our token is 1)
//   "SERVER <jupe> <hop> :<info>"              -> ":<N> SERVER <jupe> 2 <T> :<info>", with a new
//                                                  token T (2, 3, ...) for every juped name
//   "NICK <n> <hop> <ts> <id> <host> <srv> :<r>" -> ":<N> NICK <n> <hop> <id> <host> <T> + :<r>",
//                                                  T = 1, or the token of a juped <srv>
//   ":<s> SVSMODE <n> <modes>"                 -> ":<n> MODE <n> <modes>" keeping only o, i, w, q
//                                                  (a means away, b blocks private messages,
//                                                  c and s flood the link with notices, and the
//                                                  other letters are unknown); nothing when
//                                                  none is left
//   ":<s> SVSNICK <old> <new> * "              -> ":<s> SVSNICK <old> <new>"
//   ":<s> TOPIC #c [<setter> <ts>] :<text>"    -> ":<s> TOPIC #c :<text>"
//   ":<s> MODE #c :nt "                        -> ":<s> MODE #c +nt": no colon, a sign in front,
//                                                  no trailing blanks; MODE of a nick unchanged
//   ":<s> MODE #c +b <ident>@<host>"           -> ":<s> MODE #c +b *!<ident>@<host>": ngIRCd
//                                                  reads a mask without "!" as a nick (also for
//                                                  -b and for e and I)
//   ":<s> KICK #c <n> :<reason>"               -> unchanged; <n> leaves #c here as well, since
//                                                  ngIRCd does not echo it (nor any of our lines)
//   ":<s> JOIN #a,#b"                          -> one ":<s> JOIN #x" per channel
//   ":<c> PRIVMSG #x :<text>" (also NOTICE)    -> ":<c> JOIN #x" first when <c> is our client and
//                                                  not in #x (as far as its JOIN, PART, KICK show),
//                                                  so that audit lines reach the log channels
//   ":<N> PONG :<token>"                       -> ":<N> PONG <N> :<token>", or ":<N> PONG <user>
//                                                  :<token>" when the token came from a user PING
//   ":<nick> PONG :<token>"                    -> nothing (ngIRCd pings servers, not clients)
//   ":<s> SQUIT <server>"                      -> ":<s> SQUIT <server> :" (a comment is required)
//   KILL, QUIT, INVITE, PART, other PRIVMSG and NOTICE, WALLOPS, numerics, the rest
//                                              -> unchanged
//
// Inbound, ngIRCd -> classic:
//   "PASS ...", "PONG ...", "METADATA ...", "SERVICE ...", "WALLOPS ...", numerics -> nothing
//   (nothing above the link reads them, and free text could pass for a command)
//   ":<hub> SERVER <hub> <hop> :<info>"        -> nothing; <hub> is our uplink, token 1
//   ":<s> SERVER <name> <hop> <T> :<info>"     -> nothing; token T names <name>, linked behind <s>
//   ":<s> NICK <n> <hop> <user> <host> <T> <umodes> :<r>"
//                                              -> "NICK <n> <hop> 0 <user> <host> <server> :<r>"
//                                                 (<server> the name of token T; ngIRCd sends no
//                                                 timestamp, 0 stands for it)
//   ":<old> NICK :<new>"                       -> ":<old> NICK <new>"
//   ":<s> NJOIN #c :@a,+b,@+c,d"               -> ":a JOIN #c", ":<s> MODE #c +o a", ":b JOIN #c",
//                                                 ":<s> MODE #c +v b", ... one JOIN per member,
//                                                 then one MODE per status letter (@ o, + v,
//                                                 % h, & a, ~ q)
//   ":<s> CHANINFO #c +<modes> [<key> <limit>] [:<topic>]"
//                                              -> ":<s> MODE #c +<modes> [<key>] [<limit>]"
//                                                 (key and limit only where k and l are set),
//                                                 then "TOPIC #c <s> 0 :<topic>" when there is one;
//                                                 in a burst CHANINFO comes before the channel's
//                                                 NJOIN, so MODE and TOPIC are held back until the
//                                                 first member has joined (the services only
//                                                 keep topics of channels they know)
//   ":<n> JOIN #c\x07ov"                       -> ":<n> JOIN #c", ":<server of n> MODE #c +o <n>",
//                                                 ":<server of n> MODE #c +v <n>"; "JOIN 0" -> nothing
//   ":<n> PART #a,#b [:<reason>]"              -> one PART per channel
//   ":<n> SQUERY <service> :<text>"            -> ":<n> PRIVMSG <service> :<text>"
//   "[:<s>] PING :<token>"                     -> "PING :<token>"
//   ":<user> PING <token> :<N>"                -> "PING :<token>"; the PONG goes back to <user>
//   "PING <token> <other server>"              -> nothing
//   ":<n> VERSION <N>"                         -> ":<n> VERSION :<N>"
//   ":<n> STATS <letter> <N>"                  -> ":<n> STATS <letter> :<N>"
//   ":<s> MODE #c :+im"                        -> ":<s> MODE #c +im"
//   ":<s> KILL <n> :<reason>"                  -> unchanged; when <n> is a user of the uplink
//                                                 itself, the QUIT that ngIRCd sends after it
//                                                 becomes ":<s> KILL <n> :<quit text>", so that
//                                                 the departure is not counted twice. Our own
//                                                 KILL of such a user is answered with that
//                                                 QUIT too, and is rewritten the same way.
//   ":<n> QUIT [:<msg>]"                       -> ":<n> QUIT :<msg>"; nothing when <n> is one of
//                                                 our own clients (only the old holder of the nick
//                                                 can have quit)
//   ":<s> SQUIT <server> :<reason>"            -> ":<n> QUIT :<hub of server> <server>" for every
//                                                 user on that server and on the servers behind
//                                                 it, then "SQUIT <server> :<reason>"
//   TOPIC, KICK, INVITE, PRIVMSG, NOTICE, ERROR, user MODE and anything else -> unchanged
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"
#include "link/dialect.h"
#include "link/irc_line.h"

namespace nb {

class NgircdDialect : public Dialect {
public:
    void Reset(const LinkIdentity& identity) override;
    std::vector<std::string> ToWire(std::string_view classicLine) override;
    std::vector<IrcLine> FromWire(const IrcLine& wireLine) override;

    // Channels with members, and burst topics held for channels without; gone channels leave.
    std::size_t RememberedChannelCount() const { return membersOf_.size() + heldInfo_.size(); }

private:
    using Lines = std::vector<std::string>;
    using ClassicLines = std::vector<IrcLine>;

    // Outbound, one function per classic command that ngIRCd wants in another form.
    Lines PassOut(const IrcLine& line, std::string_view original) const;
    Lines ServerOut(const IrcLine& line, std::string_view original);
    Lines NickOut(const IrcLine& line, std::string_view original);
    Lines SvsmodeOut(const IrcLine& line) const;
    Lines SvsnickOut(const IrcLine& line) const;
    Lines TopicOut(const IrcLine& line) const;
    Lines ModeOut(const IrcLine& line, std::string_view original) const;
    Lines JoinOut(const IrcLine& line);
    Lines MessageOut(const IrcLine& line, std::string_view original);
    void NotePartOut(const IrcLine& line);
    Lines PongOut(const IrcLine& line);
    Lines SquitOut(const IrcLine& line);
    void NoteKillOut(const IrcLine& line);
    void NoteQuitOut(const IrcLine& line);

    // Inbound, one function per ngIRCd command that the services want in another form.
    ClassicLines ServerIn(const IrcLine& line);
    ClassicLines NickIn(const IrcLine& line);
    ClassicLines NjoinIn(const IrcLine& line);
    ClassicLines ChaninfoIn(const IrcLine& line);
    // Appends the channel's held burst MODE and TOPIC, if any.
    void ReleaseHeldInfo(const std::string& channel, ClassicLines& lines);
    ClassicLines JoinIn(const IrcLine& line);
    ClassicLines PartIn(const IrcLine& line);
    ClassicLines PingIn(const IrcLine& line);
    ClassicLines ServerQueryIn(const IrcLine& line) const;
    ClassicLines ModeIn(const IrcLine& line) const;
    ClassicLines KillIn(const IrcLine& line);
    // A KICK either way: the victim leaves the channel.
    void NoteKick(const IrcLine& line);
    ClassicLines QuitIn(const IrcLine& line);
    ClassicLines SquitIn(const IrcLine& line);

    std::string ServerOfToken(const std::string& token, const std::string& prefix) const;
    std::string ServerOfNick(const std::string& nick) const;
    bool QuitFollowsKill(const std::string& nick) const;
    std::string SourceOf(const IrcLine& line) const;
    std::string SenderOf(const IrcLine& line) const;
    bool IsOurServer(std::string_view name) const;
    void ForgetServerTree(const std::string& server, std::vector<std::string>& removed);

    // Channel membership, as far as the mapping needs it: whether a channel has members (a
    // burst topic waits for the first one), and where our clients are (they join before they
    // write to a channel).
    void NoteJoin(const std::string& nick, const std::string& channel);
    void NoteLeave(const std::string& nick, const std::string& channel);
    bool IsMember(const std::string& nick, const std::string& channel) const;
    // A known user (any letter case) is gone, and with it its memberships.
    void ForgetUser(const std::string& key);
    using MemberCount = std::map<std::string, std::size_t>::iterator;
    void MemberLeft(MemberCount channel);

    LinkIdentity identity_;
    std::string uplink_;                              // name of the ngIRCd we are linked to
    std::map<std::string, std::string> serverByToken_;  // the uplink's tokens -> server names
    std::map<std::string, std::string> hubOfServer_;  // lower-case server -> server it hangs on
    // A channel's entry in membersOf_ stands for it in the users' lists: a network has many
    // users, each in a few channels, and the entry stays until the last member has left.
    std::map<std::string, std::size_t> membersOf_;  // lower-case channel -> how many known members
    struct KnownUser {
        std::uint16_t server = 0;  // in serverNames_
        std::vector<MemberCount> channels;
    };
    // The servers users are on, each name once: a network has many users and few servers.
    std::vector<std::string> serverNames_;
    std::uint16_t ServerIndex(const std::string& name);
    NameIndex<KnownUser> usersByNick_;  // nick as last written by the network -> user, ours included
    std::set<std::string> ourNicks_;                 // lower-case nicks of our own clients
    std::map<std::string, std::string> jupeTokens_;  // lower-case juped server -> our token
    int nextJupeToken_ = 2;
    std::map<std::string, std::string> killerOf_;  // lower-case nick -> who killed it, until its QUIT
    struct HeldInfo {
        std::optional<IrcLine> mode;
        std::optional<IrcLine> topic;
    };
    std::map<std::string, HeldInfo> heldInfo_;  // lower-case channel -> its burst MODE and TOPIC
    std::map<std::string, std::string> pongTargetOf_;  // token of a user's PING -> that user
};

}  // namespace nb
