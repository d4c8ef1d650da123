// Every channel on the network with its modes, topic and members, kept from the server's
// JOIN, SJOIN, PART, KICK, TOPIC and MODE lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/text.h"
#include "link/irc_line.h"
#include "network/logs.h"
#include "network/network_events.h"

namespace nb {

struct ChannelMember {
    std::string nick;  // empty: a member who left, until the list is packed again
    bool op = false;
    bool voice = false;
};

struct NetChannel {
    std::string name;
    std::optional<std::string> modes;  // the last mode string seen, without parameters
    std::optional<std::string> topic;  // the last topic seen
    // In order of joining. A member who leaves leaves a hole, so that a departure never moves
    // the others; the list is packed when holes are half of it.
    std::vector<ChannelMember> members;
    std::size_t memberCount = 0;  // members without the holes
    std::uint32_t id = 0;  // never reused while the program runs, unlike the slot

    // By a walk through the members; the channel table has a quicker way.
    const ChannelMember* FindMember(const std::string& nick) const;
    std::vector<std::string> Nicks() const;
};

// Who the channel table may take as a member: only users the network has introduced, so that
// no channel is kept for names that never leave.
class KnownUsers {
public:
    virtual ~KnownUsers() = default;
    virtual bool IsUserOnline(const std::string& nick) const = 0;
};

class Channels {
public:
    Channels(Logs& logs, NetworkEvents& events, const KnownUsers& users);

    bool ChannelExists(const std::string& name) const { return FindNetChannel(name).has_value(); }
    std::optional<std::size_t> FindNetChannel(const std::string& name) const;
    // Adds a known user as a member, creating the channel first when needed.
    void ChannelJoin(const std::string& name, const std::string& nick);
    // One of our own clients joined: a member like any other, but nothing is logged.
    void AddOwnClient(const std::string& name, const std::string& nick);
    // Removes the member (letter case ignored); an emptied channel is removed and logged.
    void ChannelMemberLeft(const std::string& name, const std::string& nick);
    // Both only for a channel in the table: a channel without members is not kept.
    void SetChannelTopic(const std::string& name, const std::string& topic);
    void SetChannelModes(const std::string& name, const std::string& modes);
    // Gives or takes operator and voice status as a MODE line does; other letters are left alone.
    void ApplyMemberStatus(const std::string& name, const std::string& modes,
                           const std::vector<std::string>& parameters);

    // A user left the network: leaves every channel it was in.
    void RemoveMemberEverywhere(const std::string& nick);
    void RenameMember(const std::string& oldNick, const std::string& newNick);
    void Clear();

    std::size_t Count() const { return channels_.size(); }
    const NetChannel& At(std::size_t slot) const { return channels_.at(slot); }
    // The member of the channel in `slot`, or nullptr; costs the same however big the channel.
    const ChannelMember* Member(std::size_t slot, const std::string& nick) const;
    // The names of the nick's channels, in table order.
    std::vector<std::string> ChannelsOf(const std::string& nick) const;

    void OnJoin(const IrcLine& line);
    void OnSjoin(const IrcLine& line);
    void OnPart(const IrcLine& line);
    void OnKick(const IrcLine& line);
    void OnTopic(const IrcLine& line);
    void OnMode(const IrcLine& line);
    void OnChannelMessage(const IrcLine& line);

    long joinCount = 0;
    long partCount = 0;
    long kickCount = 0;

private:
    // Where a nick is a member: its channel and its place in the channel's list.
    struct Membership {
        std::uint32_t channelId;
        std::uint32_t position;
    };

    std::size_t AddChannel(NetChannel channel);
    void AddMember(NetChannel& channel, const std::string& nick);
    void RemoveChannel(std::size_t slot);
    Membership* FindMembership(const std::string& nick, std::uint32_t channelId);
    const Membership* FindMembership(const std::string& nick, std::uint32_t channelId) const;
    void ForgetMembership(const std::string& nick, std::uint32_t channelId);
    ChannelMember* MemberOf(NetChannel& channel, const std::string& nick);
    // Closes the holes of departed members, and tells the memberships their new places.
    void PackMembers(NetChannel& channel);
    // The slots of the nick's channels, highest first.
    std::vector<std::size_t> SlotsOfMember(const std::string& nick) const;

    Logs& logs_;
    NetworkEvents& events_;
    const KnownUsers& users_;
    std::vector<NetChannel> channels_;
    // Channel name to slot, and nick to where it is a member, so that a join or a quit never
    // walks the whole table nor a whole channel. Ids rather than names: a network has many
    // members.
    NameIndex<std::size_t> slotByName_;
    std::unordered_map<std::uint32_t, std::size_t> slotById_;
    NameIndex<std::vector<Membership>> membershipsOfNick_;
    std::uint32_t nextChannelId_ = 1;
};

}  // namespace nb
