#include "network/network_events.h"

namespace nb {

void NetworkEventBus::Release() {
    if (--holds_ == 0) Deliver();
}

void NetworkEventBus::Announce(std::function<void(NetworkEvents&)> deliver) {
    waiting_.push_back(std::move(deliver));
    Deliver();
}

void NetworkEventBus::Deliver() {
    if (holds_ > 0 || delivering_) return;
    delivering_ = true;
    while (!waiting_.empty()) {
        auto deliver = std::move(waiting_.front());
        waiting_.pop_front();
        for (auto* subscriber : subscribers_) deliver(*subscriber);
    }
    delivering_ = false;
}

void NetworkEventBus::OnLinkUp() {
    Announce([](NetworkEvents& to) { to.OnLinkUp(); });
}

void NetworkEventBus::OnBurstEnded() {
    Announce([](NetworkEvents& to) { to.OnBurstEnded(); });
}

void NetworkEventBus::OnUserIntroduced(const std::string& nick) {
    Announce([nick](NetworkEvents& to) { to.OnUserIntroduced(nick); });
}

void NetworkEventBus::OnNickChanged(const std::string& nick, const std::string& oldNick) {
    Announce([nick, oldNick](NetworkEvents& to) { to.OnNickChanged(nick, oldNick); });
}

void NetworkEventBus::OnUserGone(const OnlineUser& user, const std::optional<std::string>& quitMessage) {
    Announce([user, quitMessage](NetworkEvents& to) { to.OnUserGone(user, quitMessage); });
}

void NetworkEventBus::OnUserJoined(const std::string& nick, const std::vector<std::string>& channels) {
    Announce([nick, channels](NetworkEvents& to) { to.OnUserJoined(nick, channels); });
}

void NetworkEventBus::OnUserParted(const std::string& channel, const std::string& nick) {
    Announce([channel, nick](NetworkEvents& to) { to.OnUserParted(channel, nick); });
}

void NetworkEventBus::OnUserKicked(const std::string& channel, const std::string& victim, const std::string& source) {
    Announce([channel, victim, source](NetworkEvents& to) { to.OnUserKicked(channel, victim, source); });
}

void NetworkEventBus::OnTopicChanged(const std::string& channel, const std::string& setter, const std::string& topic) {
    Announce([channel, setter, topic](NetworkEvents& to) { to.OnTopicChanged(channel, setter, topic); });
}

void NetworkEventBus::OnModesChanged(const ModeChange& change) {
    Announce([change](NetworkEvents& to) { to.OnModesChanged(change); });
}

void NetworkEventBus::OnChannelMessage(const std::string& channel, const std::string& nick, const std::string& text) {
    Announce([channel, nick, text](NetworkEvents& to) { to.OnChannelMessage(channel, nick, text); });
}

}  // namespace nb
