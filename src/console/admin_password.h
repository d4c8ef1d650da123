// The administration console's password: made at the first start and shown once, kept only as
// an Argon2id hash in Security/Admin Password.
#pragma once

#include <string>

#include "core/console.h"
#include "core/settings.h"

namespace nb {

// Makes a password when none is kept (shown on the console once, its hash saved). False when
// the hash cannot be made or saved: the console stays closed then.
bool EnsureAdminPassword(Settings& settings, Console& console);

// Whether `typed` is the password `hash` was made from.
bool IsAdminPassword(const std::string& hash, const std::string& typed);

// A random token of `bytes` bytes, in hexadecimal (a session's cookie).
std::string RandomToken(std::size_t bytes);

}  // namespace nb
