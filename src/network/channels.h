// Every channel on the network with its modes, topic and members, kept from the server's
// JOIN, PART, KICK, TOPIC and MODE lines.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/irc_line.h"

namespace nb {

class Services;

inline constexpr const char* kNotDetected = "Hasn't been detected!";

struct NetChannel {
    std::string name;
    std::string modes = kNotDetected;
    std::string topic = kNotDetected;
    std::vector<std::string> members;  // in order of joining
};

class Channels {
public:
    explicit Channels(Services& services);

    bool ChannelExists(const std::string& name) const { return FindNetChannel(name).has_value(); }
    std::optional<std::size_t> FindNetChannel(const std::string& name) const;
    // Adds a member, creating the channel first when needed; "0" or "" only creates it.
    void ChannelJoin(const std::string& name, const std::string& nick);
    // Removes the member (letter case ignored); an emptied channel is removed and logged.
    void ChannelMemberLeft(const std::string& name, const std::string& nick);
    void SetChannelTopic(const std::string& name, const std::string& topic);
    void SetChannelModes(const std::string& name, const std::string& modes);

    // A user left the network: leaves every channel it was in.
    void RemoveMemberEverywhere(const std::string& nick);
    void RenameMember(const std::string& oldNick, const std::string& newNick);
    void Clear() { channels_.clear(); }

    std::size_t Count() const { return channels_.size(); }
    const NetChannel& At(std::size_t slot) const { return channels_.at(slot); }

    void OnJoin(const IrcLine& line);
    void OnPart(const IrcLine& line);
    void OnKick(const IrcLine& line);
    void OnTopic(const IrcLine& line);
    void OnMode(const IrcLine& line);

    long joinCount = 0;
    long partCount = 0;
    long kickCount = 0;

private:
    void RemoveChannel(std::size_t slot);

    Services& services_;
    std::vector<NetChannel> channels_;
};

}  // namespace nb
