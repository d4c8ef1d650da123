#include "link/ngircd_dialect.h"

#include <algorithm>

#include "core/text.h"

namespace nb {
namespace {

// A server linked directly to ngIRCd is token 1 on that link, on both sides of it.
const std::string kDirectLinkToken = "1";

// ngIRCd sends no timestamps with its users; the classic introduction has a field for one.
const std::string kUnknownTimestamp = "0";

// Burst modes and topics wait for their channel's members; only channels that never get one
// keep theirs.
constexpr std::size_t kHeldChannelLimit = 1024;

// User modes that ngIRCd knows and that suit a service client.
constexpr std::string_view kServiceUserModes = "oiwq";

bool IsChannelName(std::string_view name) {
    return !name.empty() && std::string_view("#&+!").find(name[0]) != std::string_view::npos;
}

bool IsNumeric(std::string_view command) {
    return command.size() == 3 && IsDigits(command);
}

bool IsCommand(const IrcLine& line, std::string_view command) { return line.Is(command); }

// The letters of `modes` that are in `allowed`, each run under its sign; "" when none is left.
std::string KeepModes(std::string_view modes, std::string_view allowed) {
    std::string kept;
    char sign = '+';
    char writtenSign = 0;
    for (char letter : modes) {
        if (letter == '+' || letter == '-') {
            sign = letter;
        } else if (allowed.find(letter) != std::string_view::npos) {
            if (writtenSign != sign) kept += sign;
            writtenSign = sign;
            kept += letter;
        }
    }
    return kept;
}

// The channel status letter of an NJOIN prefix character; 0 when it is none.
char StatusLetter(char prefix) {
    switch (prefix) {
        case '@': return 'o';
        case '+': return 'v';
        case '%': return 'h';
        case '&': return 'a';
        case '~': return 'q';
        default: return 0;
    }
}

// Whether a channel mode letter of ngIRCd takes a parameter when set (`adding`) or taken off.
bool TakesParameter(char letter, bool adding) {
    return std::string_view("beIkovhaq").find(letter) != std::string_view::npos || (adding && letter == 'l');
}

// ngIRCd reads a list mask without "!" as a nick: "*joe@*.example" would ban the nicks ending
// in "joe". The classic forms name ident and host, so the nick part becomes "*".
void WidenListMasks(std::vector<std::string>& words) {
    bool adding = true;
    std::size_t next = 1;
    for (char letter : words[0]) {
        if (letter == '+' || letter == '-') {
            adding = letter == '+';
            continue;
        }
        if (!TakesParameter(letter, adding) || next >= words.size()) continue;
        std::string& parameter = words[next++];
        bool listMask = letter == 'b' || letter == 'e' || letter == 'I';
        if (listMask && parameter.find('@') != std::string::npos && parameter.find('!') == std::string::npos)
            parameter = "*!" + parameter;
    }
}

}  // namespace

void NgircdDialect::Reset(const LinkIdentity& identity) {
    identity_ = identity;
    uplink_.clear();
    serverByToken_.clear();
    hubOfServer_.clear();
    usersByNick_.clear();
    serverNames_.clear();
    ourNicks_.clear();
    jupeTokens_.clear();
    nextJupeToken_ = 2;
    killerOf_.clear();
    pongTargetOf_.clear();
    membersOf_.clear();
    heldInfo_.clear();
}

// ---------------------------------------------------------------- outbound

std::vector<std::string> NgircdDialect::ToWire(std::string_view classicLine) {
    auto line = ParseIrcLine(classicLine);
    if (!line) return {std::string(classicLine)};
    if (IsCommand(*line, "PASS")) return PassOut(*line, classicLine);
    if (IsCommand(*line, "SERVER")) return ServerOut(*line, classicLine);
    if (IsCommand(*line, "NICK")) return NickOut(*line, classicLine);
    if (IsCommand(*line, "SVSMODE")) return SvsmodeOut(*line);
    if (IsCommand(*line, "SVSNICK")) return SvsnickOut(*line);
    if (IsCommand(*line, "TOPIC")) return TopicOut(*line);
    if (IsCommand(*line, "MODE")) return ModeOut(*line, classicLine);
    if (IsCommand(*line, "JOIN")) return JoinOut(*line);
    if (IsCommand(*line, "PRIVMSG") || IsCommand(*line, "NOTICE")) return MessageOut(*line, classicLine);
    if (IsCommand(*line, "PART")) NotePartOut(*line);
    if (IsCommand(*line, "PONG")) return PongOut(*line);
    if (IsCommand(*line, "SQUIT")) return SquitOut(*line);
    if (IsCommand(*line, "KILL")) NoteKillOut(*line);
    if (IsCommand(*line, "QUIT")) NoteQuitOut(*line);
    // ngIRCd does not echo our KICK: the victim leaves here as it does there.
    if (IsCommand(*line, "KICK")) NoteKick(*line);
    return {std::string(classicLine)};
}

std::vector<std::string> NgircdDialect::PassOut(const IrcLine& line, std::string_view original) const {
    // An empty password has no IRC+ form: the version would take its place.
    if (line.params.empty()) return {std::string(original)};
    return {"PASS " + line.Param(0) + " 0210-IRC+ NimbralII|4.3:C"};
}

std::vector<std::string> NgircdDialect::ServerOut(const IrcLine& line, std::string_view original) {
    const std::string& name = line.Param(0);
    if (name.empty() || IsOurServer(name)) return {std::string(original)};
    // Any other server we announce is a jupe: it hangs on us and needs a token of its own.
    std::string& token = jupeTokens_[ToLower(name)];
    if (token.empty()) token = std::to_string(nextJupeToken_++);
    std::string info = line.params.size() >= 3 ? line.LastParam() : "";
    return {":" + identity_.serverName + " SERVER " + name + " 2 " + token + " :" + info};
}

// NICK <nick> <hop> <ts> <ident> <host> <server> :<realname>
std::vector<std::string> NgircdDialect::NickOut(const IrcLine& line, std::string_view original) {
    if (line.params.size() < 7) return {std::string(original)};
    const std::string& nick = line.Param(0);
    const std::string& server = line.Param(5);
    auto jupe = jupeTokens_.find(ToLower(server));
    const std::string& token = jupe != jupeTokens_.end() ? jupe->second : kDirectLinkToken;
    ourNicks_.insert(ToLower(nick));
    ForgetUser(nick);
    usersByNick_.emplace(nick, KnownUser{ServerIndex(server), {}});
    return {":" + identity_.serverName + " NICK " + nick + " " + line.Param(1) + " " + line.Param(3) + " " +
            line.Param(4) + " " + token + " + :" + line.LastParam()};
}

std::vector<std::string> NgircdDialect::SvsmodeOut(const IrcLine& line) const {
    const std::string& nick = line.Param(0);
    std::string modes = KeepModes(line.Param(1), kServiceUserModes);
    if (nick.empty() || modes.empty()) return {};
    // A client setting its own modes: ngIRCd grants even +o to a client of a server link.
    return {":" + nick + " MODE " + nick + " " + modes};
}

// The classic form ends in " * "; ngIRCd takes exactly the two nicks.
std::vector<std::string> NgircdDialect::SvsnickOut(const IrcLine& line) const {
    if (line.Param(1).empty()) return {};
    return {":" + SourceOf(line) + " SVSNICK " + line.Param(0) + " " + line.Param(1)};
}

// ngIRCd refuses a TOPIC with setter and time ("461 Syntax error"): only the text goes.
std::vector<std::string> NgircdDialect::TopicOut(const IrcLine& line) const {
    if (line.params.size() < 2) return {};
    return {":" + SourceOf(line) + " TOPIC " + line.Param(0) + " :" + line.LastParam()};
}

std::vector<std::string> NgircdDialect::ModeOut(const IrcLine& line, std::string_view original) const {
    if (!IsChannelName(line.Param(0)) || line.params.size() < 2) return {std::string(original)};
    std::vector<std::string> words = WordsFrom(line, 1);
    if (words.empty()) return {};
    // A mode lock is sent as ":nt"; ngIRCd needs the sign to read the letters as modes.
    if (words[0][0] != '+' && words[0][0] != '-') words[0] = "+" + words[0];
    WidenListMasks(words);
    return {":" + SourceOf(line) + " MODE " + line.Param(0) + Joined(words)};
}

// ngIRCd is sure to take one channel a line from a server.
std::vector<std::string> NgircdDialect::JoinOut(const IrcLine& line) {
    std::vector<std::string> lines;
    for (const auto& channel : SplitList(line.Param(0), ',')) {
        NoteJoin(SourceOf(line), channel);
        lines.push_back(":" + SourceOf(line) + " JOIN " + channel);
    }
    return lines;
}

// ngIRCd refuses a message to a +n channel from any non-member, servers and services
// included ("404 Cannot send to channel"); so our client joins the channel it writes to.
std::vector<std::string> NgircdDialect::MessageOut(const IrcLine& line, std::string_view original) {
    const std::string& channel = line.Param(0);
    std::string client = ToLower(line.prefix);
    if (!IsChannelName(channel) || ourNicks_.count(client) == 0) return {std::string(original)};
    if (IsMember(client, channel)) return {std::string(original)};
    NoteJoin(client, channel);
    return {":" + line.prefix + " JOIN " + channel, std::string(original)};
}

void NgircdDialect::NotePartOut(const IrcLine& line) {
    for (const auto& channel : SplitList(line.Param(0), ',')) NoteLeave(line.prefix, channel);
}

std::vector<std::string> NgircdDialect::PongOut(const IrcLine& line) {
    // The services answer a PING from every client name too; ngIRCd only pinged the server.
    if (!line.prefix.empty() && !IsOurServer(line.prefix)) return {};
    const std::string& token = line.LastParam();
    std::string target = identity_.serverName;
    if (auto asker = pongTargetOf_.find(token); asker != pongTargetOf_.end()) {
        target = asker->second;
        pongTargetOf_.erase(asker);
    }
    return {":" + identity_.serverName + " PONG " + target + " :" + token};
}

std::vector<std::string> NgircdDialect::SquitOut(const IrcLine& line) {
    const std::string& server = line.Param(0);
    jupeTokens_.erase(ToLower(server));
    std::string reason = line.params.size() >= 2 ? line.LastParam() : "";
    return {":" + SourceOf(line) + " SQUIT " + server + " :" + reason};
}

void NgircdDialect::NoteKillOut(const IrcLine& line) {
    if (!QuitFollowsKill(line.Param(0))) return;
    killerOf_[ToLower(line.Param(0))] = SourceOf(line);
}

void NgircdDialect::NoteQuitOut(const IrcLine& line) {
    ourNicks_.erase(ToLower(line.SourceNick()));
    ForgetUser(ToLower(line.SourceNick()));
}

// ---------------------------------------------------------------- inbound

std::vector<IrcLine> NgircdDialect::FromWire(const IrcLine& line) {
    if (IsNumeric(line.command)) return {};
    for (const char* unread : {"PASS", "PONG", "METADATA", "SERVICE", "WALLOPS"}) {
        if (IsCommand(line, unread)) return {};
    }
    if (IsCommand(line, "SERVER")) return ServerIn(line);
    if (IsCommand(line, "NICK")) return NickIn(line);
    if (IsCommand(line, "NJOIN")) return NjoinIn(line);
    if (IsCommand(line, "CHANINFO")) return ChaninfoIn(line);
    if (IsCommand(line, "JOIN")) return JoinIn(line);
    if (IsCommand(line, "PART")) return PartIn(line);
    if (IsCommand(line, "SQUERY")) {
        // A message that only a service may receive; the services read it as a PRIVMSG.
        return {IrcLine::Build(line.prefix, "PRIVMSG", {line.Param(0), line.LastParam()}, true)};
    }
    if (IsCommand(line, "PING")) return PingIn(line);
    if (IsCommand(line, "VERSION") || IsCommand(line, "STATS")) return ServerQueryIn(line);
    if (IsCommand(line, "MODE")) return ModeIn(line);
    if (IsCommand(line, "KILL")) return KillIn(line);
    if (IsCommand(line, "KICK")) NoteKick(line);
    if (IsCommand(line, "QUIT")) return QuitIn(line);
    if (IsCommand(line, "SQUIT")) return SquitIn(line);
    return {line};
}

std::vector<IrcLine> NgircdDialect::ServerIn(const IrcLine& line) {
    const std::string& name = line.Param(0);
    if (name.empty()) return {};
    if (line.params.size() < 4) {
        // The registration of our uplink: "SERVER <name> <hop> :<info>".
        uplink_ = name;
        serverByToken_[kDirectLinkToken] = name;
        hubOfServer_[ToLower(name)] = "";
        return {};
    }
    serverByToken_[line.Param(2)] = name;
    hubOfServer_[ToLower(name)] = SenderOf(line);
    return {};
}

std::vector<IrcLine> NgircdDialect::NickIn(const IrcLine& line) {
    if (line.params.size() >= 7) {
        // NICK <nick> <hop> <user> <host> <token> <umodes> :<realname>
        const std::string& nick = line.Param(0);
        std::string server = ServerOfToken(line.Param(4), line.prefix);
        ForgetUser(nick);
        usersByNick_.emplace(nick, KnownUser{ServerIndex(server), {}});
        killerOf_.erase(ToLower(nick));
        return {IrcLine::Build("", "NICK",
                               {nick, line.Param(1), kUnknownTimestamp, line.Param(2), line.Param(3), server,
                                line.LastParam()},
                               true)};
    }
    if (line.params.size() != 1 || line.prefix.empty()) return {line};
    std::string oldNick = line.SourceNick();
    const std::string& newNick = line.Param(0);
    if (auto known = usersByNick_.extract(oldNick)) {
        known.key() = newNick;
        usersByNick_.insert(std::move(known));
    }
    return {IrcLine::Build(oldNick, "NICK", {newNick})};
}

std::vector<IrcLine> NgircdDialect::NjoinIn(const IrcLine& line) {
    const std::string& channel = line.Param(0);
    std::string source = SenderOf(line);
    std::vector<IrcLine> lines;
    for (const auto& member : SplitList(line.LastParam(), ',')) {
        std::size_t nickStart = 0;
        while (nickStart < member.size() && StatusLetter(member[nickStart]) != 0) ++nickStart;
        std::string nick = member.substr(nickStart);
        if (nick.empty()) continue;
        NoteJoin(nick, channel);
        lines.push_back(IrcLine::Build(nick, "JOIN", {channel}));
        for (std::size_t i = 0; i < nickStart; ++i)
            lines.push_back(IrcLine::Build(source, "MODE", {channel, std::string("+") + StatusLetter(member[i]), nick}));
    }
    if (!lines.empty()) ReleaseHeldInfo(channel, lines);
    return lines;
}

void NgircdDialect::ReleaseHeldInfo(const std::string& channel, std::vector<IrcLine>& lines) {
    auto held = heldInfo_.find(ToLower(channel));
    if (held == heldInfo_.end()) return;
    if (held->second.mode) lines.push_back(std::move(*held->second.mode));
    if (held->second.topic) lines.push_back(std::move(*held->second.topic));
    heldInfo_.erase(held);
}

// CHANINFO <channel> +<modes> [[<key> <limit>] <topic>]
std::vector<IrcLine> NgircdDialect::ChaninfoIn(const IrcLine& line) {
    const std::string& channel = line.Param(0);
    const std::string& modes = line.Param(1);
    std::string source = SenderOf(line);
    bool hasKeyAndLimit = line.params.size() >= 4;
    std::string topic = line.params.size() == 3 || line.params.size() >= 5 ? line.LastParam() : "";
    HeldInfo info;
    if (modes.size() > 1) {
        std::vector<std::string> params = {channel, modes};
        if (hasKeyAndLimit && modes.find('k') != std::string::npos) params.push_back(line.Param(2));
        if (hasKeyAndLimit && modes.find('l') != std::string::npos) params.push_back(line.Param(3));
        info.mode = IrcLine::Build(source, "MODE", std::move(params));
    }
    if (!topic.empty()) info.topic = IrcLine::Build("", "TOPIC", {channel, source, kUnknownTimestamp, topic}, true);
    if (membersOf_.count(ToLower(channel)) > 0) {
        std::vector<IrcLine> lines;
        if (info.mode) lines.push_back(std::move(*info.mode));
        if (info.topic) lines.push_back(std::move(*info.topic));
        return lines;
    }
    if (!info.mode && !info.topic) return {};
    if (heldInfo_.size() >= kHeldChannelLimit) heldInfo_.clear();
    HeldInfo& held = heldInfo_[ToLower(channel)];
    if (info.mode) held.mode = std::move(info.mode);
    if (info.topic) held.topic = std::move(info.topic);
    return {};
}

// ":<nick> JOIN #a\x07ov" joins with channel status already given.
std::vector<IrcLine> NgircdDialect::JoinIn(const IrcLine& line) {
    std::string nick = line.SourceNick();
    std::vector<IrcLine> lines;
    for (const auto& entry : SplitList(line.Param(0), ',')) {
        std::size_t bell = entry.find('\x07');
        std::string channel = entry.substr(0, bell);
        if (channel == "0") continue;  // parts every channel; ngIRCd sends the PARTs as well
        NoteJoin(nick, channel);
        lines.push_back(IrcLine::Build(nick, "JOIN", {channel}));
        if (bell != std::string::npos) {
            for (char letter : entry.substr(bell + 1))
                lines.push_back(IrcLine::Build(ServerOfNick(nick), "MODE", {channel, std::string("+") + letter, nick}));
        }
        ReleaseHeldInfo(channel, lines);
    }
    return lines;
}

std::vector<IrcLine> NgircdDialect::PartIn(const IrcLine& line) {
    bool hasReason = line.params.size() >= 2;
    std::vector<IrcLine> lines;
    for (const auto& channel : SplitList(line.Param(0), ',')) {
        NoteLeave(line.SourceNick(), channel);
        std::vector<std::string> params = {channel};
        if (hasReason) params.push_back(line.LastParam());
        lines.push_back(IrcLine::Build(line.prefix, "PART", std::move(params), hasReason));
    }
    return lines;
}

std::vector<IrcLine> NgircdDialect::PingIn(const IrcLine& line) {
    if (line.params.empty()) return {};
    const std::string& token = line.Param(0);
    if (line.params.size() >= 2) {
        // "PING <token> <target>": only a ping of our own server is ours to answer.
        if (!IsOurServer(line.Param(1))) return {};
        if (!line.prefix.empty()) {
            if (pongTargetOf_.size() >= 32) pongTargetOf_.clear();  // answers that never came
            pongTargetOf_[token] = line.prefix;
        }
    }
    return {IrcLine::Build("", "PING", {token}, true)};
}

// The classic handlers read the server asked about from a trailing parameter.
std::vector<IrcLine> NgircdDialect::ServerQueryIn(const IrcLine& line) const {
    if (line.params.empty() || line.prefix.empty()) return {line};
    if (IsCommand(line, "VERSION")) return {IrcLine::Build(line.prefix, line.command, {line.Param(0)}, true)};
    if (line.params.size() < 2) return {IrcLine::Build(line.prefix, line.command, {line.Param(0)})};
    return {IrcLine::Build(line.prefix, line.command, {line.Param(0), line.Param(1)}, true)};
}

std::vector<IrcLine> NgircdDialect::ModeIn(const IrcLine& line) const {
    if (!IsChannelName(line.Param(0)) || line.prefix.empty()) return {line};
    std::vector<std::string> params = {line.Param(0)};
    for (auto& word : WordsFrom(line, 1)) params.push_back(std::move(word));
    return {IrcLine::Build(line.prefix, "MODE", std::move(params))};
}

std::vector<IrcLine> NgircdDialect::KillIn(const IrcLine& line) {
    const std::string& victim = line.Param(0);
    if (victim.empty()) return {};
    std::string killer = SenderOf(line);
    if (QuitFollowsKill(victim)) killerOf_[ToLower(victim)] = killer;
    ForgetUser(ToLower(victim));
    ourNicks_.erase(ToLower(victim));
    return {IrcLine::Build(killer, "KILL", {victim, line.LastParam()}, true)};
}

void NgircdDialect::NoteKick(const IrcLine& line) { NoteLeave(line.Param(1), line.Param(0)); }

std::vector<IrcLine> NgircdDialect::QuitIn(const IrcLine& line) {
    std::string nick = line.SourceNick();
    std::string key = ToLower(nick);
    const std::string& message = line.LastParam();
    // The QUIT of whoever held a nick that our client took over after a KILL.
    if (ourNicks_.count(key) != 0) {
        killerOf_.erase(key);
        return {};
    }
    ForgetUser(key);
    if (auto killed = killerOf_.extract(key)) return {IrcLine::Build(killed.mapped(), "KILL", {nick, message}, true)};
    return {IrcLine::Build(nick, "QUIT", {message}, true)};
}

std::vector<IrcLine> NgircdDialect::SquitIn(const IrcLine& line) {
    const std::string& server = line.Param(0);
    IrcLine farewell =
        IrcLine::Build("", "SQUIT", {server, line.params.size() >= 2 ? line.LastParam() : std::string()}, true);
    if (server.empty() || IsOurServer(server)) return {farewell};
    auto hub = hubOfServer_.find(ToLower(server));
    std::string splitText = (hub != hubOfServer_.end() && !hub->second.empty() ? hub->second : uplink_) + " " + server;
    std::vector<std::string> gone;
    ForgetServerTree(server, gone);
    std::vector<std::string> leaving;
    for (const auto& [nick, user] : usersByNick_) {
        if (std::find(gone.begin(), gone.end(), ToLower(serverNames_[user.server])) != gone.end()) leaving.push_back(nick);
    }
    // In the order of their nicks, whatever order the index keeps.
    std::sort(leaving.begin(), leaving.end(),
              [](const std::string& a, const std::string& b) { return ToLower(a) < ToLower(b); });
    std::vector<IrcLine> lines;
    for (const std::string& nick : leaving) {
        lines.push_back(IrcLine::Build(nick, "QUIT", {splitText}, true));
        ForgetUser(nick);
    }
    lines.push_back(std::move(farewell));
    return lines;
}

// ---------------------------------------------------------------- state

void NgircdDialect::NoteJoin(const std::string& nick, const std::string& channel) {
    if (nick.empty()) return;
    // A member never introduced is taken for a user of the uplink; its QUIT ends it as well.
    auto user = usersByNick_.try_emplace(nick, KnownUser{ServerIndex(uplink_), {}}).first;
    // Nobody is in a channel new to us, so its first member is not searched for: ChanServ
    // joins every registered channel at the link, and a search each would grow as their square.
    auto [members, created] = membersOf_.try_emplace(ToLower(channel), 0);
    if (!created && IsMember(nick, channel)) return;
    ++members->second;
    user->second.channels.push_back(members);
}

void NgircdDialect::NoteLeave(const std::string& nick, const std::string& channel) {
    auto user = usersByNick_.find(nick);
    if (user == usersByNick_.end()) return;
    std::vector<MemberCount>& channels = user->second.channels;
    std::string key = ToLower(channel);
    auto found = std::find_if(channels.begin(), channels.end(), [&](MemberCount entry) { return entry->first == key; });
    if (found == channels.end()) return;
    MemberCount left = *found;
    channels.erase(found);
    MemberLeft(left);
}

bool NgircdDialect::IsMember(const std::string& nick, const std::string& channel) const {
    auto user = usersByNick_.find(nick);
    if (user == usersByNick_.end()) return false;
    std::string key = ToLower(channel);
    const std::vector<MemberCount>& channels = user->second.channels;
    return std::any_of(channels.begin(), channels.end(), [&](MemberCount entry) { return entry->first == key; });
}

void NgircdDialect::ForgetUser(const std::string& key) {
    auto user = usersByNick_.find(key);
    if (user == usersByNick_.end()) return;
    for (MemberCount channel : user->second.channels) MemberLeft(channel);
    usersByNick_.erase(user);
}

// The last member leaving ends the channel: nothing about it is kept.
void NgircdDialect::MemberLeft(MemberCount channel) {
    if (--channel->second > 0) return;
    heldInfo_.erase(channel->first);
    membersOf_.erase(channel);
}

std::uint16_t NgircdDialect::ServerIndex(const std::string& name) {
    auto known = std::find(serverNames_.begin(), serverNames_.end(), name);
    if (known != serverNames_.end()) return static_cast<std::uint16_t>(known - serverNames_.begin());
    serverNames_.push_back(name);
    return static_cast<std::uint16_t>(serverNames_.size() - 1);
}

std::string NgircdDialect::ServerOfToken(const std::string& token, const std::string& prefix) const {
    if (auto known = serverByToken_.find(token); known != serverByToken_.end()) return known->second;
    return prefix.empty() ? uplink_ : prefix;
}

std::string NgircdDialect::ServerOfNick(const std::string& nick) const {
    auto known = usersByNick_.find(nick);
    return known != usersByNick_.end() ? serverNames_[known->second.server] : uplink_;
}

// ngIRCd reports the end of its own users with a QUIT after the KILL; of users behind it,
// and of ours, the KILL is all that comes.
bool NgircdDialect::QuitFollowsKill(const std::string& nick) const {
    auto known = usersByNick_.find(nick);
    return known != usersByNick_.end() && ourNicks_.count(ToLower(known->first)) == 0 &&
           IEquals(serverNames_[known->second.server], uplink_);
}

// A received line without a prefix comes from our uplink.
std::string NgircdDialect::SenderOf(const IrcLine& line) const {
    return line.prefix.empty() ? uplink_ : line.prefix;
}

// Every line on a server link needs a prefix; a classic line without one is our server's.
std::string NgircdDialect::SourceOf(const IrcLine& line) const {
    return line.prefix.empty() ? identity_.serverName : line.prefix;
}

bool NgircdDialect::IsOurServer(std::string_view name) const {
    return IEquals(name, identity_.serverName);
}

// Collects the server and every server linked behind it (lower case) and forgets them all.
// Their tokens may stay: ngIRCd announces a server again before it uses a token again.
void NgircdDialect::ForgetServerTree(const std::string& server, std::vector<std::string>& removed) {
    removed.push_back(ToLower(server));
    for (std::size_t next = 0; next < removed.size(); ++next) {
        for (const auto& [name, hub] : hubOfServer_) {
            if (IEquals(hub, removed[next]) && !IEquals(name, removed[next])) removed.push_back(name);
        }
        hubOfServer_.erase(removed[next]);
    }
}

}  // namespace nb
