#include "core/dispatch.h"

#include <algorithm>

#include "core/services.h"
#include "core/text.h"
#include "core/wildcard.h"

namespace nb {
namespace {

struct SecretWords {
    const std::string ServiceNames::*service;
    const char* command;
    std::vector<std::size_t> words;  // positions of the password words, the command being word 0
};

const std::vector<SecretWords>& SecretCommands() {
    static const std::vector<SecretWords> table = {
        {&ServiceNames::nickServ, "register", {1}}, {&ServiceNames::nickServ, "drop", {1}},
        {&ServiceNames::nickServ, "ident", {1}},    {&ServiceNames::nickServ, "identify", {1}},
        {&ServiceNames::nickServ, "ghost", {2}},    {&ServiceNames::nickServ, "chpass", {1, 2}},
        {&ServiceNames::chanServ, "register", {2}}, {&ServiceNames::chanServ, "drop", {2}},
        {&ServiceNames::chanServ, "ident", {2}},    {&ServiceNames::operServ, "login", {1}},
    };
    return table;
}

// "NickServ" or "NickServ@services.example" both name the service.
bool NamesService(const std::string& target, const std::string& nick) {
    return IEquals(target.substr(0, target.find('@')), nick);
}

bool IsChannelMessage(const IrcLine& line) {
    return IEquals(line.command, "PRIVMSG") && !line.Param(0).empty() && line.Param(0)[0] == '#';
}

}  // namespace

Dispatcher::Dispatcher(Services& services) : services_(services) {}

void Dispatcher::AddServiceEndpoint(NickGetter nick, ServiceHandler handler) {
    endpoints_.push_back({std::move(nick), std::move(handler)});
}

void Dispatcher::HandleReceivedLine(const std::string& line) {
    LogReceivedLine(line);
    DispatchLine(line);
}

void Dispatcher::LogReceivedLine(const std::string& line) {
    auto parsed = ParseIrcLine(line);
    if (parsed && IsChannelMessage(*parsed)) return;
    std::string shown = parsed ? MaskSecrets(line, *parsed) : line;
    services_.out.AppendLogText(LogBox::RawTraffic, shown);
    services_.out.WriteDebugLog(shown);
}

std::string Dispatcher::MaskSecrets(const std::string& line, const IrcLine& parsed) const {
    if (!parsed.hasTrailing || parsed.params.size() < 2) return line;
    if (!IEquals(parsed.command, "PRIVMSG") && !IEquals(parsed.command, "NOTICE")) return line;
    std::vector<std::string> words = SplitWords(parsed.params.back());
    std::string command;
    for (const auto& word : words) {
        if (!word.empty()) {
            command = word;
            break;
        }
    }
    bool masked = false;
    for (const auto& secret : SecretCommands()) {
        if (!NamesService(parsed.Param(0), services_.names.*secret.service)) continue;
        if (!IEquals(command, secret.command)) continue;
        // Count only non-empty words: a doubled blank must not let a password slip through.
        std::size_t field = 0;
        for (auto& word : words) {
            if (word.empty()) continue;
            if (std::find(secret.words.begin(), secret.words.end(), field) != secret.words.end()) {
                word = "******";
                masked = true;
            }
            ++field;
        }
    }
    if (!masked) return line;
    // The trailing text is the last thing on the line.
    std::size_t textStart = line.size() - parsed.params.back().size();
    return line.substr(0, textStart) + JoinWords(words, 0);
}

void Dispatcher::DispatchLine(const std::string& text) {
    auto line = ParseIrcLine(text);
    if (!line) return;
    if (DispatchToService(*line)) return;
    if (IEquals(line->command, "SQUIT") && IEquals(line->Param(0), services_.names.serverName)) {
        if (services_.link != nullptr) services_.link->ConnectToServer();
        return;
    }
    if (IEquals(line->command, "STATS")) {
        services_.queries.OnStats(*line);
        return;
    }
    DispatchNetworkState(*line);
}

bool Dispatcher::DispatchToService(const IrcLine& line) {
    if (!IEquals(line.command, "PRIVMSG") || line.params.size() < 2) return false;
    for (const auto& endpoint : endpoints_) {
        if (!NamesService(line.Param(0), endpoint.nick())) continue;
        std::string sender = line.SourceNick();
        auto slot = services_.users.FindOnlineUser(sender);
        if (!slot) {
            services_.out.WriteDebugLog("Message to " + line.Param(0) + " from unknown user " + sender + " not run");
            return true;
        }
        endpoint.handler(*slot, line.params.back());
        return true;
    }
    return false;
}

void Dispatcher::DispatchNetworkState(const IrcLine& line) {
    const std::string& command = line.command;
    auto channelTarget = [&] { return !line.Param(0).empty() && line.Param(0)[0] == '#'; };
    if (IEquals(command, "NICK")) {
        // An introduction carries hop, timestamp, ident, host and server; a change does not.
        if (line.params.size() >= 6) {
            services_.users.OnUserIntroduction(line);
        } else if (!line.prefix.empty()) {
            services_.users.OnNickChange(line);
        }
    } else if (IEquals(command, "QUIT")) {
        services_.users.OnQuit(line);
    } else if (IEquals(command, "KILL")) {
        services_.users.OnKill(line);
    } else if (IEquals(command, "TOPIC") && channelTarget()) {
        services_.channels.OnTopic(line);
    } else if (IEquals(command, "MODE") && channelTarget()) {
        services_.channels.OnMode(line);
    } else if (IEquals(command, "PART") && channelTarget()) {
        services_.channels.OnPart(line);
    } else if (IEquals(command, "PING")) {
        services_.queries.OnPing(line);
    } else if (IEquals(command, "JOIN")) {
        services_.channels.OnJoin(line);
    } else if (IEquals(command, "VERSION")) {
        services_.queries.OnVersion(line);
    } else if (IEquals(command, "KICK") && channelTarget()) {
        services_.channels.OnKick(line);
    } else if (IEquals(command, "ERROR")) {
        services_.console.ShowMessage("NBII - Server Link", "The server says: " + line.Param(0));
    }
}

bool Dispatcher::IsUserIgnored(std::size_t slot) const {
    // Masks compare without regard to letter case, like every IRC mask.
    std::string mask = ToLower(services_.users.At(slot).mask);
    for (const auto& entry : services_.ignoreList) {
        if (WildcardMatch(mask, ToLower(entry))) return true;
    }
    return false;
}

}  // namespace nb
