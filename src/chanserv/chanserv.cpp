#include "chanserv/chanserv.h"

namespace nb {

ChanServ::ChanServ(const DataDirectory& data, Console& console, const Clock& clock, GroupCommit& commit,
                   const Settings& settings, OnlineUsers& users, const Channels& channels, Outbound& out,
                   const ServiceHelp& help,
                   const NickStatus& nicks, const Standing& standing, const ServiceClient& chanServ,
                   const ServiceClient& nickServ)
    : out_(out),
      client_(chanServ),
      database_(data, console, commit, nicks),
      commands_(database_, users, out, settings, clock, help, nicks, standing, nickServ),
      enforcement_(database_, users, channels, out, chanServ) {}

bool ChanServ::DropChannel(const std::string& name) {
    RegisteredChannel* record = database_.FindRegisteredChannel(name);
    if (record == nullptr) return false;
    std::string dropped = record->name;
    database_.DropRegisteredChannel(*record);
    database_.ChannelsChanged();
    database_.AccessChanged();
    out_.Part(client_.nick, dropped);
    return true;
}

std::optional<std::string> ChanServ::EditChannel(const std::string& name, const std::string& field, const std::string& value) {
    RegisteredChannel* record = database_.FindRegisteredChannel(name);
    if (record == nullptr) return "The channel " + name + " is not registered.";
    const std::pair<const char*, ChannelField> kFields[] = {
        {"description", ChannelField::Description}, {"email", ChannelField::Email}, {"greet", ChannelField::Greet}};
    for (const auto& [word, which] : kFields) {
        if (field != word) continue;
        if (auto refusal = RefusalOf(which, value)) return refusal->text;
        (which == ChannelField::Description ? record->description : which == ChannelField::Email ? record->email : record->greet) = value;
        database_.ChannelsChanged();
        return std::nullopt;
    }
    return "A channel's description, email or greet can be edited.";
}

void ChanServ::LoadChannelDatabase() {
    database_.LoadChannelDatabase(true, true);
    database_.Restricted().LoadRestrictedChannels();
}

std::vector<std::string> ChanServ::LinkChannels() const {
    std::vector<std::string> names;
    for (const RegisteredChannel& channel : database_.RegisteredChannels()) {
        if (!channel.name.empty()) names.push_back(channel.name);
    }
    return names;
}

// Whoever leaves a nick, by a change, a quit or a kill, leaves its channel identification.
void ChanServ::OnNickChanged(const std::string&, const std::string& oldNick) {
    database_.ForgetChannelIdentification(oldNick);
}

void ChanServ::OnUserGone(const OnlineUser& user, const std::optional<std::string>&) {
    database_.ForgetChannelIdentification(user.nick);
}

void ChanServ::OnUserJoined(const std::string& nick, const std::vector<std::string>& channels) {
    enforcement_.OnUserJoined(nick, channels);
}

void ChanServ::OnTopicChanged(const std::string& channel, const std::string&, const std::string&) {
    enforcement_.OnTopicChanged(channel);
}

void ChanServ::OnModesChanged(const ModeChange& change) { enforcement_.OnModesChanged(change); }

}  // namespace nb
