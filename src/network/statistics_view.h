// What the statistics pages and the console's overview read of the services, and nothing
// else: plain rows made when asked.
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace nb {

struct UserRow {
    std::string nick;
    std::string ident;
    std::string host;
    std::string server;
    std::size_t number = 0;  // the user's place in the user table
    std::string connectedOn;
};

struct ChannelRow {
    std::string name;
    std::string founder;
    std::string email;
    std::string description;
    std::string greet;
    std::string registeredOn;
};

struct NickRow {
    std::string nick;
    std::string email;
    std::string realName;
    std::string age;
    std::string lastSeen;
    std::string lastQuit;
    std::string registeredOn;
};

// Who the services are and where they log.
struct ServicesIdentity {
    std::string serverName;
    std::string operChannel;
    std::string netChannel;
    std::string botChannel;
    std::string adminEmail;
};

class StatisticsView {
public:
    virtual ~StatisticsView() = default;
    virtual ServicesIdentity Identity() const = 0;
    virtual std::size_t UsersOnline() const = 0;
    virtual std::size_t ChannelsNow() const = 0;
    virtual long long MaxUsers() const = 0;
    virtual std::string MaxUsersDate() const = 0;
    virtual bool Linked() const = 0;
    // How long the link has been up.
    virtual std::chrono::seconds Uptime() const = 0;
    virtual std::size_t RegisteredNickCount() const = 0;
    virtual std::size_t RegisteredChannelCount() const = 0;
    virtual std::vector<UserRow> Users() const = 0;
    virtual std::vector<ChannelRow> RegisteredChannels() const = 0;
    virtual std::vector<NickRow> RegisteredNicks() const = 0;
    // How often each command was run, by "<service> <command>".
    virtual std::map<std::string, long> CommandCounts() const = 0;
};

}  // namespace nb
