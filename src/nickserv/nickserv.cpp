#include "nickserv/nickserv.h"

#include "core/datetime.h"
#include "core/services.h"

namespace nb {

NickServ::NickServ(Services& services)
    : services_(services),
      database_(services),
      enforcement_(services, database_),
      commands_(services, database_, enforcement_) {}

void NickServ::LoadNickDatabase() {
    database_.LoadNickDatabase(true, true);
    database_.LoadRestrictedNicks();
}

bool NickServ::IsNickRegistered(const std::string& nick) const { return database_.IsNickRegistered(nick); }
bool NickServ::IsNickIdentified(const std::string& nick) const { return database_.IsNickIdentified(nick); }
std::string NickServ::GetNickReplyType(const std::string& nick) const { return database_.GetNickReplyType(nick); }

void NickServ::NoteNickQuit(const std::string& nick, const std::string& message) {
    RegisteredNick* record = database_.FindRegisteredNick(nick);
    if (record == nullptr) return;
    record->lastQuit = message;
    record->identified = false;
    record->lastSeen = FormatGeneralDate(services_.clock.Now());
    database_.SaveQuitMessages();
    database_.SaveNickDatabase();
}

void NickServ::NoteNickGone(const std::string& nick) {
    RegisteredNick* record = database_.FindRegisteredNick(nick);
    if (record == nullptr) return;
    record->identified = false;
    record->lastSeen = FormatGeneralDate(services_.clock.Now());
    database_.SaveNickDatabase();
}

void NickServ::ClearNickIdentified(const std::string& nick) {
    if (RegisteredNick* record = database_.FindRegisteredNick(nick)) record->identified = false;
}

void NickServ::CheckRegisteredNick(const std::string& nick, std::size_t slot) {
    enforcement_.CheckRegisteredNick(nick, slot);
}

void NickServ::RemovePendingNick(const std::string& nick) { enforcement_.RemovePendingNick(nick); }
void NickServ::ClearPendingNicks() { enforcement_.ClearPendingNicks(); }

void NickServ::Dispatch(std::size_t senderSlot, const std::string& text) { commands_.Dispatch(senderSlot, text); }

}  // namespace nb
