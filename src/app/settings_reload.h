// settings.ini read again while the services run (SIGHUP, `systemctl reload`).
#pragma once

namespace nb {

class Services;

// The log channels, levels and limits take effect at once (OperServ moves to changed log
// channels while linked); the link's own settings at the next link; the web server's at the
// next start. The terminal says which changed keys took effect when. A file that cannot be
// read changes nothing.
void ReloadSettings(Services& services);

}  // namespace nb
