// What the services send when the link comes up: the server handshake and the
// introduction of each enabled service client.
#pragma once

namespace nb {

class Services;

struct ServiceSwitches {
    bool chanServ = true;
    bool nickServ = true;
    bool operServ = true;
    bool memoServ = true;
};

void SendLinkHandshake(Services& services);
void IntroduceServices(Services& services, const ServiceSwitches& switches);

}  // namespace nb
