// The help command of every service: sends a help file from help/<service>/ of the data
// directory, with the service's current nickname put in place of its placeholder.
#pragma once

#include <cstddef>
#include <string>

namespace nb {

class Services;

enum class HelpService { OperServ, NickServ, ChanServ, MemoServ };

class ServiceHelp {
public:
    explicit ServiceHelp(Services& services);
    // No topic sends main.nb2; a topic with no file (or one that is not a plain file name)
    // gets the "Unknown command" reply. The audit line is written only when the whole file
    // was sent.
    void SendServiceHelp(HelpService service, std::size_t userSlot, const std::string& topic);

private:
    Services& services_;
};

}  // namespace nb
