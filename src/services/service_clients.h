// Our pseudo-clients: one record each for the four services, and for clients created at run
// time (the bot). The handshake, the PING answers, the dispatch of messages, the help texts,
// the password masking of the logs and the user table all read these records.
#pragma once

#include <cstddef>
#include <list>
#include <string>
#include <vector>

#include "core/settings.h"
#include "network/own_clients.h"

namespace nb {

struct CommandTable;

enum class ServiceId { ChanServ, NickServ, OperServ, MemoServ };

struct HelpFiles {
    std::string folder;       // its folder below help/ in the data directory
    std::string placeholder;  // stands for the client's nickname in its help texts
    std::string aliasTopic;   // this topic, typed exactly, reads aliasFile instead
    std::string aliasFile;
};

// The words of one command that the logs show as "******"; word 0 is the command.
struct PasswordWords {
    std::string command;  // lower case
    std::vector<std::size_t> positions;
};

struct ServiceClient {
    std::string settingsKey;  // the key of its nickname in [Server Information]; "<key> Enabled"
    std::string nick;
    std::string ident;
    std::string fullName;
    bool enabled = true;
    std::string userModes;
    std::vector<std::string> linkChannels;  // joined at link time; our server ops it there
    std::string linkChannelModes;           // then set on each of those channels
    bool linkChannelsOpsItself = false;     // it gives itself operator status instead
    HelpFiles help;
    const CommandTable* commands = nullptr;  // what answers its private messages; none: nothing
    std::vector<PasswordWords> passwordWords;
};

class ServiceClients : public OwnClients {
public:
    // The four services with their default nicknames.
    ServiceClients();
    ServiceClients(const ServiceClients&) = delete;
    ServiceClients& operator=(const ServiceClients&) = delete;

    ServiceClient& Get(ServiceId id);
    const ServiceClient& Get(ServiceId id) const;
    // A client created at run time. Records never move: references to them stay valid until
    // the record is removed.
    ServiceClient& Add(ServiceClient client);
    // The service answers its messages with this table, whose password words the logs mask.
    void AttachCommands(ServiceId id, const CommandTable& table);
    // Nicknames (as stored, untrimmed) and the switches of [Server Information].
    void ReadSettings(const Settings& settings);
    // Those keys with their defaults: each service's name, and "<name> Enabled" = 1.
    std::vector<SettingDefault> SettingDefaults() const;

    // The client that a message target names: "NickServ" or "NickServ@services.example".
    const ServiceClient* FindByTarget(const std::string& target) const;
    const std::list<ServiceClient>& All() const { return clients_; }

    bool IsOwnClient(const std::string& nick) const override;
    std::vector<std::string> OwnNicks() const override;
    void RemoveOwnClient(const std::string& nick) override;

private:
    std::list<ServiceClient> clients_;
};

}  // namespace nb
