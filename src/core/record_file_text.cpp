#include "core/record_file_text.h"

#include <algorithm>

namespace nb {

void RecordFileText::Clear() {
    text_.clear();
    starts_.clear();
    touched_.clear();
}

void RecordFileText::Touch(std::size_t record) {
    if (record < touched_.size()) touched_[record] = true;
}

const std::string& RecordFileText::Text(std::size_t count, const Format& format) {
    std::size_t made = starts_.empty() ? 0 : starts_.size() - 1;
    if (made > count) {
        Clear();
        made = 0;
    }
    if (starts_.empty()) starts_.push_back(0);
    if (std::find(touched_.begin(), touched_.end(), true) != touched_.end()) {
        std::string text;
        text.reserve(text_.size() + text_.size() / 8);
        std::vector<std::size_t> starts{0};
        for (std::size_t record = 0; record < made; ++record) {
            if (touched_[record]) {
                format(record, text);
            } else {
                text.append(text_, starts_[record], starts_[record + 1] - starts_[record]);
            }
            starts.push_back(text.size());
        }
        text_.swap(text);
        starts_.swap(starts);
    }
    for (std::size_t record = made; record < count; ++record) {
        format(record, text_);
        starts_.push_back(text_.size());
    }
    touched_.assign(count, false);
    return text_;
}

}  // namespace nb
