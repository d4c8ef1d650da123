#include "nickserv/nickserv.h"

#include "core/services.h"

namespace nb {

NickServ::NickServ(Services& services) : services_(services) {}

void NickServ::LoadNickDatabase() {}
bool NickServ::IsNickRegistered(const std::string&) const { return false; }
bool NickServ::IsNickIdentified(const std::string&) const { return false; }
std::string NickServ::GetNickReplyType(const std::string&) const { return "NOTICE"; }
void NickServ::NoteNickQuit(const std::string&, const std::string&) {}
void NickServ::NoteNickGone(const std::string&) {}
void NickServ::ClearNickIdentified(const std::string&) {}
void NickServ::CheckRegisteredNick(const std::string&, std::size_t) {}
void NickServ::RemovePendingNick(const std::string&) {}
void NickServ::Dispatch(std::size_t, const std::string&) {}

}  // namespace nb
