#include "app/services.h"

#include <cstdlib>

#include "core/text.h"
#include "console/admin_settings.h"
#include "webserver/web_server.h"
#include "link/handshake.h"

namespace nb {

Services::Services(std::filesystem::path dataDir, Clock& clockIn, Timers& timersIn, Console& consoleIn,
                   Workers& workers)
    : clock(clockIn),
      timers(timersIn),
      console(consoleIn),
      data(dataDir),
      settings(dataDir / "settings.ini"),
      debugLog(dataDir / "debug.nb2", clock, console),
      commit(data, console, timers),
      ignoreList(data.Path("Ignore.nb2"), commit),
      writer(debugLog),
      block(commit, writer, debugLog),
      logs(writer, logChannels, clock, debugLog, console),
      channels(logs, events, users),
      maxUsers(settings, commit, clock, logs),
      users(clock, logs, channels, events, clients, maxUsers),
      out(writer, users, channels, clients, linkSettings),
      queries(clock, writer, linkSettings, clients),
      help(data),
      passwords(settings, workers),
      nickServ(data, console, clock, timers, commit, standing, users, out, logs, help, VoiceOf(ServiceId::NickServ)),
      standing(nickServ, settings),
      commands(clients, users, ignoreList, standing, out, logs, block, events, passwords),
      chanServ(data, console, clock, commit, settings, users, channels, out, help, nickServ, standing,
               clients.Get(ServiceId::ChanServ), clients.Get(ServiceId::NickServ)),
      memoServ(data, console, commit, clock, users, nickServ, clients.Get(ServiceId::NickServ), help,
               VoiceOf(ServiceId::MemoServ)),
      operServ(data, commit, settings, clock, help,
               {users, channels, out, logs, queries, maxUsers, clients, linkSettings, logChannels, chanServ}),
      operatorConsole(console, operServ, nickServ, settings, ignoreList, out, logs, clock, passwords),
      bot(data, console, clock, settings, out, clients, users, standing),
      router(clients, commands, users, channels, queries, logs, console, linkSettings) {
    clients.AttachCommands(ServiceId::NickServ, nickServ.Commands());
    clients.AttachCommands(ServiceId::ChanServ, chanServ.Commands());
    clients.AttachCommands(ServiceId::MemoServ, memoServ.Commands());
    clients.AttachCommands(ServiceId::OperServ, operServ.Commands());
    // The services hear the network in this order.
    events.Subscribe(nickServ);
    events.Subscribe(chanServ);
    events.Subscribe(operServ);
    nickServ.Events().Subscribe(chanServ);
    nickServ.Events().Subscribe(memoServ);
}

void Services::AttachLink(LineSink* sink, LinkControl* control) {
    writer.Attach(sink, control);
    router.AttachLink(control);
    operServ.AttachLink(control);
}

ServiceVoice Services::VoiceOf(ServiceId id) { return ServiceVoice(clients.Get(id), out, logs, users); }

void Services::ReadLinkSettings() {
    auto info = [&](const char* key, const char* fallback) {
        return Trim(settings.Get("Server Information", key, fallback));
    };
    linkSettings.host = info("IP/Host", "localhost");
    linkSettings.port = static_cast<int>(ToNumber(info("Port", "6667")));
    linkSettings.password = info("Password", "");
    linkSettings.serverName = info("Server Name", "services.localhost");
    linkSettings.description = info("Server Description", "NBII");
    linkSettings.protocol = ToLower(info("Protocol", "classic"));
    ReadLinkLimits();
    clients.ReadSettings(settings);
    ReadLogChannels();
    logChannels.writer = clients.Get(ServiceId::OperServ).nick;
}

void Services::ReadLinkLimits() {
    auto general = [&](const char* key, const char* fallback) { return ToNumber(settings.Get("General", key, fallback)); };
    linkSettings.reconnectDelaySeconds = general("Reconnect Delay", "30");
    linkSettings.pingIntervalSeconds = general("Ping Interval", "90");
    long long sendQueueKiB = general("Send Queue", "8192");
    linkSettings.sendQueueBytes = static_cast<std::size_t>(sendQueueKiB > 0 ? sendQueueKiB : 8192) * 1024;
}

void Services::ReadLogChannels() {
    auto info = [&](const char* key, const char* fallback) {
        return Trim(settings.Get("Server Information", key, fallback));
    };
    logChannels.oper = info("Oper Channel", "#NBII");
    logChannels.net = info("Net Channel", "#nb.netinfo");
    logChannels.bot = info("Bot Channel", "#nb.botinfo");
    // OperServ sits in the three log channels and writes the operator and network logs.
    ServiceClient& operServ = clients.Get(ServiceId::OperServ);
    operServ.linkChannels = {logChannels.bot, logChannels.oper, logChannels.net};
    operServ.linkChannelModes = "+ints";
}

void Services::ReadFileSettings() {
    data.SetSyncWrites(settings.SyncWrites());
    long long mebibytes = ToNumber(settings.Get("General", "Debug Log Size", "10"));
    debugLog.SetMaxBytes(static_cast<std::size_t>(mebibytes > 0 ? mebibytes : 10) * 1024 * 1024);
    // A fraction of a MiB is taken as it is: a test makes checkpoints come often with one.
    double journalMiB = std::atof(settings.Get("General", "Journal Size", "16").c_str());
    commit.SetJournalLimit(static_cast<std::uint64_t>((journalMiB > 0 ? journalMiB : 16) * 1024 * 1024));
}

void Services::OnLinkUp() {
    users.Clear();
    channels.Clear();
    users.LinkStarted();
    maxUsers.LinkStarted();
    logs.BeginQuietBurst();
    events.OnLinkUp();
    queries.StoreConnectTime();
    clients.Get(ServiceId::ChanServ).linkChannels = chanServ.LinkChannels();
    std::vector<ClientIntroduction> introductions;
    // The services; a client of run time (the bot) comes back by itself.
    for (const ServiceClient& client : clients.All()) {
        if (!client.enabled || client.settingsKey.empty()) continue;
        introductions.push_back({client.nick, client.ident, "", client.fullName, client.userModes, client.linkChannels,
                                 client.linkChannelModes, client.linkChannelsOpsItself});
    }
    for (const std::string& line : HandshakeLines(linkSettings, introductions)) writer.SendLine(line);
    for (const ClientIntroduction& client : introductions) {
        users.AddServiceClient(client.nick, linkSettings.serverName);
        // Our clients sit in their channels from now on: a user who joins one later joins it,
        // not creates it.
        for (const std::string& channel : client.channels) {
            channels.AddOwnClient(channel, client.nick);
            channels.ApplyMemberStatus(channel, "+o", {client.nick});
        }
    }
    bot.IntroduceAtLink();
}

std::vector<std::string> Services::DataFiles() const {
    std::vector<std::string> files = {"Ignore.nb2", "Webserver/"};
    for (const auto& more : {NickServ::DataFiles(), ChanServ::DataFiles(), OperServ::DataFiles(), MemoServ::DataFiles(),
                             Bot::DataFiles()})
        files.insert(files.end(), more.begin(), more.end());
    return files;
}

std::vector<SettingDefault> Services::SettingDefaults(const std::string& hostName, const std::string& nowText) const {
    std::vector<SettingDefault> defaults = DefaultSettings(hostName, nowText);
    for (const auto& more : {clients.SettingDefaults(), ChanServ::SettingDefaults(), OperServ::SettingDefaults(),
                             Bot::SettingDefaults(), WebServerSettingDefaults(), AdminSettingDefaults(),
                             PasswordWork::SettingDefaults()})
        defaults.insert(defaults.end(), more.begin(), more.end());
    return defaults;
}

void Services::ReloadRestoredDatabases() {
    chanServ.LoadChannelDatabase();
    nickServ.LoadNickDatabase();
    operServ.LoadDatabases();
    memoServ.LoadMemos();
}

void Services::LoadDatabases() {
    commit.Recover();
    nickServ.LoadNickDatabase();
    chanServ.LoadChannelDatabase();
    memoServ.LoadMemos();
    // The ignores before the jupes, which OperServ loads last.
    ignoreList.Masks().Load();
    operServ.LoadDatabases();
}

}  // namespace nb
