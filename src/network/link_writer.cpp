#include "network/link_writer.h"

#include <algorithm>
#include <iterator>

#include "core/text.h"
#include "link/line_limit.h"

namespace nb {

LinkWriter::LinkWriter(DebugLog& debugLog) : debugLog_(debugLog) {}

void LinkWriter::Attach(LineSink* sink, const LinkControl* control) {
    sink_ = sink;
    control_ = control;
}

void LinkWriter::SendLine(std::string line) {
    if (sink_ == nullptr || control_ == nullptr || !control_->IsLinkConnected()) {
        // Only where it was going: replies may carry a password.
        debugLog_.Write("Link down, not sent: " + line.substr(0, line.find(" :")));
        return;
    }
    // A NUL, CR or LF inside would end the line early or start another one.
    if (std::any_of(line.begin(), line.end(), BreaksLine)) line = OneLine(line);
    if (line.size() <= kMaxLineBytes - kMessageRelayRoom) return Deliver(std::move(line));
    // A longer line would make the uplink drop the link.
    std::vector<std::string> fitted = FitLine(line, kMessageRelayRoom);
    if (fitted.empty()) debugLog_.Write("Too long to send, not sent: " + line.substr(0, line.find(" :")));
    for (std::string& piece : fitted) Deliver(std::move(piece));
}

void LinkWriter::Deliver(std::string line) {
    if (!holding_) return sink_->SendLine(line);
    heldBytes_ += line.size();
    held_.push_back(std::move(line));
}

void LinkWriter::Release() {
    holding_ = false;
    heldBytes_ = 0;
    std::vector<std::string> lines;
    lines.swap(held_);
    // The link may have gone down while the block was handled.
    if (sink_ == nullptr || control_ == nullptr || !control_->IsLinkConnected()) return;
    for (const std::string& line : lines) sink_->SendLine(line);
}

void LinkWriter::ReplaceHeld(std::size_t begin, std::size_t end, std::size_t tail) {
    std::vector<std::string> replacement(std::make_move_iterator(held_.begin() + static_cast<std::ptrdiff_t>(tail)),
                                         std::make_move_iterator(held_.end()));
    held_.resize(tail);
    held_.erase(held_.begin() + static_cast<std::ptrdiff_t>(begin), held_.begin() + static_cast<std::ptrdiff_t>(end));
    held_.insert(held_.begin() + static_cast<std::ptrdiff_t>(begin), std::make_move_iterator(replacement.begin()),
                 std::make_move_iterator(replacement.end()));
}

}  // namespace nb
