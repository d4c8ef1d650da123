// The one way a line leaves for the uplink: through the link's line sink while it is up.
// While a received block is handled the lines are held, so that they leave only after the
// block's changes are on disk, and a command whose change could not be written can take its
// replies back.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/debug_log.h"
#include "link/line_sink.h"

namespace nb {

class LinkWriter {
public:
    explicit LinkWriter(DebugLog& debugLog);
    void Attach(LineSink* sink, const LinkControl* control);
    bool IsLinkUp() const { return sink_ != nullptr && control_ != nullptr && control_->IsLinkConnected(); }

    // A classic line; dropped, and noted in the debug log, while the link is down. A line
    // longer than the IRC limit leaves as several messages, or cut (see FitLine).
    void SendLine(std::string line);

    void Hold() { holding_ = true; }
    // Sends every held line, in order, and stops holding.
    void Release();
    // How many lines are held: a mark for ReplaceHeld.
    std::size_t HeldCount() const { return held_.size(); }
    std::size_t HeldBytes() const { return heldBytes_; }
    // The lines held from `tail` on take the place of those in [begin, end).
    void ReplaceHeld(std::size_t begin, std::size_t end, std::size_t tail);

private:
    void Deliver(std::string line);

    DebugLog& debugLog_;
    LineSink* sink_ = nullptr;
    const LinkControl* control_ = nullptr;
    bool holding_ = false;
    std::vector<std::string> held_;
    std::size_t heldBytes_ = 0;
};

}  // namespace nb
