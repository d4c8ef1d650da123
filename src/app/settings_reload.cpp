#include "app/settings_reload.h"

#include <algorithm>
#include <map>

#include "app/services.h"

namespace nb {
namespace {

enum class TakesEffect { Now, NextLink, NextStart };

// Settings/Key names as the administrator writes them.
TakesEffect WhenTakesEffect(const std::string& name) {
    static const std::vector<std::string> now = {
        "Server Information/Oper Channel", "Server Information/Net Channel", "Server Information/Bot Channel",
        "Server Information/Your Email",   "General/OS Info",                "General/Reconnect Delay",
        "General/Ping Interval",           "General/Send Queue",             "General/Sync Writes",
        "General/Debug Log Size",          "General/Journal Size"};
    if (std::find(now.begin(), now.end(), name) != now.end() || name.starts_with("Security/")) return TakesEffect::Now;
    if (name.starts_with("Server Information/")) return TakesEffect::NextLink;
    return TakesEffect::NextStart;
}

// The keys whose value differs, was added or was removed.
std::vector<std::string> ChangedKeys(const std::map<std::string, std::string>& before,
                                     const std::map<std::string, std::string>& after) {
    std::vector<std::string> changed;
    for (const auto& [name, value] : after)
        if (auto old = before.find(name); old == before.end() || old->second != value) changed.push_back(name);
    for (const auto& [name, value] : before)
        if (!after.contains(name)) changed.push_back(name);
    std::sort(changed.begin(), changed.end());
    return changed;
}

std::string KeyList(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name.substr(name.find('/') + 1);
    return text;
}

// The log channels, each once: two logs may share a channel.
std::vector<std::string> ChannelsOf(const LogChannels& logs) {
    std::vector<std::string> channels = {logs.bot, logs.oper, logs.net};
    std::sort(channels.begin(), channels.end());
    channels.erase(std::unique(channels.begin(), channels.end()), channels.end());
    return channels;
}

// OperServ leaves the log channels no longer named and sits in the new ones, as at a link.
void MoveOperServ(Services& services, const LogChannels& before) {
    if (!services.writer.IsLinkUp() || !services.clients.Get(ServiceId::OperServ).enabled) return;
    const std::vector<std::string> old = ChannelsOf(before), now = ChannelsOf(services.logChannels);
    const std::string& operServ = services.logChannels.writer;
    for (const std::string& channel : old)
        if (std::find(now.begin(), now.end(), channel) == now.end()) services.out.Part(operServ, channel);
    for (const std::string& channel : now) {
        if (std::find(old.begin(), old.end(), channel) != old.end()) continue;
        services.out.Join(operServ, channel);
        services.out.ServerMode(channel, "+o", operServ);
        services.out.ServerMode(channel, "+ints", "");
    }
}

}  // namespace

void ReloadSettings(Services& services) {
    Console& console = services.console;
    std::map<std::string, std::string> before = services.settings.Values();
    if (std::string error = services.settings.Load(); !error.empty()) {
        console.ShowMessage("NBII - Settings",
                            "settings.ini cannot be read (" + error + "); the settings in use stay as they were.");
        return;
    }
    services.ReadFileSettings();
    services.ReadLinkLimits();
    LogChannels channelsBefore = services.logChannels;
    services.ReadLogChannels();
    MoveOperServ(services, channelsBefore);

    std::map<TakesEffect, std::vector<std::string>> changed;
    for (const std::string& name : ChangedKeys(before, services.settings.Values()))
        changed[WhenTakesEffect(name)].push_back(name);
    if (changed.empty()) {
        console.AppendLogText(LogBox::Status, "Read settings.ini again: nothing changed.");
        return;
    }
    std::string text = "Read settings.ini again:";
    if (changed.contains(TakesEffect::Now)) text += " in effect now: " + KeyList(changed[TakesEffect::Now]) + ";";
    if (changed.contains(TakesEffect::NextLink))
        text += " at the next link: " + KeyList(changed[TakesEffect::NextLink]) + ";";
    if (changed.contains(TakesEffect::NextStart))
        text += " at the next start: " + KeyList(changed[TakesEffect::NextStart]) + ";";
    text.back() = '.';
    console.AppendLogText(LogBox::Status, text);
    services.debugLog.Write(text);
}

}  // namespace nb
