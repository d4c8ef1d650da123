#include "network/network_events.h"

namespace nb {

void NetworkEventBus::OnLinkUp() {
    for (auto* subscriber : subscribers_) subscriber->OnLinkUp();
}

void NetworkEventBus::OnUserIntroduced(std::size_t slot) {
    for (auto* subscriber : subscribers_) subscriber->OnUserIntroduced(slot);
}

void NetworkEventBus::OnNickChanged(std::size_t slot, const std::string& oldNick) {
    for (auto* subscriber : subscribers_) subscriber->OnNickChanged(slot, oldNick);
}

void NetworkEventBus::OnUserGone(const OnlineUser& user, const std::optional<std::string>& quitMessage) {
    for (auto* subscriber : subscribers_) subscriber->OnUserGone(user, quitMessage);
}

void NetworkEventBus::OnUserJoined(const std::string& nick, const std::vector<std::string>& channels) {
    for (auto* subscriber : subscribers_) subscriber->OnUserJoined(nick, channels);
}

void NetworkEventBus::OnUserParted(const std::string& channel, const std::string& nick) {
    for (auto* subscriber : subscribers_) subscriber->OnUserParted(channel, nick);
}

void NetworkEventBus::OnUserKicked(const std::string& channel, const std::string& victim, const std::string& source) {
    for (auto* subscriber : subscribers_) subscriber->OnUserKicked(channel, victim, source);
}

void NetworkEventBus::OnTopicChanged(const std::string& channel, const std::string& setter, const std::string& topic) {
    for (auto* subscriber : subscribers_) subscriber->OnTopicChanged(channel, setter, topic);
}

void NetworkEventBus::OnModesChanged(const ModeChange& change) {
    for (auto* subscriber : subscribers_) subscriber->OnModesChanged(change);
}

void NetworkEventBus::OnChannelMessage(const std::string& channel, const std::string& nick, const std::string& text) {
    for (auto* subscriber : subscribers_) subscriber->OnChannelMessage(channel, nick, text);
}

}  // namespace nb
