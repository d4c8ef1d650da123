#include "link/inspircd_dialect.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <utility>

namespace nb {
namespace {

constexpr std::string_view kIdCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

bool IsChannelName(std::string_view name) { return !name.empty() && (name[0] == '#' || name[0] == '&'); }

bool IsNumeric(std::string_view command) { return command.size() == 3 && IsDigits(command); }

long long ToTime(const std::string& text) { return IsDigits(text) && !text.empty() && text.size() < 19 ? std::stoll(text) : 0; }

// A digit, then two letters or digits, from a hash of `name` moved on by `attempt`.
std::string SidFromName(std::string_view name, unsigned attempt) {
    std::uint32_t hash = 2166136261u;
    for (char c : ToLower(name)) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    hash += attempt * 7919u;
    std::string sid(1, static_cast<char>('0' + hash % 10));
    sid += kIdCharacters[hash / 10 % 36];
    sid += kIdCharacters[hash / 360 % 36];
    return sid;
}

}  // namespace

InspircdDialect::InspircdDialect(std::function<long long()> now) : now_(std::move(now)) {}

long long InspircdDialect::Now() const {
    return now_ ? now_() : static_cast<long long>(std::time(nullptr));
}

std::string InspircdDialect::ServerIdOf(std::string_view serverName) { return SidFromName(serverName, 0); }

void InspircdDialect::Reset(const LinkIdentity& identity) {
    identity_ = identity;
    sid_ = ServerIdOf(identity.serverName);
    uplinkSid_.clear();
    uplinkBurstEnded_ = false;
    ourBurstEnded_ = false;
    servers_ = {{sid_, {identity.serverName, ""}}};
    sidOfServer_ = {{identity.serverName, sid_}};
    nickOfUid_.clear();
    uidOfNick_.clear();
    nextUid_ = 0;
    channelTime_.clear();
    topicTime_.clear();
    modes_ = InspircdModes();
    waiting_.clear();
    wireOut_.clear();
}

std::vector<std::string> InspircdDialect::TakeWireLines() { return std::exchange(wireOut_, {}); }

// ---------------------------------------------------------------- outbound

std::vector<std::string> InspircdDialect::ToWire(std::string_view classicLine) {
    auto line = ParseIrcLine(classicLine);
    if (!line) return {};
    if (!uplinkBurstEnded_ && WaitsForBurst(*line)) {
        waiting_.emplace_back(classicLine);
        return {};
    }
    return Translate(*line, classicLine);
}

// Lines that carry a channel's time wait for the uplink's burst, which tells the times.
bool InspircdDialect::WaitsForBurst(const IrcLine& line) const {
    if (line.Is("JOIN")) return true;
    if (line.Is("MODE") || line.Is("TOPIC")) return IsChannelName(line.Param(0));
    return line.Is("INVITE");
}

std::vector<std::string> InspircdDialect::Translate(const IrcLine& line, std::string_view original) {
    if (line.Is("PASS")) return {"CAPAB START 1205", "CAPAB CAPABILITIES :PROTOCOL=1205", "CAPAB END"};
    if (line.Is("SERVER")) return ServerOut(line);
    if (line.Is("SQUIT")) return SquitOut(line);
    if (line.Is("NICK")) return NickOut(line);
    if (line.Is("SVSMODE")) return UserModeOut(line, true);
    if (line.Is("SVSNICK")) return SvsnickOut(line);
    if (line.Is("KILL")) return KillOut(line);
    if (line.Is("JOIN")) return JoinOut(line);
    if (line.Is("MODE")) return IsChannelName(line.Param(0)) ? ChannelModeOut(line) : UserModeOut(line, false);
    if (line.Is("TOPIC")) return TopicOut(line);
    if (line.Is("KICK")) return KickOut(line);
    if (line.Is("INVITE")) return InviteOut(line);
    if (line.Is("PRIVMSG") || line.Is("NOTICE")) return MessageOut(line);
    if (IsNumeric(line.command)) return NumericOut(line);
    if (line.Is("PING")) return PingOut();
    if (line.Is("PONG")) {
        // The services answer from every client too; InspIRCd pinged the server only.
        if (!line.prefix.empty() && !IEquals(line.prefix, identity_.serverName)) return {};
        return {":" + sid_ + " PONG " + line.LastParam()};
    }
    if (line.Is("PART") || line.Is("QUIT") || line.Is("WALLOPS")) {
        auto source = IdOfSource(line);
        if (!source) return {};
        std::string rest = std::string(original.substr(original.find(' ')));
        if (line.Is("QUIT")) ForgetUser(*source);
        return {":" + *source + rest};
    }
    return {std::string(original)};
}

std::vector<std::string> InspircdDialect::ServerOut(const IrcLine& line) {
    const std::string& name = line.Param(0);
    std::string info = Trim(line.params.size() >= 3 ? line.LastParam() : "");
    std::string now = std::to_string(Now());
    if (name.empty()) return {};
    if (IEquals(name, identity_.serverName)) {
        return {"SERVER " + identity_.serverName + " " + identity_.password + " 0 " + sid_ + " :" + info,
                ":" + sid_ + " BURST " + now, ":" + sid_ + " SINFO version :Nimbral II v4.3"};
    }
    if (sidOfServer_.count(name) != 0) return {};
    // Any other server we announce is a jupe: it hangs on us with an id of its own.
    std::string jupe = NewJupeSid(name);
    servers_[jupe] = {name, sid_};
    sidOfServer_[name] = jupe;
    return {":" + sid_ + " SERVER " + name + " " + jupe + " :" + info, ":" + jupe + " BURST " + now,
            ":" + jupe + " ENDBURST"};
}

std::vector<std::string> InspircdDialect::SquitOut(const IrcLine& line) {
    auto server = sidOfServer_.find(line.Param(0));
    if (server == sidOfServer_.end()) return {};
    std::string sid = server->second;
    std::string reason = line.params.size() >= 2 ? line.LastParam() : "";
    if (sid != sid_) ForgetServerTree(sid);
    return {":" + sid_ + " SQUIT " + sid + " :" + reason};
}

// NICK <nick> <hop> <ts> <ident> <host> <server> :<realname>
std::vector<std::string> InspircdDialect::NickOut(const IrcLine& line) {
    if (line.params.size() < 7) return {};
    const std::string& nick = line.Param(0);
    auto server = sidOfServer_.find(line.Param(5));
    std::string sid = server != sidOfServer_.end() ? server->second : sid_;
    std::string now = std::to_string(Now());
    std::string ts = ToTime(line.Param(2)) > 0 ? line.Param(2) : now;
    if (auto old = UidOfNick(nick)) ForgetUser(*old);
    std::string uid = NewUid(sid);
    AddUser(uid, nick);
    const std::string& host = line.Param(4);
    return {":" + sid + " UID " + uid + " " + ts + " " + nick + " " + host + " " + host + " " + line.Param(3) +
            " 0.0.0.0 " + now + " + :" + line.LastParam()};
}

// Our clients' modes. "o" comes as an oper type, as InspIRCd gives it to nobody by mode, and
// "r" (a registered nick) is for users.
std::vector<std::string> InspircdDialect::UserModeOut(const IrcLine& line, bool serviceModes) {
    auto uid = UidOfNick(line.Param(0));
    if (!uid) return {};
    std::string letters = modes_.UserChange(line.Param(1), serviceModes ? "or" : "o");
    std::vector<std::string> lines;
    if (!letters.empty()) lines.push_back(":" + sid_ + " MODE " + *uid + " " + letters);
    std::string asked = line.Param(1);
    if (serviceModes && asked.find('o') != std::string::npos && asked.find('-') == std::string::npos)
        lines.push_back(":" + *uid + " OPERTYPE :Services");
    return lines;
}

std::vector<std::string> InspircdDialect::SvsnickOut(const IrcLine& line) {
    auto uid = UidOfNick(line.Param(0));
    const std::string& newNick = line.Param(1);
    if (!uid || newNick.empty()) return {};
    // The services name the user by the new nick from now on; InspIRCd's echo confirms it.
    uidOfNick_.erase(nickOfUid_[*uid]);
    AddUser(*uid, newNick);
    return {":" + sid_ + " SVSNICK " + *uid + " " + newNick + " " + std::to_string(Now())};
}

std::vector<std::string> InspircdDialect::KillOut(const IrcLine& line) {
    auto source = IdOfSource(line);
    auto uid = UidOfNick(line.Param(0));
    if (!source || !uid) return {};
    ForgetUser(*uid);
    return {":" + *source + " KILL " + *uid + " :" + line.LastParam()};
}

std::vector<std::string> InspircdDialect::JoinOut(const IrcLine& line) {
    auto uid = UidOfNick(line.SourceNick());
    if (!uid) return {};
    std::vector<std::string> lines;
    for (const std::string& channel : SplitList(line.Param(0), ',')) {
        if (!IsChannelName(channel)) continue;
        lines.push_back(":" + sid_ + " FJOIN " + channel + " " + std::to_string(ChannelTime(channel)) + " + :," + *uid);
    }
    return lines;
}

std::vector<std::string> InspircdDialect::ChannelModeOut(const IrcLine& line) {
    auto source = IdOfSource(line);
    std::vector<std::string> words = WordsFrom(line, 1);
    if (!source || words.empty()) return {};
    // A mode lock comes as ":nt"; the letters need a sign.
    if (words[0][0] != '+' && words[0][0] != '-') words[0] = "+" + words[0];
    auto change = modes_.ChannelChange(words, [this](const std::string& nick) { return UidOfNick(nick); });
    if (!change) return {};
    const std::string& channel = line.Param(0);
    return {":" + *source + " FMODE " + channel + " " + std::to_string(ChannelTime(channel)) + Joined(*change)};
}

std::vector<std::string> InspircdDialect::TopicOut(const IrcLine& line) {
    auto source = IdOfSource(line);
    const std::string& channel = line.Param(0);
    if (!source || line.params.size() < 2) return {};
    // A topic of the same second as the one it replaces might lose to it.
    long long& topicTime = topicTime_[channel];
    topicTime = std::max(Now(), topicTime + 1);
    return {":" + *source + " FTOPIC " + channel + " " + std::to_string(ChannelTime(channel)) + " " +
            std::to_string(topicTime) + " :" + line.LastParam()};
}

std::vector<std::string> InspircdDialect::KickOut(const IrcLine& line) {
    auto source = IdOfSource(line);
    auto uid = UidOfNick(line.Param(1));
    if (!source || !uid) return {};
    return {":" + *source + " KICK " + line.Param(0) + " " + *uid + " :" + line.LastParam()};
}

std::vector<std::string> InspircdDialect::InviteOut(const IrcLine& line) {
    auto source = IdOfSource(line);
    auto uid = UidOfNick(line.Param(0));
    const std::string& channel = line.Param(1);
    if (!source || !uid || !IsChannelName(channel)) return {};
    return {":" + *source + " INVITE " + *uid + " " + channel + " " + std::to_string(ChannelTime(channel))};
}

std::vector<std::string> InspircdDialect::MessageOut(const IrcLine& line) {
    auto source = IdOfSource(line);
    const std::string& target = line.Param(0);
    std::optional<std::string> to = IsChannelName(target) || target.rfind('$', 0) == 0 ? target : UidOfNick(target);
    if (!source || !to) return {};
    return {":" + *source + " " + line.command + " " + *to + " :" + line.LastParam()};
}

// ":<N> 242 <nick> :<text>": a numeric goes to its user wrapped in NUM.
std::vector<std::string> InspircdDialect::NumericOut(const IrcLine& line) {
    auto uid = UidOfNick(line.Param(0));
    if (!uid) return {};
    std::vector<std::string> rest(line.params.begin() + 1, line.params.end());
    std::string text = rest.empty() ? "" : " :" + rest.back();
    if (!rest.empty()) rest.pop_back();
    return {":" + sid_ + " NUM " + sid_ + " " + *uid + " " + line.command + Joined(rest) + text};
}

// The handshake ends with our PING: on InspIRCd, the end of our burst.
std::vector<std::string> InspircdDialect::PingOut() {
    if (!ourBurstEnded_) {
        ourBurstEnded_ = true;
        return {":" + sid_ + " ENDBURST"};
    }
    if (uplinkSid_.empty()) return {};
    return {":" + sid_ + " PING " + uplinkSid_};
}

// ---------------------------------------------------------------- inbound

std::vector<IrcLine> InspircdDialect::FromWire(const IrcLine& line) {
    if (line.Is("ERROR")) return {line};
    if (line.Is("CAPAB")) {
        CapabIn(line);
        return {};
    }
    if (line.Is("SERVER")) return ServerIn(line);
    if (line.Is("SQUIT")) return SquitIn(line);
    if (line.Is("UID")) return UidIn(line);
    if (line.Is("NICK")) return NickIn(line);
    if (line.Is("SAVE")) return SaveIn(line);
    if (line.Is("FJOIN")) return FjoinIn(line);
    if (line.Is("IJOIN")) return IjoinIn(line);
    if (line.Is("FMODE")) return FmodeIn(line);
    if (line.Is("FTOPIC")) return FtopicIn(line);
    if (line.Is("PART") || line.Is("QUIT")) return LeaveIn(line);
    if (line.Is("KICK")) return KickIn(line);
    if (line.Is("KILL")) {
        auto victim = nickOfUid_.find(line.Param(0));
        if (victim == nickOfUid_.end()) return {};
        IrcLine classic = IrcLine::Build(NameOf(line.prefix), "KILL", {victim->second, line.LastParam()}, true);
        ForgetUser(line.Param(0));
        return {classic};
    }
    if (line.Is("PRIVMSG") || line.Is("NOTICE")) return MessageIn(line);
    if (line.Is("STATS")) return StatsIn(line);
    if (line.Is("PING")) return PingIn(line);
    if (line.Is("ENDBURST")) return EndburstIn(line);
    return {};
}

void InspircdDialect::CapabIn(const IrcLine& line) {
    if (IEquals(line.Param(0), "CHANMODES")) modes_.LearnChannelModes(line.LastParam());
    if (IEquals(line.Param(0), "USERMODES")) modes_.LearnUserModes(line.LastParam());
}

std::vector<IrcLine> InspircdDialect::ServerIn(const IrcLine& line) {
    const std::string& name = line.Param(0);
    if (line.params.size() < 3 || name.empty()) return {};
    if (line.prefix.empty()) {
        if (line.params.size() < 5) return {};
        const std::string& sid = line.Param(3);
        uplinkSid_ = sid;
        servers_[sid] = {name, ""};
        sidOfServer_[name] = sid;
        return {IrcLine::Build("", "SERVER", {name, "1", line.LastParam()}, true)};
    }
    const std::string& sid = line.Param(1);
    auto hub = servers_.find(line.prefix);
    std::string hubSid = hub != servers_.end() ? hub->first : uplinkSid_;
    servers_[sid] = {name, hubSid};
    sidOfServer_[name] = sid;
    return {IrcLine::Build(NameOf(hubSid), "SERVER", {name, "2", line.LastParam()}, true)};
}

std::vector<IrcLine> InspircdDialect::SquitIn(const IrcLine& line) {
    std::string sid = line.Param(0);
    if (servers_.count(sid) == 0) {
        auto byName = sidOfServer_.find(sid);
        if (byName == sidOfServer_.end()) return {};
        sid = byName->second;
    }
    IrcLine classic = IrcLine::Build("", "SQUIT", {servers_[sid].name, line.LastParam()}, true);
    ForgetServerTree(sid);
    return {classic};
}

// UID <uid> <ts> <nick> <host> <dhost> <ident> <ip> <signon> <modes> [<parameters>] :<real>
std::vector<IrcLine> InspircdDialect::UidIn(const IrcLine& line) {
    if (line.params.size() < 10) return {};
    const std::string& uid = line.Param(0);
    const std::string& nick = line.Param(2);
    if (auto old = UidOfNick(nick)) ForgetUser(*old);
    AddUser(uid, nick);
    return {IrcLine::Build("", "NICK",
                           {nick, "1", line.Param(1), line.Param(5), line.Param(4), ServerNameOfUid(uid), line.LastParam()},
                           true)};
}

std::vector<IrcLine> InspircdDialect::NickIn(const IrcLine& line) {
    auto user = nickOfUid_.find(line.prefix);
    const std::string& newNick = line.Param(0);
    if (user == nickOfUid_.end() || newNick.empty() || user->second == newNick) return {};
    std::string oldNick = user->second;
    uidOfNick_.erase(oldNick);
    AddUser(line.prefix, newNick);
    return {IrcLine::Build(oldNick, "NICK", {newNick})};
}

std::vector<IrcLine> InspircdDialect::SaveIn(const IrcLine& line) {
    IrcLine renamed = IrcLine::Build(line.Param(0), "NICK", {line.Param(0)});
    renamed.prefix = line.Param(0);
    return NickIn(renamed);
}

void InspircdDialect::AddMember(const std::string& channel, const std::string& uid, std::string_view status,
                                std::vector<IrcLine>& lines) const {
    auto user = nickOfUid_.find(uid);
    if (user == nickOfUid_.end()) return;
    lines.push_back(IrcLine::Build(user->second, "JOIN", {channel}));
    std::string server = ServerNameOfUid(uid);
    for (char letter : status) lines.push_back(IrcLine::Build(server, "MODE", {channel, std::string("+") + letter, user->second}));
}

// FJOIN <channel> <ts> <modes> [<parameters>] :[<status>,<uid>[:<membership>]] ...
std::vector<IrcLine> InspircdDialect::FjoinIn(const IrcLine& line) {
    const std::string& channel = line.Param(0);
    if (line.params.size() < 4 || !IsChannelName(channel)) return {};
    if (long long ts = ToTime(line.Param(1)); ts > 0) channelTime_[channel] = ts;
    std::vector<IrcLine> lines;
    for (const std::string& member : SplitFields(line.LastParam())) {
        std::size_t comma = member.find(',');
        if (comma == std::string::npos) continue;
        std::string uid = member.substr(comma + 1, member.find(':', comma) - comma - 1);
        AddMember(channel, uid, std::string_view(member).substr(0, comma), lines);
    }
    std::vector<std::string> modes(line.params.begin() + 2, line.params.end() - 1);
    if (modes[0].size() > 1) {
        modes.insert(modes.begin(), channel);
        lines.push_back(IrcLine::Build(NameOf(line.prefix.empty() ? uplinkSid_ : line.prefix), "MODE", std::move(modes)));
    }
    return lines;
}

// :<uid> IJOIN <channel> <membership> [<ts> <status>]
std::vector<IrcLine> InspircdDialect::IjoinIn(const IrcLine& line) {
    const std::string& channel = line.Param(0);
    if (!IsChannelName(channel)) return {};
    std::vector<IrcLine> lines;
    bool statusCounts = line.params.size() >= 4 && ToTime(line.Param(2)) == channelTime_[channel];
    AddMember(channel, line.prefix, statusCounts ? line.Param(3) : "", lines);
    return lines;
}

std::vector<IrcLine> InspircdDialect::FmodeIn(const IrcLine& line) const {
    const std::string& channel = line.Param(0);
    if (line.params.size() < 3 || !IsChannelName(channel)) return {};
    std::vector<std::string> params = {channel};
    for (std::size_t i = 2; i < line.params.size(); ++i) params.push_back(NameOf(line.params[i]));
    return {IrcLine::Build(NameOf(line.prefix), "MODE", std::move(params))};
}

// A user's change: FTOPIC <channel> <cts> <tts> :<topic>; a server's: ... <tts> <setter> :<topic>
std::vector<IrcLine> InspircdDialect::FtopicIn(const IrcLine& line) {
    const std::string& channel = line.Param(0);
    if (line.params.size() < 4 || !IsChannelName(channel)) return {};
    topicTime_[channel] = std::max(topicTime_[channel], ToTime(line.Param(2)));
    if (line.params.size() >= 5)
        return {IrcLine::Build("", "TOPIC", {channel, line.Param(3), line.Param(2), line.LastParam()}, true)};
    auto user = nickOfUid_.find(line.prefix);
    if (user == nickOfUid_.end()) return {};
    return {IrcLine::Build(user->second, "TOPIC", {channel, line.LastParam()}, true)};
}

std::vector<IrcLine> InspircdDialect::LeaveIn(const IrcLine& line) {
    auto user = nickOfUid_.find(line.prefix);
    if (user == nickOfUid_.end()) return {};
    IrcLine classic = IrcLine::Build(user->second, line.command, line.params, line.hasTrailing);
    if (line.Is("QUIT")) ForgetUser(line.prefix);
    return {classic};
}

std::vector<IrcLine> InspircdDialect::KickIn(const IrcLine& line) const {
    auto victim = nickOfUid_.find(line.Param(1));
    if (victim == nickOfUid_.end()) return {};
    return {IrcLine::Build(NameOf(line.prefix), "KICK", {line.Param(0), victim->second, line.LastParam()}, true)};
}

std::vector<IrcLine> InspircdDialect::MessageIn(const IrcLine& line) const {
    // Only a user or a server we know of may speak to the services.
    if (line.params.size() < 2 || (nickOfUid_.count(line.prefix) == 0 && servers_.count(line.prefix) == 0)) return {};
    return {IrcLine::Build(NameOf(line.prefix), line.command, {NameOf(line.Param(0)), line.LastParam()}, true)};
}

std::vector<IrcLine> InspircdDialect::StatsIn(const IrcLine& line) const {
    const std::string& target = line.Param(1);
    if (target != sid_ && !IEquals(target, identity_.serverName)) return {};
    return {IrcLine::Build(NameOf(line.prefix), "STATS", {line.Param(0), identity_.serverName}, true)};
}

std::vector<IrcLine> InspircdDialect::PingIn(const IrcLine& line) const {
    const std::string& target = line.Param(line.params.size() >= 2 ? 1 : 0);
    if (target != sid_ || line.prefix.empty()) return {};
    return {IrcLine::Build("", "PING", {line.prefix}, true)};
}

std::vector<IrcLine> InspircdDialect::EndburstIn(const IrcLine& line) {
    if (uplinkBurstEnded_ || (!line.prefix.empty() && line.prefix != uplinkSid_)) return {};
    uplinkBurstEnded_ = true;
    for (const std::string& waiting : std::exchange(waiting_, {})) {
        for (std::string& wire : ToWire(waiting)) wireOut_.push_back(std::move(wire));
    }
    return {IrcLine::Build("", "EOS", {})};
}

// ---------------------------------------------------------------- names and ids

std::optional<std::string> InspircdDialect::IdOfSource(const IrcLine& line) const {
    if (line.prefix.empty()) return sid_;
    if (auto server = sidOfServer_.find(line.prefix); server != sidOfServer_.end()) return server->second;
    return UidOfNick(line.SourceNick());
}

std::optional<std::string> InspircdDialect::UidOfNick(const std::string& nick) const {
    auto found = uidOfNick_.find(nick);
    if (found == uidOfNick_.end()) return std::nullopt;
    return found->second;
}

std::string InspircdDialect::NameOf(const std::string& id) const {
    if (auto user = nickOfUid_.find(id); user != nickOfUid_.end()) return user->second;
    if (auto server = servers_.find(id); server != servers_.end()) return server->second.name;
    return id;
}

std::string InspircdDialect::ServerNameOfUid(const std::string& uid) const { return NameOf(uid.substr(0, 3)); }

std::string InspircdDialect::NewUid(const std::string& sid) {
    long long number = nextUid_++;
    std::string suffix(6, 'A');
    for (std::size_t i = suffix.size(); i-- > 0 && number > 0; number /= 36) suffix[i] = kIdCharacters[number % 36];
    return sid + suffix;
}

std::string InspircdDialect::NewJupeSid(const std::string& name) const {
    for (unsigned attempt = 0;; ++attempt) {
        std::string sid = SidFromName(name, attempt);
        if (servers_.count(sid) == 0) return sid;
    }
}

void InspircdDialect::AddUser(const std::string& uid, const std::string& nick) {
    nickOfUid_[uid] = nick;
    uidOfNick_[nick] = uid;
}

void InspircdDialect::ForgetUser(const std::string& uid) {
    auto user = nickOfUid_.find(uid);
    if (user == nickOfUid_.end()) return;
    auto byNick = uidOfNick_.find(user->second);
    if (byNick != uidOfNick_.end() && byNick->second == uid) uidOfNick_.erase(byNick);
    nickOfUid_.erase(user);
}

// The server, the servers behind it and all their users.
void InspircdDialect::ForgetServerTree(const std::string& sid) {
    std::vector<std::string> gone = {sid};
    for (std::size_t next = 0; next < gone.size(); ++next) {
        for (const auto& [other, server] : servers_) {
            if (server.hubSid == gone[next]) gone.push_back(other);
        }
    }
    for (const std::string& server : gone) {
        sidOfServer_.erase(servers_[server].name);
        servers_.erase(server);
    }
    for (auto user = nickOfUid_.begin(); user != nickOfUid_.end();) {
        bool leaves = std::find(gone.begin(), gone.end(), user->first.substr(0, 3)) != gone.end();
        auto byNick = uidOfNick_.find(user->second);
        if (leaves && byNick != uidOfNick_.end() && byNick->second == user->first) uidOfNick_.erase(byNick);
        user = leaves ? nickOfUid_.erase(user) : std::next(user);
    }
}

// The time InspIRCd gave the channel; a channel it has not told us of is new.
long long InspircdDialect::ChannelTime(const std::string& channel) {
    long long& time = channelTime_[channel];
    if (time == 0) time = Now();
    return time;
}

}  // namespace nb
