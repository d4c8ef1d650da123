#include "services/password_hash.h"

#include <sodium.h>

namespace nb {
namespace {

bool SodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

}  // namespace

bool IsPasswordHash(const std::string& stored) { return stored.starts_with("$argon2id$"); }

std::string HashPassword(const std::string& password) {
    char hash[crypto_pwhash_STRBYTES];
    if (!SodiumReady() || crypto_pwhash_str_alg(hash, password.data(), password.size(), kHashPasses, kHashMemoryBytes,
                                                crypto_pwhash_ALG_ARGON2ID13) != 0)
        return "";
    return hash;
}

bool StoredPasswordMatches(const std::string& stored, const std::string& typed) {
    if (!IsPasswordHash(stored)) return stored == typed;
    return SodiumReady() && crypto_pwhash_str_verify(stored.c_str(), typed.data(), typed.size()) == 0;
}

DigestKey::DigestKey() {
    if (SodiumReady()) randombytes_buf(key_.data(), key_.size());
}

// The two texts with their lengths, so that no two pairs run together into the same input.
PasswordDigest DigestKey::Of(const std::string& first, const std::string& second) const {
    PasswordDigest digest{};
    crypto_generichash_state state;
    crypto_generichash_init(&state, key_.data(), key_.size(), digest.size());
    for (const std::string* text : {&first, &second}) {
        unsigned long long size = text->size();
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(&size), sizeof size);
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(text->data()), text->size());
    }
    crypto_generichash_final(&state, digest.data(), digest.size());
    return digest;
}

}  // namespace nb
