// What NickServ announces to the other services, each event to every subscriber in the order
// they subscribed (subscribed in one place, where the services are put together).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace nb {

class NickEvents {
public:
    virtual ~NickEvents() = default;
    // A user on a registered nick was recognised by one of its access hosts.
    virtual void OnRecognised(std::size_t /*slot*/) {}
    virtual void OnIdentified(std::size_t /*slot*/) {}
    virtual void OnDropped(const std::string& /*nick*/) {}
    // Access host `hostSlot` (1 to 3) of the nick is now `host`; answers how many records of the
    // subscriber took it along.
    virtual std::size_t OnAccessHostChanged(const std::string& /*nick*/, int /*hostSlot*/, const std::string& /*host*/) {
        return 0;
    }
};

class NickEventBus : public NickEvents {
public:
    void Subscribe(NickEvents& subscriber) { subscribers_.push_back(&subscriber); }

    void OnRecognised(std::size_t slot) override {
        for (NickEvents* subscriber : subscribers_) subscriber->OnRecognised(slot);
    }
    void OnIdentified(std::size_t slot) override {
        for (NickEvents* subscriber : subscribers_) subscriber->OnIdentified(slot);
    }
    void OnDropped(const std::string& nick) override {
        for (NickEvents* subscriber : subscribers_) subscriber->OnDropped(nick);
    }
    std::size_t OnAccessHostChanged(const std::string& nick, int hostSlot, const std::string& host) override {
        std::size_t carried = 0;
        for (NickEvents* subscriber : subscribers_) carried += subscriber->OnAccessHostChanged(nick, hostSlot, host);
        return carried;
    }

private:
    std::vector<NickEvents*> subscribers_;
};

}  // namespace nb
