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

const ChannelMember* NetChannel::FindMember(const std::string& nick) const {
    auto found = std::find_if(members.begin(), members.end(),
                              [&](const ChannelMember& member) { return !member.nick.empty() && IEquals(member.nick, nick); });
    return found == members.end() ? nullptr : &*found;
}

std::vector<std::string> NetChannel::Nicks() const {
    std::vector<std::string> nicks;
    for (const auto& member : members) {
        if (!member.nick.empty()) nicks.push_back(member.nick);
    }
    return nicks;
}

Channels::Channels(Logs& logs, NetworkEvents& events, const KnownUsers& users)
    : logs_(logs), events_(events), users_(users) {}

std::optional<std::size_t> Channels::FindNetChannel(const std::string& name) const {
    auto found = slotByName_.find(name);
    if (found == slotByName_.end()) return std::nullopt;
    return found->second;
}

void Channels::Clear() {
    channels_.clear();
    slotByName_.clear();
    slotById_.clear();
    membershipsOfNick_.clear();
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
    membershipsOfNick_[nick].push_back({channel.id, static_cast<std::uint32_t>(channel.members.size())});
    channel.members.push_back({nick});
    ++channel.memberCount;
}

// The nick's own few channels are quicker to look through than a big channel's members.
Channels::Membership* Channels::FindMembership(const std::string& nick, std::uint32_t channelId) {
    auto found = membershipsOfNick_.find(nick);
    if (found == membershipsOfNick_.end()) return nullptr;
    // From the newest: a membership is mostly looked at right after it began (the modes of a
    // join), and our clients hold one for every registered channel.
    for (auto membership = found->second.rbegin(); membership != found->second.rend(); ++membership) {
        if (membership->channelId == channelId) return &*membership;
    }
    return nullptr;
}

const Channels::Membership* Channels::FindMembership(const std::string& nick, std::uint32_t channelId) const {
    return const_cast<Channels*>(this)->FindMembership(nick, channelId);
}

void Channels::ForgetMembership(const std::string& nick, std::uint32_t channelId) {
    auto found = membershipsOfNick_.find(nick);
    if (found == membershipsOfNick_.end()) return;
    std::erase_if(found->second, [&](const Membership& membership) { return membership.channelId == channelId; });
    if (found->second.empty()) membershipsOfNick_.erase(found);
}

ChannelMember* Channels::MemberOf(NetChannel& channel, const std::string& nick) {
    const Membership* membership = FindMembership(nick, channel.id);
    return membership == nullptr ? nullptr : &channel.members[membership->position];
}

const ChannelMember* Channels::Member(std::size_t slot, const std::string& nick) const {
    const NetChannel& channel = channels_.at(slot);
    const Membership* membership = FindMembership(nick, channel.id);
    return membership == nullptr ? nullptr : &channel.members[membership->position];
}

std::vector<std::string> Channels::ChannelsOf(const std::string& nick) const {
    std::vector<std::size_t> slots = SlotsOfMember(nick);
    std::vector<std::string> names;
    for (auto slot = slots.rbegin(); slot != slots.rend(); ++slot) names.push_back(channels_[*slot].name);
    return names;
}

void Channels::PackMembers(NetChannel& channel) {
    std::erase_if(channel.members, [](const ChannelMember& member) { return member.nick.empty(); });
    for (std::size_t position = 0; position < channel.members.size(); ++position) {
        if (Membership* membership = FindMembership(channel.members[position].nick, channel.id))
            membership->position = static_cast<std::uint32_t>(position);
    }
}

std::vector<std::size_t> Channels::SlotsOfMember(const std::string& nick) const {
    std::vector<std::size_t> slots;
    auto found = membershipsOfNick_.find(nick);
    if (found == membershipsOfNick_.end()) return slots;
    for (const Membership& membership : found->second) {
        if (auto slot = slotById_.find(membership.channelId); slot != slotById_.end()) slots.push_back(slot->second);
    }
    std::sort(slots.rbegin(), slots.rend());
    return slots;
}

