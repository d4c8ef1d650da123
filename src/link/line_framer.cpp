#include "link/line_framer.h"

namespace nb {

LineFramer::Result LineFramer::Append(std::string_view bytes) {
    Result result;
    while (!bytes.empty()) {
        std::size_t end = bytes.find('\n');
        AppendPiece(bytes.substr(0, end));
        if (end == std::string_view::npos) break;
        if (discarding_) {
            ++result.droppedLongLines;
        } else {
            result.lines.push_back(std::move(partial_));
        }
        partial_.clear();
        discarding_ = false;
        bytes.remove_prefix(end + 1);
    }
    return result;
}

// Part of a line without its LF: kept without CRs, unless the line has grown too long.
void LineFramer::AppendPiece(std::string_view piece) {
    for (std::size_t at = 0; at < piece.size() && !discarding_;) {
        std::size_t cr = piece.find('\r', at);
        std::string_view run = piece.substr(at, cr == std::string_view::npos ? std::string_view::npos : cr - at);
        if (partial_.size() + run.size() > kMaxLineLength) {
            partial_.clear();
            discarding_ = true;
            return;
        }
        partial_ += run;
        if (cr == std::string_view::npos) return;
        at = cr + 1;
    }
}

void LineFramer::Clear() {
    partial_.clear();
    discarding_ = false;
}

}  // namespace nb
