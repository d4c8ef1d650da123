#include "network/channels.h"

#include <algorithm>

#include "core/services.h"
#include "core/text.h"

namespace nb {
namespace {

bool HasMember(const NetChannel& channel, const std::string& nick) {
    return std::any_of(channel.members.begin(), channel.members.end(),
                       [&](const std::string& member) { return IEquals(member, nick); });
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
        std::string always = "beIkovhqaf";
        if (always.find(letter) != std::string::npos || (adding && (letter == 'l' || letter == 'L' || letter == 'j')))
            ++taken;
    }
    return taken;
}

bool ChangesMemberStatusOrBans(const std::string& modes) {
    return modes.find_first_of("ovb") != std::string::npos;
}

}  // namespace

Channels::Channels(Services& services) : services_(services) {}

std::optional<std::size_t> Channels::FindNetChannel(const std::string& name) const {
    for (std::size_t slot = 0; slot < channels_.size(); ++slot) {
        if (IEquals(channels_[slot].name, name)) return slot;
    }
    return std::nullopt;
}

void Channels::ChannelJoin(const std::string& name, const std::string& nick) {
    if (name.empty() || name[0] != '#') return;
    bool realNick = !nick.empty() && nick != "0";
    auto slot = FindNetChannel(name);
    if (!slot) {
        NetChannel channel;
        channel.name = name;
        if (realNick) channel.members.push_back(nick);
        channels_.push_back(channel);
        services_.out.LogNetEvent(Bold(name) + " has been created by " + Bold(nick) + ".");
        return;
    }
    NetChannel& channel = channels_[*slot];
    if (!realNick || HasMember(channel, nick)) return;
    channel.members.push_back(nick);
    services_.out.LogNetEvent(Bold(nick) + " joined " + Bold(channel.name) + ".");
}

void Channels::ChannelMemberLeft(const std::string& name, const std::string& nick) {
    auto slot = FindNetChannel(name);
    if (!slot) return;
    NetChannel& channel = channels_[*slot];
    auto before = channel.members.size();
    std::erase_if(channel.members, [&](const std::string& member) { return IEquals(member, nick); });
    if (channel.members.size() == before || !channel.members.empty()) return;
    services_.out.LogNetEvent(Bold(channel.name) + " has become empty, removing it.");
    RemoveChannel(*slot);
}

void Channels::RemoveChannel(std::size_t slot) {
    if (slot != channels_.size() - 1) channels_[slot] = std::move(channels_.back());
    channels_.pop_back();
}

void Channels::SetChannelTopic(const std::string& name, const std::string& topic) {
    if (auto slot = FindNetChannel(name)) channels_[*slot].topic = topic;
}

void Channels::SetChannelModes(const std::string& name, const std::string& modes) {
    if (!FindNetChannel(name)) ChannelJoin(name, "0");
    if (auto slot = FindNetChannel(name)) channels_[*slot].modes = modes;
}

void Channels::RemoveMemberEverywhere(const std::string& nick) {
    // Walk from the end: leaving may remove a channel and move the last one into its slot.
    for (std::size_t slot = channels_.size(); slot-- > 0;) {
        if (HasMember(channels_[slot], nick)) ChannelMemberLeft(channels_[slot].name, nick);
    }
}

void Channels::RenameMember(const std::string& oldNick, const std::string& newNick) {
    for (auto& channel : channels_) {
        for (auto& member : channel.members) {
            if (IEquals(member, oldNick)) member = newNick;
        }
    }
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
    if (auto slot = services_.users.FindOnlineUser(nick)) {
        for (const auto& name : joined) services_.EnforceChannelEntry(name, nick, *slot);
        for (const auto& name : joined) services_.SendChannelGreet(name, nick, *slot);
    }
    ++joinCount;
}

// :<nick> PART #channel [:reason]
void Channels::OnPart(const IrcLine& line) {
    std::string nick = line.SourceNick();
    const std::string& name = line.Param(0);
    services_.out.LogNetEvent(Bold(nick) + " has parted " + Bold(name) + ".");
    ChannelMemberLeft(name, nick);
    ++partCount;
}

// :<source> KICK #channel <victim> [:reason]; kicks are not logged.
void Channels::OnKick(const IrcLine& line) {
    ChannelMemberLeft(line.Param(0), line.Param(1));
    ++kickCount;
}

// :<nick> TOPIC #channel :<text>, or a burst TOPIC #channel <setter> <ts> :<text>
void Channels::OnTopic(const IrcLine& line) {
    const std::string& name = line.Param(0);
    std::string setter = line.params.size() >= 4 ? line.Param(1) : line.SourceNick();
    std::string topic = line.params.size() >= 2 ? line.params.back() : "";
    services_.out.LogNetEvent(Bold(setter) + " changed " + Bold(name + "'s") + " topic to: " + Bold(topic));
    SetChannelTopic(name, topic);
    services_.EnforceTopicLock(name);
}

// :<source> MODE #channel <modes> [parameters...] [<channel timestamp>]
void Channels::OnMode(const IrcLine& line) {
    std::string source = line.SourceNick();
    // Modes set by servers (bursts, netjoins) are not user actions.
    if (source.empty() || source.find('.') != std::string::npos) return;
    const std::string& name = line.Param(0);
    const std::string& modes = line.Param(1);
    std::vector<std::string> rest(line.params.begin() + std::min<std::size_t>(2, line.params.size()),
                                  line.params.end());
    if (rest.size() > ParametersTaken(modes) && IsDigits(rest.back())) rest.pop_back();
    std::string parameters = Trim(JoinWords(rest, 0));

    services_.ProtectChanServOp(name, source, modes, parameters);
    if (ChangesMemberStatusOrBans(modes)) return;
    services_.out.LogNetEvent(Bold(source) + " changed " + Bold(name + "'s") + " modes to: " +
                              Bold(modes + " " + parameters));
    SetChannelModes(name, modes);
    services_.EnforceModeLock(name, parameters);
}

}  // namespace nb
