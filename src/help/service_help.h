// The help command of every service: sends a help file from help/<service>/.
#pragma once

#include <cstddef>
#include <string>

namespace nb {

class Services;

enum class HelpService { OperServ, NickServ, ChanServ, MemoServ };

class ServiceHelp {
public:
    explicit ServiceHelp(Services& services);
    void SendServiceHelp(HelpService service, std::size_t userSlot, const std::string& topic);

private:
    Services& services_;
};

}  // namespace nb
