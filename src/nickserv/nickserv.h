// NickServ: registered nicknames, their commands and the enforcement of registered nicks.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "nickserv/enforcement.h"
#include "nickserv/nick_database.h"
#include "nickserv/nickserv_commands.h"

namespace nb {

class Services;

class NickServ {
public:
    explicit NickServ(Services& services);

    // Start-up: registered nicknames, the quit list and the restricted nickname patterns.
    void LoadNickDatabase();
    // After a restore: either file or both, as they are now on disk.
    void LoadNickDatabase(bool loadNicks, bool loadQuits) { database_.LoadNickDatabase(loadNicks, loadQuits); }
    bool SaveNickDatabase() { return database_.SaveNickDatabase(); }

    bool IsNickRegistered(const std::string& nick) const;
    bool IsNickIdentified(const std::string& nick) const;
    std::string GetNickReplyType(const std::string& nick) const;
    bool IsNickRestricted(const std::string& nick) const { return database_.IsNickRestricted(nick); }
    const RegisteredNick* FindRegisteredNick(const std::string& nick) const {
        return database_.FindRegisteredNick(nick);
    }
    const std::vector<RegisteredNick>& RegisteredNicks() const { return database_.RegisteredNicks(); }

    // The console edits the restricted patterns in place, then saves them.
    std::vector<std::string>& RestrictedNicks() { return database_.RestrictedNicks(); }
    bool SaveRestrictedNicks() { return database_.SaveRestrictedNicks(); }

    // Sign-off of a nick that quit, was killed by the services, or changed away.
    void NoteNickQuit(const std::string& nick, const std::string& message);
    void NoteNickGone(const std::string& nick);
    void ClearNickIdentified(const std::string& nick);

    // Enforcement of registered nicks.
    void CheckRegisteredNick(const std::string& nick, std::size_t slot);
    void RemovePendingNick(const std::string& nick);
    // The user table starts again empty (a new link): nobody is waiting any more.
    void ClearPendingNicks();
    const std::vector<PendingNick>& PendingNicks() const { return enforcement_.PendingNicks(); }

    // A private message to the NickServ nickname from the user in `slot`.
    void Dispatch(std::size_t senderSlot, const std::string& text);

private:
    Services& services_;
    NickDatabase database_;
    NickEnforcement enforcement_;
    NickServCommands commands_;
};

}  // namespace nb
