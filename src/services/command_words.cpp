#include "services/command_words.h"

#include "core/text.h"

namespace nb {

CommandWords::CommandWords(std::string text) : text_(std::move(text)) {
    for (const std::string& word : SplitWords(text_)) words_.push_back(Trim(word));
}

const std::string& CommandWords::operator[](std::size_t index) const {
    static const std::string kAbsent;
    return index < words_.size() ? words_[index] : kAbsent;
}

std::string CommandWords::RestAfter(std::size_t index) const {
    // Words were cut at single blanks, so word n + 1 starts after n + 1 blanks.
    std::size_t start = 0;
    for (std::size_t i = 0; i <= index; ++i) {
        std::size_t blank = text_.find(' ', start);
        if (blank == std::string::npos) return "";
        start = blank + 1;
    }
    return Trim(text_.substr(start));
}

}  // namespace nb
