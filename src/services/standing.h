// A sender's standing with the services, as every gate and every service reads it: identified
// with NickServ to the nick in use, logged in to OperServ at a level, override. NickServ alone
// decides the first; OperServ alone writes the other two, on the user's record.
#pragma once

#include "core/settings.h"
#include "network/online_user.h"
#include "services/nick_status.h"

namespace nb {

class Standing {
public:
    Standing(const NickStatus& nicks, const Settings& settings) : nicks_(nicks), settings_(settings) {}

    bool IsIdentified(const OnlineUser& user) const { return nicks_.IsIdentified(user); }
    // 0 for a user who is not logged in to OperServ.
    int OperLevel(const OnlineUser& user) const { return user.operLevel; }
    bool MayOverride(const OnlineUser& user) const { return user.override; }
    // General/OS Info: the operator level that sees passwords in the information replies.
    bool SeesPasswords(const OnlineUser& user) const {
        return OperLevel(user) >= ToNumber(settings_.Get("General", "OS Info", "450"));
    }

private:
    const NickStatus& nicks_;
    const Settings& settings_;
};

}  // namespace nb
