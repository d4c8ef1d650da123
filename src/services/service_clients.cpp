#include "services/service_clients.h"

#include "core/text.h"
#include "services/command_table.h"

namespace nb {
namespace {

constexpr const char* kServiceModes = "+oOwghsSkaAcfbWZiqQ";

// The settings key of each service is also its default nickname.
ServiceClient Service(const char* key, const char* fullName, HelpFiles help) {
    ServiceClient client;
    client.settingsKey = key;
    client.nick = key;
    client.ident = key;
    client.fullName = fullName;
    client.userModes = kServiceModes;
    client.help = std::move(help);
    return client;
}

}  // namespace

ServiceClients::ServiceClients() {
    // In ServiceId order.
    clients_.push_back(Service("ChanServ", "Nimbral II 4.3 - ChanServ", {"chanserv", "$csnick", "", ""}));
    clients_.push_back(Service("NickServ", "NickServ", {"nickserv", "$nsnick", "identify", "ident.nb2"}));
    clients_.push_back(Service("OperServ", "OperServ", {"operserv", "$osnick", "information", "info.nb2"}));
    clients_.push_back(Service("MemoServ", "MemoServ", {"memoserv", "$msnick", "", ""}));
    // The logs mask these before the two services' command tables exist.
    Get(ServiceId::ChanServ).passwordWords = {{"register", {2}}, {"drop", {2}}, {"ident", {2}}};
    Get(ServiceId::ChanServ).linkChannelsOpsItself = true;
    Get(ServiceId::OperServ).passwordWords = {{"login", {1}}};
}

// The services come first, in ServiceId order.
ServiceClient& ServiceClients::Get(ServiceId id) { return *std::next(clients_.begin(), static_cast<long>(id)); }

const ServiceClient& ServiceClients::Get(ServiceId id) const {
    return *std::next(clients_.begin(), static_cast<long>(id));
}

ServiceClient& ServiceClients::Add(ServiceClient client) {
    clients_.push_back(std::move(client));
    return clients_.back();
}

void ServiceClients::AttachCommands(ServiceId id, const CommandTable& table) {
    ServiceClient& client = Get(id);
    client.commands = &table;
    client.passwordWords.clear();
    for (const Command& command : table.commands) {
        if (!command.passwordWords.empty()) client.passwordWords.push_back({command.word, command.passwordWords});
    }
}

void ServiceClients::ReadSettings(const Settings& settings) {
    for (ServiceClient& client : clients_) {
        if (client.settingsKey.empty()) continue;
        client.nick = settings.Get("Server Information", client.settingsKey, client.settingsKey);
        client.ident = client.nick;
        client.enabled = Trim(settings.Get("Server Information", client.settingsKey + " Enabled", "1")) != "0";
    }
}

std::vector<SettingDefault> ServiceClients::SettingDefaults() const {
    std::vector<SettingDefault> defaults;
    for (const ServiceClient& client : clients_) {
        if (!client.settingsKey.empty()) defaults.push_back({"Server Information", client.settingsKey, client.settingsKey});
    }
    for (const ServiceClient& client : clients_) {
        if (!client.settingsKey.empty()) defaults.push_back({"Server Information", client.settingsKey + " Enabled", "1"});
    }
    return defaults;
}

const ServiceClient* ServiceClients::FindByTarget(const std::string& target) const {
    std::string nick = target.substr(0, target.find('@'));
    for (const ServiceClient& client : clients_) {
        if (IEquals(client.nick, nick)) return &client;
    }
    return nullptr;
}

std::vector<std::string> ServiceClients::OwnNicks() const {
    std::vector<std::string> nicks;
    for (const ServiceClient& client : clients_) nicks.push_back(client.nick);
    return nicks;
}

void ServiceClients::RemoveOwnClient(const std::string& nick) {
    std::erase_if(clients_, [&](const ServiceClient& client) { return client.settingsKey.empty() && IEquals(client.nick, nick); });
}

bool ServiceClients::IsOwnClient(const std::string& nick) const {
    for (const ServiceClient& client : clients_) {
        if (IEquals(client.nick, nick)) return true;
    }
    return false;
}

}  // namespace nb
