// The one object that owns every module and the program-wide values. Modules reach each
// other only through it, so every dependency is visible here.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/console.h"
#include "core/data_dir.h"
#include "core/dispatch.h"
#include "core/line_sink.h"
#include "core/outbound.h"
#include "core/service_names.h"
#include "core/settings.h"
#include "core/timers.h"
#include "help/service_help.h"
#include "memoserv/memoserv.h"
#include "network/channels.h"
#include "network/online_users.h"
#include "network/server_queries.h"
#include "nickserv/nickserv.h"

namespace nb {

class Services {
public:
    Services(std::filesystem::path dataDir, Clock& clock, Timers& timers, Console& console);
    Services(const Services&) = delete;
    Services& operator=(const Services&) = delete;

    // The platform.
    Clock& clock;
    Timers& timers;
    Console& console;
    void AttachLink(LineSink* sink, LinkControl* control);
    LineSink* sink = nullptr;
    LinkControl* link = nullptr;

    // Program-wide values and the console-held lists.
    ServiceNames names;
    std::vector<std::string> ignoreList;

    // Modules.
    DataDirectory data;
    Settings settings;
    Outbound out;
    OnlineUsers users;
    Channels channels;
    ServerQueries queries;
    Dispatcher dispatcher;
    ServiceHelp help;
    NickServ nickServ;
    MemoServ memoServ;

    // Copies the link and service values from the settings (trimmed; nicknames as stored).
    void ReadLinkSettings();
    // A new link is up: the uplink sends the whole network again, so the tables start empty;
    // then the handshake and the introduction of the services.
    void OnLinkEstablished();

    // Loads every database in start-up order.
    void LoadDatabases();

    // Calls into the services not yet built that follow the network state; they do nothing
    // until those services arrive.
    void ForgetChannelIdentification(const std::string& nick);
    // Puts a NickServ access host into the same host slot (1 to 3) of every channel access
    // entry of the nick and saves those entries; the number of entries changed.
    std::size_t CarryAccessHostToChannels(const std::string& nick, int hostSlot, const std::string& host);
    void LogOutOperator(const std::string& nick);
    void EnforceChannelEntry(const std::string& channel, const std::string& nick, std::size_t slot);
    void SendChannelGreet(const std::string& channel, const std::string& nick, std::size_t slot);
    void EnforceTopicLock(const std::string& channel);
    void ProtectChanServOp(const std::string& channel, const std::string& source, const std::string& modes,
                           const std::string& parameters);
    void EnforceModeLock(const std::string& channel, const std::string& parameters);
};

}  // namespace nb
