#include "link/line_framer.h"

namespace nb {

LineFramer::Result LineFramer::Append(std::string_view bytes) {
    Result result;
    for (char c : bytes) {
        if (c == '\n') {
            if (discarding_) {
                ++result.droppedLongLines;
            } else {
                result.lines.push_back(std::move(partial_));
            }
            partial_.clear();
            discarding_ = false;
            continue;
        }
        if (c == '\r' || discarding_) continue;
        if (partial_.size() >= kMaxLineLength) {
            partial_.clear();
            discarding_ = true;
            continue;
        }
        partial_ += c;
    }
    return result;
}

void LineFramer::Clear() {
    partial_.clear();
    discarding_ = false;
}

}  // namespace nb
