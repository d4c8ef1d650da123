#include "help/service_help.h"

#include "core/services.h"

namespace nb {

ServiceHelp::ServiceHelp(Services& services) : services_(services) {}

void ServiceHelp::SendServiceHelp(HelpService, std::size_t, const std::string&) {}

}  // namespace nb
