#include "network/link_writer.h"

#include <algorithm>

#include "core/text.h"

namespace nb {

LinkWriter::LinkWriter(const DebugLog& debugLog) : debugLog_(debugLog) {}

void LinkWriter::Attach(LineSink* sink, const LinkControl* control) {
    sink_ = sink;
    control_ = control;
}

void LinkWriter::SendLine(const std::string& line) {
    if (sink_ == nullptr || control_ == nullptr || !control_->IsLinkConnected()) {
        // Only where it was going: replies may carry a password.
        debugLog_.Write("Link down, not sent: " + line.substr(0, line.find(" :")));
        return;
    }
    // A NUL, CR or LF inside would end the line early or start another one.
    bool breaksLine = std::any_of(line.begin(), line.end(), [](char c) { return c == '\0' || c == '\r' || c == '\n'; });
    if (breaksLine) {
        sink_->SendLine(OneLine(line));
        return;
    }
    sink_->SendLine(line);
}

}  // namespace nb
