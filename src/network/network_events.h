// What happened on the network, as the network state announces it to the services.
// Each call comes after the tables show the change, unless it says otherwise.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "network/online_user.h"

namespace nb {

struct ModeChange {
    std::string channel;
    std::string source;      // the nick that changed the modes
    std::string modes;       // e.g. "+nt" or "-o"
    std::string parameters;  // blank-separated, trimmed; "" when none
    bool statusOrBans = false;  // gives or takes operator or voice status, or a ban
};

class NetworkEvents {
public:
    virtual ~NetworkEvents() = default;
    // A new link is up: the tables are empty and the uplink is about to send the network.
    virtual void OnLinkUp() {}
    virtual void OnUserIntroduced(std::size_t /*slot*/) {}
    // The user in `slot` was `oldNick` until now.
    virtual void OnNickChanged(std::size_t /*slot*/, const std::string& /*oldNick*/) {}
    // The user is leaving the network: still in its channels, about to leave the user table.
    // `quitMessage` is empty when it was killed.
    virtual void OnUserGone(const OnlineUser& /*user*/, const std::optional<std::string>& /*quitMessage*/) {}
    virtual void OnUserJoined(const std::string& /*nick*/, const std::vector<std::string>& /*channels*/) {}
    virtual void OnUserParted(const std::string& /*channel*/, const std::string& /*nick*/) {}
    virtual void OnUserKicked(const std::string& /*channel*/, const std::string& /*victim*/,
                              const std::string& /*source*/) {}
    virtual void OnTopicChanged(const std::string& /*channel*/, const std::string& /*setter*/,
                                const std::string& /*topic*/) {}
    virtual void OnModesChanged(const ModeChange& /*change*/) {}
    virtual void OnChannelMessage(const std::string& /*channel*/, const std::string& /*nick*/,
                                  const std::string& /*text*/) {}
};

// Passes every announcement to its subscribers, in the order they subscribed.
class NetworkEventBus : public NetworkEvents {
public:
    void Subscribe(NetworkEvents& subscriber) { subscribers_.push_back(&subscriber); }

    void OnLinkUp() override;
    void OnUserIntroduced(std::size_t slot) override;
    void OnNickChanged(std::size_t slot, const std::string& oldNick) override;
    void OnUserGone(const OnlineUser& user, const std::optional<std::string>& quitMessage) override;
    void OnUserJoined(const std::string& nick, const std::vector<std::string>& channels) override;
    void OnUserParted(const std::string& channel, const std::string& nick) override;
    void OnUserKicked(const std::string& channel, const std::string& victim, const std::string& source) override;
    void OnTopicChanged(const std::string& channel, const std::string& setter, const std::string& topic) override;
    void OnModesChanged(const ModeChange& change) override;
    void OnChannelMessage(const std::string& channel, const std::string& nick, const std::string& text) override;

private:
    std::vector<NetworkEvents*> subscribers_;
};

}  // namespace nb
