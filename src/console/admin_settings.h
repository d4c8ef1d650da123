// The administration console's settings keys.
#pragma once

#include <vector>

#include "core/settings.h"

namespace nb {

// General/Admin Address and Admin Port (the console's own web server), General/Update Server
// (host:port of the update check; empty turns it off), Security/Admin Password (the console's
// password as a hash; made at the first start).
inline std::vector<SettingDefault> AdminSettingDefaults() {
    return {{"General", "Admin Address", "127.0.0.1"},
            {"General", "Admin Port", "6680"},
            {"General", "Update Server", ""},
            {"Security", "Admin Password", ""}};
}

}  // namespace nb
