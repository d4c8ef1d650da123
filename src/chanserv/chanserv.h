// ChanServ: registered channels, their access lists, their commands, and what happens when
// users enter registered channels or change their topics and modes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "chanserv/channel_database.h"
#include "chanserv/channel_enforcement.h"
#include "chanserv/chanserv_commands.h"
#include "network/network_events.h"
#include "services/channel_registry.h"
#include "services/nick_events.h"

namespace nb {

class ChanServ : public NetworkEvents, public NickEvents, public ChannelRegistry {
public:
    ChanServ(const DataDirectory& data, Console& console, const Clock& clock, GroupCommit& commit,
             const Settings& settings, OnlineUsers& users, const Channels& channels, Outbound& out,
             const ServiceHelp& help,
             const NickStatus& nicks, const Standing& standing, const ServiceClient& chanServ,
             const ServiceClient& nickServ);

    const CommandTable& Commands() const { return commands_.Table(); }
    ChannelDatabase& Database() { return database_; }
    const ChannelDatabase& Database() const { return database_; }

    static std::vector<std::string> DataFiles() {
        return {"ChanServ/ChanServ.nb2", "ChanServ/Access.nb2", "ChanServ/Restrict.nb2"};
    }
    // Who may register channels (see the register command).
    static std::vector<SettingDefault> SettingDefaults() {
        return {{"Security", "ChanServ Register", "0"}, {"Security", "ChanServ Level", "200"}};
    }
    // Start-up and after a restore: the channels, their access entries, the restricted patterns.
    void LoadChannelDatabase();
    // The registered channels in table order: ChanServ sits in each of them from the link on.
    std::vector<std::string> LinkChannels() const;
    bool IsChannelRegistered(const std::string& name) const override { return database_.IsChannelRegistered(name); }
    std::vector<std::string> RegisteredChannelNames() const override { return LinkChannels(); }
    // NickServ's access command puts a new host into the nick's channel access entries.
    std::size_t OnAccessHostChanged(const std::string& nick, int hostSlot, const std::string& host) override {
        return database_.CarryAccessHost(nick, hostSlot, host);
    }

    // What happens on the network.
    void OnLinkUp() override { database_.ForgetChannelIdentifications(); }
    void OnNickChanged(const std::string& nick, const std::string& oldNick) override;
    void OnUserGone(const OnlineUser& user, const std::optional<std::string>& quitMessage) override;
    void OnUserJoined(const std::string& nick, const std::vector<std::string>& channels) override;
    void OnBurstEnded() override { enforcement_.RestoreLocks(); }
    void OnTopicChanged(const std::string& channel, const std::string& setter, const std::string& topic) override;
    void OnModesChanged(const ModeChange& change) override;

    // The console drops a registered channel as its founder's drop does; false when it is not
    // registered.
    bool DropChannel(const std::string& name);
    // The console's edit of a channel's "description", "email" or "greet": why it cannot be
    // stored, or nothing when it was.
    std::optional<std::string> EditChannel(const std::string& name, const std::string& field, const std::string& value);

private:
    Outbound& out_;
    const ServiceClient& client_;
    ChannelDatabase database_;
    ChanServCommands commands_;
    ChannelEnforcement enforcement_;
};

}  // namespace nb
