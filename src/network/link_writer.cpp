#include "network/link_writer.h"

#include <algorithm>
#include <iterator>

#include "core/text.h"

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
    bool breaksLine = std::any_of(line.begin(), line.end(), BreaksLine);
    if (holding_) {
        heldBytes_ += line.size();
        held_.push_back(breaksLine ? OneLine(line) : std::move(line));
    } else if (breaksLine) {
        sink_->SendLine(OneLine(line));
    } else {
        sink_->SendLine(line);
    }
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
