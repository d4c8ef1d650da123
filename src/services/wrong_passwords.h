// Wrong passwords count against the user who gives them, whichever service and command they
// go to, so that no command is a way to guess without end.
#pragma once

#include "network/online_users.h"
#include "network/outbound.h"
#include "services/command_table.h"

namespace nb {

inline constexpr int kKillAfterWrongPasswords = 4;

// Counts a wrong password of the sender. The fourth in a row kills the sender ("Too many
// invalid passwords!") and answers true: the caller then only audits, the user being gone.
bool KilledForWrongPassword(const CommandContext& context, OnlineUsers& users, Outbound& out);
// A right password ends the row.
void RightPassword(const CommandContext& context, OnlineUsers& users);

}  // namespace nb
