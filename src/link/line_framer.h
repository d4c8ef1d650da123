// Turns the byte stream of the link into whole lines: split at LF, CR dropped, a partial
// line kept for the next block. A line longer than the limit is dropped whole.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nb {

class LineFramer {
public:
    static constexpr std::size_t kMaxLineLength = 16 * 1024;

    struct Result {
        std::vector<std::string> lines;
        std::size_t droppedLongLines = 0;
    };

    Result Append(std::string_view bytes);
    void Clear();

private:
    void AppendPiece(std::string_view piece);

    std::string partial_;
    bool discarding_ = false;  // inside a line that is already too long
};

}  // namespace nb
