// NickServ: registered nicknames, their commands and the enforcement of registered nicks.
#pragma once

#include <cstddef>
#include <string>

namespace nb {

class Services;

class NickServ {
public:
    explicit NickServ(Services& services);

    // Start-up: registered nicknames and the quit list.
    void LoadNickDatabase();

    bool IsNickRegistered(const std::string& nick) const;
    bool IsNickIdentified(const std::string& nick) const;
    std::string GetNickReplyType(const std::string& nick) const;

    // Sign-off of a nick that quit, was killed by the services, or changed away.
    void NoteNickQuit(const std::string& nick, const std::string& message);
    void NoteNickGone(const std::string& nick);
    void ClearNickIdentified(const std::string& nick);

    // Enforcement of registered nicks.
    void CheckRegisteredNick(const std::string& nick, std::size_t slot);
    void RemovePendingNick(const std::string& nick);

    // A private message to the NickServ nickname from the user in `slot`.
    void Dispatch(std::size_t senderSlot, const std::string& text);

private:
    Services& services_;
};

}  // namespace nb
