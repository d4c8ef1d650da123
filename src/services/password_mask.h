// What the debug log and the raw traffic view may show of a received line.
#pragma once

#include <string>

#include "link/irc_line.h"
#include "services/service_clients.h"

namespace nb {

// The line's text with the password words of a command to one of our clients written "******".
std::string MaskPasswords(const IrcLine& line, const ServiceClients& clients);

}  // namespace nb
