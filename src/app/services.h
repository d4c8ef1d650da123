// The one object that owns every module and wires them together. Each module gets only the
// references it uses; this is the only place where the services meet each other.
#pragma once

#include <filesystem>

#include "app/line_router.h"
#include "chanserv/chanserv.h"
#include "console/operator_console.h"
#include "core/clock.h"
#include "core/console.h"
#include "core/data_dir.h"
#include "core/debug_log.h"
#include "core/group_commit.h"
#include "core/settings.h"
#include "core/timers.h"
#include "core/workers.h"
#include "help/service_help.h"
#include "link/line_sink.h"
#include "link/link_listener.h"
#include "link/link_settings.h"
#include "memoserv/memoserv.h"
#include "network/channels.h"
#include "network/link_writer.h"
#include "network/logs.h"
#include "network/max_users.h"
#include "network/network_events.h"
#include "network/online_users.h"
#include "network/outbound.h"
#include "network/server_queries.h"
#include "nickserv/nickserv.h"
#include "operserv/operserv.h"
#include "scripting/bot.h"
#include "services/block_commit.h"
#include "services/command_dispatcher.h"
#include "services/ignore_list.h"
#include "services/password_work.h"
#include "services/standing.h"
#include "services/service_clients.h"

namespace nb {

class Services : public LinkListener {
public:
    Services(std::filesystem::path dataDir, Clock& clock, Timers& timers, Console& console, Workers& workers);
    Services(const Services&) = delete;
    Services& operator=(const Services&) = delete;

    void AttachLink(LineSink* sink, LinkControl* control);

    // The platform.
    Clock& clock;
    Timers& timers;
    Console& console;

    // Read from the settings before every link.
    LinkSettings linkSettings;
    LogChannels logChannels;

    DataDirectory data;
    Settings settings;
    DebugLog debugLog;
    GroupCommit commit;
    ServiceClients clients;
    IgnoreList ignoreList;
    LinkWriter writer;
    BlockCommit block;
    Logs logs;
    NetworkEventBus events;
    Channels channels;
    MaxUsersRecord maxUsers;
    OnlineUsers users;
    Outbound out;
    ServerQueries queries;
    ServiceHelp help;
    PasswordWork passwords;
    NickServ nickServ;
    Standing standing;
    CommandDispatcher commands;
    ChanServ chanServ;
    MemoServ memoServ;
    OperServ operServ;
    OperatorConsole operatorConsole;
    Bot bot;
    LineRouter router;

    // Copies the link, log channel and client values from the settings.
    void ReadLinkSettings();
    // The parts of that which a running link takes at once: its time-outs and queue bound,
    // and the log channels.
    void ReadLinkLimits();
    void ReadLogChannels();
    // How data files and the debug log are written (Sync Writes, Debug Log Size).
    void ReadFileSettings();
    // Loads every database in start-up order.
    void LoadDatabases();
    // Reads the backed-up files again after a restore: channels, nicks, operators with their
    // command levels, memos.
    void ReloadRestoredDatabases();
    // The data files and settings keys that the modules declare, each with its default.
    std::vector<std::string> DataFiles() const;
    std::vector<SettingDefault> SettingDefaults(const std::string& hostName, const std::string& nowText) const;
    ServiceVoice VoiceOf(ServiceId id);

    void OnConnecting() override { ReadLinkSettings(); }
    // A new link is up: the uplink sends the whole network again, so the tables start empty;
    // then the handshake and the introduction of the enabled clients.
    void OnLinkUp() override;
    // A received block opens with its first line and closes when the link has handed over all.
    void OnWireLine(const IrcLine& line) override {
        block.Begin();
        router.LogReceivedLine(line);
    }
    void OnLine(const IrcLine& line) override { router.Route(line); }
    void OnBlockEnd() override { block.End(); }
};

}  // namespace nb
