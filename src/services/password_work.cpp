#include "services/password_work.h"

#include <memory>

#include <sodium.h>

namespace nb {
namespace {

// Answers nobody came back for (the user left) are forgotten beyond this many.
constexpr std::size_t kMostWaitingAnswers = 10000;

bool Same(const PasswordDigest& a, const PasswordDigest& b) { return sodium_memcmp(a.data(), b.data(), a.size()) == 0; }

}  // namespace

PasswordWork::PasswordWork(const Settings& settings, Workers& workers) : settings_(settings), workers_(workers) {}

bool PasswordWork::HashesNew() const { return Trim(settings_.Get("Security", "Hash Passwords", "0")) == "1"; }

PasswordCheck PasswordWork::Check(const std::string& stored, const std::string& typed,
                                  std::function<void()> whenKnown) {
    if (!IsPasswordHash(stored)) return stored == typed ? PasswordCheck::Right : PasswordCheck::Wrong;
    // One password verifies against a hash: another is wrong without the slow check.
    if (auto known = right_.find(stored); known != right_.end())
        return Same(known->second, key_.Of(typed)) ? PasswordCheck::Right : PasswordCheck::Wrong;
    PasswordDigest asked = key_.Of(stored, typed);
    if (wrong_.erase(asked) > 0) return PasswordCheck::Wrong;
    auto right = std::make_shared<bool>(false);
    workers_.Submit([right, stored, typed] { *right = StoredPasswordMatches(stored, typed); },
                    [this, right, stored, typed, asked, whenKnown = std::move(whenKnown)] {
                        if (*right) {
                            Remember(stored, typed);
                        } else {
                            if (wrong_.size() >= kMostWaitingAnswers) wrong_.clear();
                            wrong_.insert(asked);
                        }
                        whenKnown();
                    });
    return PasswordCheck::Pending;
}

std::optional<std::string> PasswordWork::ToStore(const std::string& password, std::function<void()> whenKnown) {
    if (!HashesNew()) return password;
    PasswordDigest asked = key_.Of(password);
    if (auto made = made_.find(asked); made != made_.end()) {
        std::string hash = std::move(made->second);
        made_.erase(made);
        return hash;
    }
    auto hash = std::make_shared<std::string>();
    workers_.Submit([hash, password] { *hash = HashPassword(password); },
                    [this, hash, password, asked, whenKnown = std::move(whenKnown)] {
                        // Without a hash (no memory for it) the password stays plain text: nothing is lost.
                        if (hash->empty()) *hash = password;
                        Remember(*hash, password);
                        if (made_.size() >= kMostWaitingAnswers) made_.clear();
                        made_[asked] = *hash;
                        whenKnown();
                    });
    return std::nullopt;
}

void PasswordWork::Store(const std::string& password, std::function<void(const std::string&)> then) {
    auto again = [this, password, then] {
        if (auto stored = ToStore(password, [] {})) then(*stored);
    };
    if (auto stored = ToStore(password, again)) then(*stored);
}

void PasswordWork::Remember(const std::string& hash, const std::string& password) {
    if (IsPasswordHash(hash)) right_[hash] = key_.Of(password);
}

}  // namespace nb
