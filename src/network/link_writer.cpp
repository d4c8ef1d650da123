#include "network/link_writer.h"

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
    sink_->SendLine(OneLine(line));
}

}  // namespace nb
