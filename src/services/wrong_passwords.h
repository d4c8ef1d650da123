// Wrong passwords count against the user who gives them, whichever service and command they
// go to, so that no command is a way to guess without end.
#pragma once

#include <functional>
#include <string>

#include "network/online_users.h"
#include "network/outbound.h"
#include "services/command_table.h"

namespace nb {

inline constexpr int kKillAfterWrongPasswords = 4;

using AuditLine = std::function<void(const std::string& text)>;

// Answers a wrong password of the sender and counts it: `reply`, and "<auditWords> [Failed
// (invalid password)]" audited; the fourth in a row kills the sender ("Too many invalid
// passwords!") instead, and only its audit line follows. `audit` writes the command's audit
// lines (by default the context's own).
void RefuseWrongPassword(const CommandContext& context, OnlineUsers& users, Outbound& out, const std::string& reply,
                         const std::string& auditWords, const AuditLine& audit = nullptr);
// A right password ends the row.
void RightPassword(const CommandContext& context, OnlineUsers& users);

}  // namespace nb
