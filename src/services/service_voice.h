// How a service speaks: from its client's nickname, to each user the way that user wants to
// be answered, and to the audit channel.
#pragma once

#include <cstddef>
#include <string>

#include "network/logs.h"
#include "network/online_users.h"
#include "network/outbound.h"
#include "services/service_clients.h"

namespace nb {

// A user as a command found it: its slot in the user table and its nick at that moment.
struct UserRef {
    std::size_t slot = 0;
    std::string nick;
};

class ServiceVoice {
public:
    ServiceVoice(const ServiceClient& client, Outbound& out, Logs& logs, const OnlineUsers& users);

    const ServiceClient& Client() const { return *client_; }
    const std::string& Nick() const { return client_->nick; }

    // With the user's reply type (NOTICE or PRIVMSG).
    void Reply(const UserRef& user, const std::string& text) const;
    void Reply(std::size_t slot, const std::string& text) const;
    // Always a NOTICE, whatever the user's reply type (CTCP answers).
    void Notice(const std::string& nick, const std::string& text) const;
    // "[^B<nick>^B] " + text, to the audit channel.
    void Audit(const std::string& nick, const std::string& text) const;

private:
    const ServiceClient* client_;
    Outbound* out_;
    Logs* logs_;
    const OnlineUsers* users_;
};

}  // namespace nb
