// The scripted bot: one pseudo-client defined by a script in the bots folder, answering its
// private messages from the script's trigger file.
#pragma once

#include <string>
#include <vector>

#include "core/clock.h"
#include "core/console.h"
#include "core/data_dir.h"
#include "core/settings.h"
#include "network/outbound.h"
#include "scripting/bot_script.h"
#include "services/command_table.h"
#include "services/service_clients.h"
#include "services/standing.h"

namespace nb {

class Bot {
public:
    Bot(const DataDirectory& data, Console& console, const Clock& clock, Settings& settings, Outbound& out,
        ServiceClients& clients, const OnlineUsers& users, const Standing& standing);
    Bot(const Bot&) = delete;
    Bot& operator=(const Bot&) = delete;

    static std::vector<std::string> DataFiles() { return {"bots/"}; }
    static std::vector<SettingDefault> SettingDefaults() { return {{"Bot", "Script", ""}}; }

    // The console's operation: loads bots/<file>, reports in the bot's information window, and
    // puts the bot on the network in place of the one before. False when the load failed.
    bool LoadBot(const std::string& fileName);
    // After the handshake of a new link: the bot loaded before, or the one Bot/Script names.
    void IntroduceAtLink();
    bool IsLoaded() const { return loaded_; }
    const BotValues& Values() const { return values_; }

private:
    void Introduce();
    void Retire(const std::string& reason);
    void RunTriggers(const CommandContext& context);

    const DataDirectory& data_;
    Console& console_;
    const Clock& clock_;
    Settings& settings_;
    Outbound& out_;
    ServiceClients& clients_;
    const OnlineUsers& users_;
    const Standing& standing_;
    BotValues values_;
    bool loaded_ = false;
    std::string onNetwork_;  // the nick the bot has on the network now; empty when it has none
    CommandTable table_;
};

}  // namespace nb
