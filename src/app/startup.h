// From launch to the point where the services can connect.
#pragma once

#include <string>

namespace nb {

class Services;

// Data tree, settings (every missing key written with its default), the first-run notice,
// the databases. Returns false when the data directory cannot be used.
bool RunStartup(Services& services, const std::string& hostName);

}  // namespace nb
