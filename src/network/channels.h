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
    std::string nick;
    bool op = false;
    bool voice = false;
};

struct NetChannel {
    std::string name;
    std::optional<std::string> modes;  // the last mode string seen, without parameters
    std::optional<std::string> topic;  // the last topic seen
    std::vector<ChannelMember> members;  // in order of joining
    std::uint32_t id = 0;  // never reused while the program runs, unlike the slot

    ChannelMember* FindMember(const std::string& nick);
    const ChannelMember* FindMember(const std::string& nick) const;
    std::vector<std::string> Nicks() const;
};

class Channels {
public:
    Channels(Logs& logs, NetworkEvents& events);

    bool ChannelExists(const std::string& name) const { return FindNetChannel(name).has_value(); }
    std::optional<std::size_t> FindNetChannel(const std::string& name) const;
    // Adds a member, creating the channel first when needed; "0" or "" only creates it.
    void ChannelJoin(const std::string& name, const std::string& nick);
    // One of our own clients joined: a member like any other, but nothing is logged.
    void AddOwnClient(const std::string& name, const std::string& nick);
    // Removes the member (letter case ignored); an emptied channel is removed and logged.
    void ChannelMemberLeft(const std::string& name, const std::string& nick);
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
    std::size_t AddChannel(NetChannel channel);
    void AddMember(NetChannel& channel, const std::string& nick);
    void RemoveChannel(std::size_t slot);
    void ForgetMembership(const std::string& nick, std::uint32_t channelId);
    bool IsMember(const std::string& nick, const NetChannel& channel) const;
    // The slots of the nick's channels, highest first.
    std::vector<std::size_t> SlotsOfMember(const std::string& nick) const;

    Logs& logs_;
    NetworkEvents& events_;
    std::vector<NetChannel> channels_;
    // Channel name to slot, and nick to the ids of the channels it is in, so that a join or a
    // quit never walks the whole table. Ids rather than names: a network has many members.
    NameIndex<std::size_t> slotByName_;
    std::unordered_map<std::uint32_t, std::size_t> slotById_;
    NameIndex<std::vector<std::uint32_t>> channelsOfNick_;
    std::uint32_t nextChannelId_ = 1;
};

}  // namespace nb
