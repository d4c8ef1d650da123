// What happened on the network, as the network state announces it to the services.
// Each call comes after the tables show the change. A subscriber that acts on the network
// (a kill, a nick change) sees the events of its own action only after it has returned.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
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
    // The uplink has sent the whole network: the tables show what was there before us.
    virtual void OnBurstEnded() {}
    virtual void OnUserIntroduced(const std::string& /*nick*/) {}
    // The user now called `nick` was `oldNick` until now.
    virtual void OnNickChanged(const std::string& /*nick*/, const std::string& /*oldNick*/) {}
    // The user left the network (the record is a copy). `quitMessage` is empty when it was
    // killed.
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

// Passes every announcement to its subscribers, in the order they subscribed. An announcement
// made while another is delivered, or while a command's handler runs (Hold), waits its turn:
// no handler runs inside another, and the events come in the order they happened.
class NetworkEventBus : public NetworkEvents {
public:
    void Subscribe(NetworkEvents& subscriber) { subscribers_.push_back(&subscriber); }
    void Hold() { ++holds_; }
    // Delivers what waited, once nothing holds the bus any more.
    void Release();

    void OnLinkUp() override;
    void OnBurstEnded() override;
    void OnUserIntroduced(const std::string& nick) override;
    void OnNickChanged(const std::string& nick, const std::string& oldNick) override;
    void OnUserGone(const OnlineUser& user, const std::optional<std::string>& quitMessage) override;
    void OnUserJoined(const std::string& nick, const std::vector<std::string>& channels) override;
    void OnUserParted(const std::string& channel, const std::string& nick) override;
    void OnUserKicked(const std::string& channel, const std::string& victim, const std::string& source) override;
    void OnTopicChanged(const std::string& channel, const std::string& setter, const std::string& topic) override;
    void OnModesChanged(const ModeChange& change) override;
    void OnChannelMessage(const std::string& channel, const std::string& nick, const std::string& text) override;

private:
    // `deliver` takes one subscriber; it runs for each of them in turn.
    void Announce(std::function<void(NetworkEvents&)> deliver);
    void Deliver();

    std::vector<NetworkEvents*> subscribers_;
    std::deque<std::function<void(NetworkEvents&)>> waiting_;
    int holds_ = 0;
    bool delivering_ = false;
};

}  // namespace nb
