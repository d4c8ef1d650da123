// Users on a registered nick who are not recognised by an access host: warned, then moved to
// a Guest nick when they have neither identified nor left the nick within 60 seconds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/timers.h"
#include "network/logs.h"
#include "network/online_users.h"
#include "network/outbound.h"
#include "nickserv/nick_database.h"
#include "services/service_voice.h"

namespace nb {

struct PendingNick {
    std::string nick;  // the nick the user was warned about
    std::uint64_t id = 0;
    TimerId timer = 0;  // this entry's own deadline
};

class NickEnforcement {
public:
    NickEnforcement(NickDatabase& database, OnlineUsers& users, Outbound& out, Logs& logs, Timers& timers,
                    const Clock& clock, const ServiceVoice& voice);
    ~NickEnforcement();
    NickEnforcement(const NickEnforcement&) = delete;
    NickEnforcement& operator=(const NickEnforcement&) = delete;

    // A user came online with `nick` or changed to it; `userSlot` is its online user slot.
    void CheckRegisteredNick(const std::string& nick, std::size_t userSlot);
    // The warned user identified, left or changed away: its deadline is cancelled.
    void RemovePendingNick(const std::string& nick);
    void ClearPendingNicks();

    const std::vector<PendingNick>& PendingNicks() const { return pending_; }

    // Runs when a user is recognised by an access host.
    std::function<void(std::size_t slot)> onRecognised;

private:
    void OnEnforcementTimer(std::uint64_t entryId);
    void RemoveEntry(std::size_t index);
    std::string DrawGuestNick();

    NickDatabase& database_;
    OnlineUsers& users_;
    Outbound& out_;
    Logs& logs_;
    Timers& timers_;
    const Clock& clock_;
    ServiceVoice voice_;
    std::vector<PendingNick> pending_;
    std::uint64_t nextId_ = 1;
    std::mt19937 random_;
};

}  // namespace nb
