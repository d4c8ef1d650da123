// The one way a line leaves for the uplink: through the link's line sink while it is up.
#pragma once

#include <string>

#include "core/debug_log.h"
#include "link/line_sink.h"

namespace nb {

class LinkWriter {
public:
    explicit LinkWriter(const DebugLog& debugLog);
    void Attach(LineSink* sink, const LinkControl* control);

    // A classic line as it stands; dropped, and noted in the debug log, while the link is down.
    void SendLine(const std::string& line);

private:
    const DebugLog& debugLog_;
    LineSink* sink_ = nullptr;
    const LinkControl* control_ = nullptr;
};

}  // namespace nb
