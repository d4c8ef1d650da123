// Stored passwords: plain text as typed, or an Argon2id hash in libsodium's encoded form
// ("$argon2id$v=19$m=...,t=...,p=1$<salt>$<hash>"), which has no blank and so fits every
// record's password field.
#pragma once

#include <array>
#include <string>

namespace nb {

// The cost of a new hash: 12 MiB and three passes (about 25 ms on one core of the 2-core
// development machine). A hash keeps its own cost, so old hashes still verify after a change.
inline constexpr unsigned long long kHashPasses = 3;
inline constexpr std::size_t kHashMemoryBytes = 12 * 1024 * 1024;

bool IsPasswordHash(const std::string& stored);
// What the operators who see passwords are shown: a hash is no password.
inline std::string ShownPassword(const std::string& stored) { return IsPasswordHash(stored) ? "(hashed)" : stored; }
// Empty when libsodium cannot make it (out of memory).
std::string HashPassword(const std::string& password);
// A hash against a typed password (slow); plain text is compared exactly.
bool StoredPasswordMatches(const std::string& stored, const std::string& typed);

// A keyed BLAKE2b digest, fast, for what is held in memory only; the key is made at start.
using PasswordDigest = std::array<unsigned char, 32>;
class DigestKey {
public:
    DigestKey();
    PasswordDigest Of(const std::string& first, const std::string& second = "") const;

private:
    std::array<unsigned char, 32> key_{};
};

}  // namespace nb
