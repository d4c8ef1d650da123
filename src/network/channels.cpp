#include "network/channels.h"

#include <algorithm>

#include "core/text.h"

namespace nb {
namespace {

bool TakesParameter(char letter, bool adding) {
    constexpr std::string_view kAlways = "beIkovhqaf";
    return kAlways.find(letter) != std::string_view::npos || (adding && (letter == 'l' || letter == 'L' || letter == 'j'));
}

// How many of the mode letters take a parameter, so a trailing channel timestamp that a
// server appends can be told from a real parameter.
std::size_t ParametersTaken(const std::string& modes) {
    std::size_t taken = 0;
    bool adding = true;
    for (char letter : modes) {
        if (letter == '+' || letter == '-') {
            adding = letter == '+';
            continue;
        }
        if (TakesParameter(letter, adding)) ++taken;
    }
    return taken;
}

bool ChangesMemberStatusOrBans(const std::string& modes) {
    return modes.find_first_of("ovb") != std::string::npos;
}

// The status an SJOIN member prefix gives; list entries (bans and the like) give none.
bool IsStatusPrefix(char c) { return std::string_view("@+%~*").find(c) != std::string_view::npos; }
bool IsListPrefix(char c) { return std::string_view("&\"'").find(c) != std::string_view::npos; }

}  // namespace

ChannelMember* NetChannel::FindMember(const std::string& nick) {
    auto found = std::find_if(members.begin(), members.end(),
                              [&](const ChannelMember& member) { return IEquals(member.nick, nick); });
    return found == members.end() ? nullptr : &*found;
}

const ChannelMember* NetChannel::FindMember(const std::string& nick) const {
    return const_cast<NetChannel*>(this)->FindMember(nick);
}

std::vector<std::string> NetChannel::Nicks() const {
    std::vector<std::string> nicks;
    for (const auto& member : members) nicks.push_back(member.nick);
    return nicks;
}

Channels::Channels(Logs& logs, NetworkEvents& events) : logs_(logs), events_(events) {}

std::optional<std::size_t> Channels::FindNetChannel(const std::string& name) const {
    auto found = slotByName_.find(name);
    if (found == slotByName_.end()) return std::nullopt;
    return found->second;
}

void Channels::Clear() {
    channels_.clear();
    slotByName_.clear();
    slotById_.clear();
    channelsOfNick_.clear();
}

std::size_t Channels::AddChannel(NetChannel channel) {
    std::size_t slot = channels_.size();
    channel.id = nextChannelId_++;
    slotByName_[channel.name] = slot;
    slotById_[channel.id] = slot;
    channels_.push_back(std::move(channel));
    return slot;
}

void Channels::AddMember(NetChannel& channel, const std::string& nick) {
    channel.members.push_back({nick});
    channelsOfNick_[nick].push_back(channel.id);
}

// The nick's own few channels are quicker to look through than a big channel's members.
bool Channels::IsMember(const std::string& nick, const NetChannel& channel) const {
    auto found = channelsOfNick_.find(nick);
    if (found == channelsOfNick_.end()) return false;
    return std::find(found->second.begin(), found->second.end(), channel.id) != found->second.end();
}

void Channels::ForgetMembership(const std::string& nick, std::uint32_t channelId) {
    auto found = channelsOfNick_.find(nick);
    if (found == channelsOfNick_.end()) return;
    std::erase(found->second, channelId);
    if (found->second.empty()) channelsOfNick_.erase(found);
}

std::vector<std::size_t> Channels::SlotsOfMember(const std::string& nick) const {
    std::vector<std::size_t> slots;
    auto found = channelsOfNick_.find(nick);
    if (found == channelsOfNick_.end()) return slots;
    for (std::uint32_t id : found->second) {
        if (auto slot = slotById_.find(id); slot != slotById_.end()) slots.push_back(slot->second);
    }
    std::sort(slots.rbegin(), slots.rend());
    return slots;
}

void Channels::ChannelJoin(const std::string& name, const std::string& nick) {
    if (name.empty() || name[0] != '#') return;
    bool realNick = !nick.empty() && nick != "0";
    auto slot = FindNetChannel(name);
    if (!slot) {
        NetChannel channel;
        channel.name = name;
        std::size_t created = AddChannel(std::move(channel));
        if (realNick) AddMember(channels_[created], nick);
        if (!logs_.NetEventsQuiet()) logs_.LogNetEvent(Bold(name) + " has been created by " + Bold(nick) + ".");
        return;
    }
    NetChannel& channel = channels_[*slot];
    if (!realNick || IsMember(nick, channel)) return;
    AddMember(channel, nick);
    if (!logs_.NetEventsQuiet()) logs_.LogNetEvent(Bold(nick) + " joined " + Bold(channel.name) + ".");
}

void Channels::AddOwnClient(const std::string& name, const std::string& nick) {
    auto slot = FindNetChannel(name);
    if (!slot) slot = AddChannel({name, std::nullopt, std::nullopt, {}});
    NetChannel& channel = channels_[*slot];
    if (channel.FindMember(nick) == nullptr) AddMember(channel, nick);
}

void Channels::ChannelMemberLeft(const std::string& name, const std::string& nick) {
    auto slot = FindNetChannel(name);
    if (!slot) return;
    NetChannel& channel = channels_[*slot];
    auto before = channel.members.size();
    std::erase_if(channel.members, [&](const ChannelMember& member) { return IEquals(member.nick, nick); });
    if (channel.members.size() == before) return;
    ForgetMembership(nick, channel.id);
    if (!channel.members.empty()) return;
    logs_.LogNetEvent(Bold(channel.name) + " has become empty, removing it.");
    RemoveChannel(*slot);
}

void Channels::RemoveChannel(std::size_t slot) {
    slotByName_.erase(channels_[slot].name);
    slotById_.erase(channels_[slot].id);
    for (const ChannelMember& member : channels_[slot].members) ForgetMembership(member.nick, channels_[slot].id);
    if (slot != channels_.size() - 1) {
        channels_[slot] = std::move(channels_.back());
        slotByName_[channels_[slot].name] = slot;
        slotById_[channels_[slot].id] = slot;
    }
    channels_.pop_back();
}

void Channels::SetChannelTopic(const std::string& name, const std::string& topic) {
    if (auto slot = FindNetChannel(name)) channels_[*slot].topic = topic;
}

void Channels::SetChannelModes(const std::string& name, const std::string& modes) {
    if (!FindNetChannel(name)) ChannelJoin(name, "0");
    if (auto slot = FindNetChannel(name)) channels_[*slot].modes = modes;
}

void Channels::ApplyMemberStatus(const std::string& name, const std::string& modes,
                                 const std::vector<std::string>& parameters) {
    auto slot = FindNetChannel(name);
    if (!slot) return;
    bool adding = true;
    std::size_t next = 0;
    for (char letter : modes) {
        if (letter == '+' || letter == '-') {
            adding = letter == '+';
            continue;
        }
        if (!TakesParameter(letter, adding)) continue;
        if (next >= parameters.size()) return;
        const std::string& parameter = parameters[next++];
        if (letter != 'o' && letter != 'v') continue;
        if (ChannelMember* member = channels_[*slot].FindMember(parameter)) (letter == 'o' ? member->op : member->voice) = adding;
    }
}

void Channels::RemoveMemberEverywhere(const std::string& nick) {
    // Highest slot first, as leaving may remove a channel and move the last one into its slot.
    std::vector<std::string> names;
    for (std::size_t slot : SlotsOfMember(nick)) names.push_back(channels_[slot].name);
    for (const std::string& name : names) ChannelMemberLeft(name, nick);
}

void Channels::RenameMember(const std::string& oldNick, const std::string& newNick) {
    for (std::size_t slot : SlotsOfMember(oldNick)) {
        if (ChannelMember* member = channels_[slot].FindMember(oldNick)) member->nick = newNick;
    }
    auto found = channelsOfNick_.find(oldNick);
    if (found == channelsOfNick_.end()) return;
    std::vector<std::uint32_t> ids = std::move(found->second);
    channelsOfNick_.erase(found);
    std::vector<std::uint32_t>& renamed = channelsOfNick_[newNick];
    renamed.insert(renamed.end(), ids.begin(), ids.end());
}

// :<nick> JOIN #a,#b,...
void Channels::OnJoin(const IrcLine& line) {
    std::string nick = line.SourceNick();
    std::vector<std::string> joined;
    for (const auto& entry : SplitList(line.Param(0), ',')) {
        std::string name = Trim(entry);
        if (!name.empty() && name[0] == '#') joined.push_back(name);
    }
    if (joined.empty() || nick.empty()) return;
    for (const auto& name : joined) ChannelJoin(name, nick);
    events_.OnUserJoined(nick, joined);
    ++joinCount;
}

// :<server> SJOIN <ts> #channel [+<modes> [<parameters>]] :[@|+...]<nick> ...
void Channels::OnSjoin(const IrcLine& line) {
    const std::string& name = line.Param(1);
    if (name.empty() || name[0] != '#' || line.params.size() < 3) return;
    for (const auto& entry : SplitFields(line.LastParam())) {
        if (IsListPrefix(entry[0])) continue;
        std::size_t nickStart = 0;
        while (nickStart < entry.size() && IsStatusPrefix(entry[nickStart])) ++nickStart;
        std::string nick = entry.substr(nickStart);
        if (nick.empty()) continue;
        ChannelJoin(name, nick);
        std::string status;
        for (std::size_t i = 0; i < nickStart; ++i) {
            if (entry[i] == '@') status += 'o';
            if (entry[i] == '+') status += 'v';
        }
        if (!status.empty()) ApplyMemberStatus(name, "+" + status, std::vector<std::string>(status.size(), nick));
        events_.OnUserJoined(nick, {name});
        ++joinCount;
    }
}

// :<nick> PART #channel [:reason]
void Channels::OnPart(const IrcLine& line) {
    std::string nick = line.SourceNick();
    const std::string& name = line.Param(0);
    logs_.LogNetEvent(Bold(nick) + " has parted " + Bold(name) + ".");
    ChannelMemberLeft(name, nick);
    events_.OnUserParted(name, nick);
    ++partCount;
}

// :<source> KICK #channel <victim> [:reason]; kicks are not logged.
void Channels::OnKick(const IrcLine& line) {
    ChannelMemberLeft(line.Param(0), line.Param(1));
    events_.OnUserKicked(line.Param(0), line.Param(1), line.SourceNick());
    ++kickCount;
}

// :<nick> TOPIC #channel :<text>, or a burst TOPIC #channel <setter> <ts> :<text>
void Channels::OnTopic(const IrcLine& line) {
    const std::string& name = line.Param(0);
    std::string setter = line.params.size() >= 4 ? line.Param(1) : line.SourceNick();
    std::string topic = line.params.size() >= 2 ? line.params.back() : "";
    logs_.LogNetEvent(Bold(setter) + " changed " + Bold(name + "'s") + " topic to: " + Bold(topic));
    SetChannelTopic(name, topic);
    events_.OnTopicChanged(name, setter, topic);
}

// :<source> MODE #channel <modes> [parameters...] [<channel timestamp>]
void Channels::OnMode(const IrcLine& line) {
    const std::string& name = line.Param(0);
    const std::string& modes = line.Param(1);
    std::vector<std::string> rest(line.params.begin() + std::min<std::size_t>(2, line.params.size()),
                                  line.params.end());
    if (rest.size() > ParametersTaken(modes) && IsDigits(rest.back())) rest.pop_back();
    // Status is kept whoever gives it: servers hand it out in bursts.
    ApplyMemberStatus(name, modes, rest);

    std::string source = line.SourceNick();
    // Modes set by servers (bursts, netjoins) are not user actions.
    if (source.empty() || source.find('.') != std::string::npos) return;
    ModeChange change{name, source, modes, Trim(JoinWords(rest, 0)), ChangesMemberStatusOrBans(modes)};
    if (!change.statusOrBans) {
        logs_.LogNetEvent(Bold(source) + " changed " + Bold(name + "'s") + " modes to: " +
                          Bold(modes + " " + change.parameters));
        SetChannelModes(name, modes);
    }
    events_.OnModesChanged(change);
}

// :<nick> PRIVMSG #channel :<text>
void Channels::OnChannelMessage(const IrcLine& line) {
    events_.OnChannelMessage(line.Param(0), line.SourceNick(), line.LastParam());
}

}  // namespace nb
