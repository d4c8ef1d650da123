// The help command of every service: sends a help file from help/<folder>/ of the data
// directory, with the service's current nickname put in place of its placeholder.
#pragma once

#include <string>

#include "core/data_dir.h"
#include "services/service_voice.h"

namespace nb {

class ServiceHelp {
public:
    explicit ServiceHelp(const DataDirectory& data);
    // No topic sends main.nb2; a topic with no file (or one that is not a plain file name)
    // gets the "Unknown command" reply. The audit line is written only when the whole file
    // was sent.
    void SendServiceHelp(const ServiceVoice& voice, const UserRef& user, const std::string& topic) const;

private:
    const DataDirectory& data_;
};

}  // namespace nb
