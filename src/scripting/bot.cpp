#include "scripting/bot.h"

#include "core/files.h"
#include "core/safe_path.h"
#include "core/text.h"
#include "scripting/bot_triggers.h"

namespace nb {

Bot::Bot(const DataDirectory& data, Console& console, const Clock& clock, Settings& settings, Outbound& out,
         ServiceClients& clients, const OnlineUsers& users, const Standing& standing)
    : data_(data),
      console_(console),
      clock_(clock),
      settings_(settings),
      out_(out),
      clients_(clients),
      users_(users),
      standing_(standing) {
    // Every message is a trigger: no command word is the table's own.
    table_.honoursIgnoreList = false;
    table_.answerUnknown = [this](const CommandContext& context) { RunTriggers(context); };
}

bool Bot::LoadBot(const std::string& fileName) {
    console_.ClearLogText(LogBox::BotInfo);
    auto file = FileInFolder(data_.Path("bots"), fileName);
    if (!file) {
        console_.AppendLogText(LogBox::BotInfo, "*** Error loading script: " + fileName + " is not a script in the bots folder.");
        return false;
    }
    BotLoad load = ReadBotScript(ReadTextLines(*file), fileName, values_);
    values_ = load.values;
    if (load.error) {
        console_.AppendLogText(LogBox::BotInfo, *load.error);
        return false;
    }
    if (!IsPlainFileName(values_.script) || values_.nick.empty() || FindBlankOrControl(values_.nick) != std::string::npos) {
        console_.AppendLogText(LogBox::BotInfo, "*** Error loading script: the nick or the trigger file cannot be used.");
        return false;
    }
    for (const std::string& line : BotInformation(values_)) console_.AppendLogText(LogBox::BotInfo, line);
    // Two bots never share the network: the one before leaves first.
    if (!onNetwork_.empty()) Retire("Replaced by " + values_.nick);
    loaded_ = true;
    Introduce();
    return true;
}

void Bot::IntroduceAtLink() {
    if (loaded_) return Introduce();
    std::string named = Trim(settings_.Get("Bot", "Script", ""));
    if (!named.empty()) LoadBot(named);
}

void Bot::Introduce() {
    // The registry's record from before this link, or from another nick, makes way.
    if (!onNetwork_.empty()) clients_.RemoveOwnClient(onNetwork_);
    ServiceClient client;
    client.nick = values_.nick;
    client.ident = values_.ident;
    client.fullName = values_.name;
    client.userModes = "+" + values_.modes;
    client.commands = &table_;
    clients_.Add(client);
    onNetwork_ = values_.nick;
    out_.IntroduceClient({values_.nick, values_.ident, values_.host, values_.name,
                          values_.modes.empty() ? "" : "+" + values_.modes, {}, "", false});
}

void Bot::Retire(const std::string& reason) {
    out_.RetireClient(onNetwork_, reason);
    onNetwork_.clear();
}

void Bot::RunTriggers(const CommandContext& context) {
    auto file = FileInFolder(data_.Path("bots"), values_.script);
    if (!file) return;
    const OnlineUser& sender = users_.At(context.sender.slot);
    TriggerRun run = RunBotTriggers(ReadTextLines(*file), context.words,
                                    {standing_.IsIdentified(sender), standing_.OperLevel(sender) > 0}, values_,
                                    clock_.Now());
    for (const std::string& message : run.messages) context.Reply(message);
    for (const std::string& line : run.infoLines) console_.AppendLogText(LogBox::BotInfo, line);
}

}  // namespace nb
