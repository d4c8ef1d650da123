// Passwords checked and hashed on the workers, never on the event loop. A check or a hash that
// cannot be answered at once is started and answered "pending"; once it is done, `whenKnown`
// runs on the loop and the same question is answered at once. A password that was right since
// the start is checked again against a keyed digest held in memory only.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/settings.h"
#include "core/text.h"
#include "core/workers.h"
#include "services/password_hash.h"

namespace nb {

enum class PasswordCheck { Right, Wrong, Pending };

class PasswordWork {
public:
    PasswordWork(const Settings& settings, Workers& workers);
    PasswordWork(const PasswordWork&) = delete;
    PasswordWork& operator=(const PasswordWork&) = delete;

    static std::vector<SettingDefault> SettingDefaults() { return {{"Security", "Hash Passwords", "0"}}; }
    // Security/Hash Passwords: new and changed passwords are stored as hashes.
    bool HashesNew() const;
    // A plain-text password to replace by its hash, now that it was given right.
    bool WantsUpgrade(const std::string& stored) const { return HashesNew() && !IsPasswordHash(stored); }

    PasswordCheck Check(const std::string& stored, const std::string& typed, std::function<void()> whenKnown);
    // What to store for a new password: itself, or its hash once made (nullopt meanwhile).
    std::optional<std::string> ToStore(const std::string& password, std::function<void()> whenKnown);
    // The same, for who can wait for a callback: `then` gets the text to store, now or later.
    void Store(const std::string& password, std::function<void(const std::string&)> then);

private:
    void Remember(const std::string& hash, const std::string& password);

    const Settings& settings_;
    Workers& workers_;
    DigestKey key_;
    // Each hash that was right since the start, with the digest of its password.
    std::unordered_map<std::string, PasswordDigest> right_;
    // Wrong answers and new hashes, until asked for again.
    std::set<PasswordDigest> wrong_;
    std::map<PasswordDigest, std::string> made_;
};

}  // namespace nb
