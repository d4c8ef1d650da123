// OperServ: the network's operators log in with their password from a known host, and run the
// commands their level opens (kills, kicks, modes, jupes, reports on the network). It is the
// only writer of a user's operator level and override flag.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/settings.h"
#include "help/service_help.h"
#include "link/line_sink.h"
#include "link/link_settings.h"
#include "network/channels.h"
#include "network/logs.h"
#include "network/max_users.h"
#include "network/network_events.h"
#include "network/online_users.h"
#include "network/outbound.h"
#include "network/server_queries.h"
#include "operserv/oper_database.h"
#include "services/channel_registry.h"
#include "services/command_table.h"
#include "services/service_clients.h"
#include "services/stored_list.h"

namespace nb {

// What OperServ reads of the network and the other services.
struct OperServNetwork {
    OnlineUsers& users;
    const Channels& channels;
    Outbound& out;
    Logs& logs;
    const ServerQueries& queries;
    const MaxUsersRecord& maxUsers;
    const ServiceClients& clients;
    const LinkSettings& us;
    const LogChannels& logChannels;
    const ChannelRegistry& registered;
};

class OperServ : public NetworkEvents {
public:
    OperServ(const DataDirectory& data, GroupCommit& commit, Settings& settings, const Clock& clock,
             const ServiceHelp& help, OperServNetwork network);
    OperServ(const OperServ&) = delete;
    OperServ& operator=(const OperServ&) = delete;

    const CommandTable& Commands() const { return table_; }
    static std::vector<std::string> DataFiles() {
        return {"OperServ/OperServ.nb2", "OperServ/Commands.nb2", "Jupe.nb2"};
    }
    static std::vector<SettingDefault> SettingDefaults() { return {{"General", "OS Info", "450"}}; }
    // `die` ends the link through it.
    void AttachLink(LinkControl* link) { link_ = link; }

    // Start-up and after a restore: operators, command levels (with the default levels when
    // the version is new), jupes.
    void LoadDatabases();
    OperDatabase& Database() { return database_; }
    StoredList& Jupes() { return jupes_; }
    // After the operators or the levels changed: who has which level now, and which commands
    // answer at which level. A level stays only with a user logged in as its operator.
    void OperatorsReloaded();
    void CommandLevelsReloaded();

    // Logging in lasts until the user leaves, changes nick, or the link ends.
    void OnLinkUp() override;
    void OnNickChanged(const std::string& nick, const std::string& oldNick) override;
    void OnUserGone(const OnlineUser& user, const std::optional<std::string>& quitMessage) override;

private:
    // operserv.cpp: the table, the access check, login and the refusals.
    bool AdmitsSender(const CommandContext& context);
    void AnswerUnknown(const CommandContext& context);
    void RefuseLevel(const CommandContext& context, const Command& command);
    void EndLogin(std::uint64_t userId);
    OnlineUser& Sender(const CommandContext& context) { return users_.At(context.sender.slot); }
    // ChanServ, OperServ and NickServ: nobody deops or kicks them.
    bool IsProtected(const std::string& nick) const;
    void Help(const CommandContext& context);
    void Login(const CommandContext& context);

    // operserv_user_commands.cpp
    void Mode(const CommandContext& context);
    void Op(const CommandContext& context);
    void Deop(const CommandContext& context);
    void Kill(const CommandContext& context);
    void Kick(const CommandContext& context);
    void MassKill(const CommandContext& context);
    void Invite(const CommandContext& context);
    void Match(const CommandContext& context);
    void Whois(const CommandContext& context);

    // operserv_network_commands.cpp
    void Raw(const CommandContext& context);
    void Die(const CommandContext& context);
    bool ChannelNameValid(const CommandContext& context);
    void ChanInfo(const CommandContext& context);
    void MassStatus(const CommandContext& context);
    void Broadcast(const CommandContext& context);
    void Users(const CommandContext& context);
    void Uptime(const CommandContext& context);
    void NetStats(const CommandContext& context);
    void Override(const CommandContext& context);

    // operserv_jupes.cpp
    void Jupe(const CommandContext& context);
    void JupeAdd(const CommandContext& context);
    void JupeDel(const CommandContext& context);

    const Clock& clock_;
    const ServiceHelp& help_;
    OperDatabase database_;
    StoredList jupes_;
    OnlineUsers& users_;
    const Channels& channels_;
    Outbound& out_;
    Logs& logs_;
    const ServerQueries& queries_;
    const MaxUsersRecord& maxUsers_;
    const ServiceClients& clients_;
    const LinkSettings& us_;
    const LogChannels& logChannels_;
    const ChannelRegistry& registered_;
    LinkControl* link_ = nullptr;
    CommandTable table_;
    ActionTable jupeActions_;
};

// Words from `first` up to the first empty word, each followed by one blank: the reason or
// text of a command ("" when there is none).
std::string FreeText(const CommandWords& words, std::size_t first);

}  // namespace nb
