// What operators do to the network as a whole, and what they learn of it.
#include <algorithm>
#include <utility>

#include "core/text.h"
#include "operserv/operserv.h"

namespace nb {
namespace {

// More nicks than this in one MODE line and the server cuts it.
constexpr std::size_t kNicksPerModeLine = 6;

bool IsNumericAddress(const std::string& host) {
    std::vector<std::string> parts = SplitList(host, '.');
    return !parts.empty() && std::all_of(parts.begin(), parts.end(), [](const std::string& part) { return IsDigits(part); });
}

}  // namespace

void OperServ::Raw(const CommandContext& context) {
    const std::string line = Trim(FreeText(context.words, 1));
    out_.Raw(line);
    context.Audit("RAW " + line + " [Success]");
}

// The services leave the network; the program stays up and links again after the reconnect
// delay.
void OperServ::Die(const CommandContext& context) {
    const std::string farewell = "Terminated by: " + context.sender.nick + " (" + Trim(FreeText(context.words, 1)) + ")";
    for (ServiceId id : {ServiceId::ChanServ, ServiceId::NickServ, ServiceId::OperServ})
        out_.Quit(clients_.Get(id).nick, farewell);
    out_.Squit(us_.serverName, farewell);
    if (link_ != nullptr) link_->Disconnect(farewell);
}

bool OperServ::ChannelNameValid(const CommandContext& context) {
    const std::string& channel = context.words[1];
    if (channel[0] == '#') return true;
    context.Reply(Bold("Error") + ": Invalid channel name.");
    context.Audit("CHANINFO " + channel + " [Failed (invalid channel)]");
    return false;
}

void OperServ::ChanInfo(const CommandContext& context) {
    const std::string& channel = context.words[1];
    if (auto slot = channels_.FindNetChannel(channel)) {
        const NetChannel& found = channels_.At(*slot);
        context.Reply(Bold("Information on") + ": " + channel);
        context.Reply(Bold("Mode") + ": " + found.modes.value_or(""));
        context.Reply(Bold("Topic") + ": " + found.topic.value_or(""));
        context.Reply(Bold("Number of users") + ": " + std::to_string(found.memberCount));
        context.Reply(Bold("User list") + ": " + JoinWords(found.Nicks(), 0));
        context.Reply(Bold(channel) + (registered_.IsChannelRegistered(channel) ? " is a registered channel."
                                                                                : " is NOT a registered channel."));
    } else {
        context.Reply(Bold("Error") + ": " + channel + " isn't an active channel.");
    }
    context.Audit("CHANINFO " + channel + " [Success]");
}

void OperServ::MassStatus(const CommandContext& context) {
    const std::string& channel = context.words[1];
    const bool op = ToLower(context.words[0]) == "massop";
    if (auto slot = channels_.FindNetChannel(channel)) {
        std::vector<std::string> nicks = channels_.At(*slot).Nicks();
        for (std::size_t first = 0; first < nicks.size(); first += kNicksPerModeLine) {
            std::size_t count = std::min(kNicksPerModeLine, nicks.size() - first);
            std::vector<std::string> part(nicks.begin() + static_cast<std::ptrdiff_t>(first),
                                          nicks.begin() + static_cast<std::ptrdiff_t>(first + count));
            out_.ServerMode(channel, (op ? "+" : "-") + std::string(count, 'o'), JoinWords(part, 0));
        }
    }
    const std::string name = op ? "MASSOP" : "MASSDEOP";
    out_.Wallops(context.voice.Nick(), "*** " + context.sender.nick + " used " + name + " on " + Bold(channel));
    context.Audit(name + " " + channel + " [Success]");
}

void OperServ::Broadcast(const CommandContext& context) {
    const std::string message = Trim(FreeText(context.words, 1));
    const std::string& chanServ = clients_.Get(ServiceId::ChanServ).nick;
    for (const std::string& channel : registered_.RegisteredChannelNames())
        out_.Message(chanServ, ReplyType::Privmsg, channel, "[Message from: " + Bold(context.sender.nick) + "] " + message);
    context.Audit("BROADCAST " + message + " [Success]");
}

void OperServ::Users(const CommandContext& context) {
    context.Reply("Current Users: " + Bold(std::to_string(users_.Count())));
    context.Reply("Max User Count: " + Bold(std::to_string(maxUsers_.count)) + " (" + Bold(maxUsers_.date) + ")");
    context.Audit("USERS [Success]");
}

void OperServ::Uptime(const CommandContext& context) {
    context.Reply(Bold("Current Uptime") + ": " + queries_.FormatUptime());
    context.Reply(Bold("Services Connected On") + ": " + Bold(queries_.ConnectTime()) + " on " +
                  Bold(queries_.ConnectDate()));
}

void OperServ::NetStats(const CommandContext& context) {
    auto count = [](long n) { return Bold(std::to_string(n)); };
    long resolved = 0;
    long unresolved = 0;
    // Every server, in the order its first user is met.
    std::vector<std::pair<std::string, long>> servers;
    for (std::size_t slot = 0; slot < users_.Count(); ++slot) {
        const OnlineUser& user = users_.At(slot);
        if (!user.host.empty()) ++(IsNumericAddress(user.host) ? unresolved : resolved);
        const std::string server = user.server.value_or("N/A");
        auto known = std::find_if(servers.begin(), servers.end(), [&](const auto& entry) { return IEquals(entry.first, server); });
        if (known == servers.end()) {
            servers.emplace_back(server, 1);
        } else {
            ++known->second;
        }
    }
    for (const std::string& line :
         {Bold("Network Stats") + ":", std::string("-"), "Current number of users online: " + count(static_cast<long>(users_.Count())),
          "Users with resolved hosts: " + count(resolved), "Users without resolved hosts: " + count(unresolved),
          std::string("-"), Bold("Informal Stats") + ":",
          "Number of users that have connected: " + count(users_.connectCount),
          "Number of users that have quit: " + count(users_.quitCount),
          "Number of users that have joined a channel: " + count(channels_.joinCount),
          "Number of users that have parted a channel: " + count(channels_.partCount),
          "Number of users that have changed nicknames: " + count(users_.nickChangeCount),
          "Number of users that have been kicked: " + count(channels_.kickCount), std::string("-"),
          Bold("Server Stats") + ":", std::string("-")})
        context.Reply(line);
    for (const auto& [server, users] : servers) context.Reply(Bold(server) + " has " + count(users) + " users.");
}

void OperServ::Override(const CommandContext& context) {
    OnlineUser& user = Sender(context);
    user.override = !user.override;
    const std::string& nick = context.sender.nick;
    if (user.override) {
        logs_.LogToOperChannel(Bold(nick) + " has enabled override!");
        context.Reply("You have enabled " + Bold("override") + ".  You now have level " + Bold("500") +
                      " in every registered channel.");
        context.Reply("Please type: /msg " + context.voice.Nick() + " override when you are done.");
    } else {
        logs_.LogToOperChannel(Bold(nick) + " has disabled override!");
        context.Reply("You have disabled " + Bold("override") + ".");
    }
    context.Audit("OVERRIDE [Success]");
}

}  // namespace nb
