// The lines an IRC server's configuration needs to accept the services' link, made from the
// server settings as typed.
#pragma once

#include <string>

namespace nb {

// The eight lines of the classic colon-separated form (connect, accept, hub and services
// lines between two markers), each ended by CR LF; the fields are taken as they are.
std::string ClassicLinkLines(const std::string& host, const std::string& password, const std::string& serverName);

// ngIRCd's [Server] block for the services, each line ended by CR LF.
std::string NgircdServerBlock(const std::string& password, const std::string& serverName);

}  // namespace nb
