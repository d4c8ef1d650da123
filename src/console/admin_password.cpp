#include "console/admin_password.h"

#include <sodium.h>

namespace nb {
namespace {

// Interactive limits: a login costs a fraction of a second and 64 MiB, once.
std::string HashOf(const std::string& password) {
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return "";
    return hash;
}

std::string NewPassword() {
    static const char kLetters[] = "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    std::string password;
    for (int i = 0; i < 16; ++i) password += kLetters[randombytes_uniform(sizeof kLetters - 1)];
    return password;
}

}  // namespace

bool EnsureAdminPassword(Settings& settings, Console& console) {
    if (sodium_init() < 0) return false;
    if (!settings.Get("Security", "Admin Password", "").empty()) return true;
    std::string password = NewPassword();
    std::string hash = HashOf(password);
    if (hash.empty()) return false;
    settings.Set("Security", "Admin Password", hash);
    if (!settings.Save()) {
        console.ShowMessage("NBII - Admin console", "Cannot write " + settings.File().string() + "; the admin console stays closed.");
        return false;
    }
    console.ShowMessage("NBII - Admin console",
                        "The admin console's password is " + password +
                            " . It is shown only now and kept only as a hash; to make a new one, empty "
                            "Security/Admin Password in settings.ini and start again.");
    return true;
}

bool IsAdminPassword(const std::string& hash, const std::string& typed) {
    if (sodium_init() < 0 || hash.empty()) return false;
    return crypto_pwhash_str_verify(hash.c_str(), typed.data(), typed.size()) == 0;
}

std::string RandomToken(std::size_t bytes) {
    std::string raw(bytes, '\0');
    randombytes_buf(raw.data(), raw.size());
    std::string hex(bytes * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), reinterpret_cast<const unsigned char*>(raw.data()), raw.size());
    hex.pop_back();
    return hex;
}

}  // namespace nb
