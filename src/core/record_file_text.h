// The text of a data file kept between writes, one line per record: a write makes again only
// the lines of records that may have changed, so a large table costs a copy, not a formatting.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace nb {

class RecordFileText {
public:
    using Format = std::function<void(std::size_t record, std::string& out)>;

    // Every line is made again at the next write (a load, or records that moved).
    void Clear();
    // The record may have changed since the last write.
    void Touch(std::size_t record);
    // The file text of records 0 to count - 1; `format` appends one record's line.
    const std::string& Text(std::size_t count, const Format& format);

private:
    std::string text_;
    std::vector<std::size_t> starts_;  // where each made line starts, and the end
    std::vector<bool> touched_;
};

}  // namespace nb
