// NickServ: registered nicknames, their commands and the enforcement of registered nicks.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/data_dir.h"
#include "core/datetime.h"
#include "core/settings.h"
#include "core/timers.h"
#include "help/service_help.h"
#include "network/network_events.h"
#include "nickserv/enforcement.h"
#include "nickserv/nick_database.h"
#include "nickserv/nickserv_commands.h"
#include "services/nick_status.h"

namespace nb {

class NickServ : public NetworkEvents, public NickStatus {
public:
    // `standing` may be made after NickServ (it asks NickServ who is identified).
    NickServ(const DataDirectory& data, Console& console, const Clock& clock, Timers& timers, GroupCommit& commit,
             const Standing& standing, OnlineUsers& users, Outbound& out, Logs& logs, const ServiceHelp& help,
             const ServiceVoice& voice);

    const CommandTable& Commands() const { return commands_.Table(); }
    // What NickServ announces to the other services.
    NickEventBus& Events() { return events_; }

    static std::vector<std::string> DataFiles() {
        return {"NickServ/NickServ.nb2", "NickServ/Quit.nb2", "NickServ/Restrict.nb2"};
    }
    // Start-up: registered nicknames, the quit list and the restricted nickname patterns.
    void LoadNickDatabase();
    // After a restore: either file or both, as they are now on disk.
    void LoadNickDatabase(bool loadNicks, bool loadQuits) { database_.LoadNickDatabase(loadNicks, loadQuits); }

    bool IsNickRegistered(const std::string& nick) const override { return database_.IsNickRegistered(nick); }
    bool IsIdentified(const OnlineUser& user) const override { return database_.IsNickIdentified(user); }
    // The user who holds the nick now has identified to it.
    bool IsNickIdentified(const std::string& nick) const {
        auto slot = users_.FindOnlineUser(nick);
        return slot && IsIdentified(users_.At(*slot));
    }
    std::optional<std::array<std::string, 3>> AccessHostsOf(const std::string& nick) const override {
        const RegisteredNick* record = database_.FindRegisteredNick(nick);
        if (record == nullptr) return std::nullopt;
        return record->AccessHosts();
    }
    ReplyType GetNickReplyType(const std::string& nick) const { return database_.GetNickReplyType(nick); }
    bool IsNickRestricted(const std::string& nick) const { return database_.IsNickRestricted(nick); }
    const RegisteredNick* FindRegisteredNick(const std::string& nick) const {
        return database_.FindRegisteredNick(nick);
    }
    const std::vector<RegisteredNick>& RegisteredNicks() const { return database_.RegisteredNicks(); }

    // The console edits the restricted patterns in place, then saves them.
    std::vector<std::string>& RestrictedNicks() { return database_.RestrictedNicks(); }
    bool SaveRestrictedNicks() { return database_.SaveRestrictedNicks(); }
    StoredList& RestrictedNickList() { return database_.RestrictedNickList(); }
    // The console drops a registered nick as its owner's drop does; false when it is not registered.
    bool DropNick(const std::string& nick);
    // The console's edit of a nick's "email", "url", "realname" or "age": why it cannot be
    // stored, or nothing when it was.
    std::optional<std::string> EditNick(const std::string& nick, const std::string& field, const std::string& value);

    const std::vector<PendingNick>& PendingNicks() const { return enforcement_.PendingNicks(); }

    // What happens on the network.
    void OnLinkUp() override;
    void OnUserIntroduced(const std::string& nick) override;
    void OnNickChanged(const std::string& nick, const std::string& oldNick) override;
    void OnUserGone(const OnlineUser& user, const std::optional<std::string>& quitMessage) override;

private:
    // Sign-off of a nick that quit, or was killed.
    void NoteNickQuit(const std::string& nick, const std::string& message);
    void NoteNickGone(const std::string& nick);

    const Clock& clock_;
    DateTextCache lastSeenText_{FormatGeneralDate};  // every quit of a registered nick stamps it
    OnlineUsers& users_;
    NickEventBus events_;
    NickDatabase database_;
    NickEnforcement enforcement_;
    NickServCommands commands_;
};

}  // namespace nb
