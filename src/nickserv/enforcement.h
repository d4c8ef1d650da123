// Users on a registered nick who are not recognised by an access host: warned, then moved to
// a Guest nick when they have neither identified nor left the nick within 60 seconds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/timers.h"

namespace nb {

class Services;
class NickDatabase;

struct PendingNick {
    std::string nick;  // the nick the user was warned about
    std::uint64_t id = 0;
    TimerId timer = 0;  // this entry's own deadline
};

class NickEnforcement {
public:
    NickEnforcement(Services& services, NickDatabase& database);
    ~NickEnforcement();
    NickEnforcement(const NickEnforcement&) = delete;
    NickEnforcement& operator=(const NickEnforcement&) = delete;

    // A user came online with `nick` or changed to it; `userSlot` is its online user slot.
    void CheckRegisteredNick(const std::string& nick, std::size_t userSlot);
    // The warned user identified, left or changed away: its deadline is cancelled.
    void RemovePendingNick(const std::string& nick);
    void ClearPendingNicks();

    const std::vector<PendingNick>& PendingNicks() const { return pending_; }

private:
    void OnEnforcementTimer(std::uint64_t entryId);
    void RemoveEntry(std::size_t index);
    std::string DrawGuestNick();

    Services& services_;
    NickDatabase& database_;
    std::vector<PendingNick> pending_;
    std::uint64_t nextId_ = 1;
    std::mt19937 random_;
};

}  // namespace nb