void Channels::ChannelJoin(const std::string& name, const std::string& nick) {
    if (name.empty() || name[0] != '#' || !users_.IsUserOnline(nick)) return;
    auto slot = FindNetChannel(name);
    if (!slot) {
        NetChannel channel;
        channel.name = name;
        std::size_t created = AddChannel(std::move(channel));
        AddMember(channels_[created], nick);
        if (!logs_.NetEventsQuiet()) logs_.LogNetEvent(Bold(name) + " has been created by " + Bold(nick) + ".");
        return;
    }
    NetChannel& channel = channels_[*slot];
    if (FindMembership(nick, channel.id) != nullptr) return;
    AddMember(channel, nick);
    if (!logs_.NetEventsQuiet()) logs_.LogNetEvent(Bold(nick) + " joined " + Bold(channel.name) + ".");
}

void Channels::AddOwnClient(const std::string& name, const std::string& nick) {
    auto slot = FindNetChannel(name);
    // A channel new to us has no members to search (ChanServ sits in every registered channel
    // from the link on: a search each would grow as their square).
    bool created = !slot;
    if (created) slot = AddChannel({name, std::nullopt, std::nullopt, {}, 0, 0});
    NetChannel& channel = channels_[*slot];
    if (created || FindMembership(nick, channel.id) == nullptr) AddMember(channel, nick);
}

void Channels::ChannelMemberLeft(const std::string& name, const std::string& nick) {
    auto slot = FindNetChannel(name);
    if (!slot) return;
    NetChannel& channel = channels_[*slot];
    ChannelMember* member = MemberOf(channel, nick);
    if (member == nullptr) return;
    *member = ChannelMember{};
    --channel.memberCount;
    ForgetMembership(nick, channel.id);
    if (channel.memberCount == 0) {
        logs_.LogNetEvent(Bold(channel.name) + " has become empty, removing it.");
        RemoveChannel(*slot);
        return;
    }
    if (channel.members.size() > 16 && channel.memberCount < channel.members.size() / 2) PackMembers(channel);
}

void Channels::RemoveChannel(std::size_t slot) {
    slotByName_.erase(channels_[slot].name);
    slotById_.erase(channels_[slot].id);
    for (const ChannelMember& member : channels_[slot].members) {
        if (!member.nick.empty()) ForgetMembership(member.nick, channels_[slot].id);
    }
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
        if (ChannelMember* member = MemberOf(channels_[*slot], parameter)) (letter == 'o' ? member->op : member->voice) = adding;
    }
}

void Channels::RemoveMemberEverywhere(const std::string& nick) {
    // Highest slot first, as leaving may remove a channel and move the last one into its slot.
    std::vector<std::string> names;
    for (std::size_t slot : SlotsOfMember(nick)) names.push_back(channels_[slot].name);
    for (const std::string& name : names) ChannelMemberLeft(name, nick);
}

void Channels::RenameMember(const std::string& oldNick, const std::string& newNick) {
    auto found = membershipsOfNick_.find(oldNick);
    if (found == membershipsOfNick_.end()) return;
    std::vector<Membership> memberships = std::move(found->second);
    membershipsOfNick_.erase(found);
    for (const Membership& membership : memberships) {
        if (auto slot = slotById_.find(membership.channelId); slot != slotById_.end())
            channels_[slot->second].members[membership.position].nick = newNick;
    }
    std::vector<Membership>& renamed = membershipsOfNick_[newNick];
    renamed.insert(renamed.end(), memberships.begin(), memberships.end());
}

// :<nick> JOIN #a,#b,...
void Channels::OnJoin(const IrcLine& line) {
    std::string nick = line.SourceNick();
    std::vector<std::string> joined;
    for (const auto& entry : SplitList(line.Param(0), ',')) {
        std::string name = Trim(entry);
        if (!name.empty() && name[0] == '#') joined.push_back(name);
    }
    if (joined.empty() || !users_.IsUserOnline(nick)) return;
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
        if (!users_.IsUserOnline(nick)) continue;
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
