// The words of one message to a service, as every service reads them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace nb {

class CommandWords {
public:
    // Cut at every single blank and each piece trimmed: two blanks in a row give an empty word.
    explicit CommandWords(std::string text);

    // Word `index`; a word that was not given reads as empty. Word 0 is the command.
    const std::string& operator[](std::size_t index) const;
    std::size_t Count() const { return words_.size(); }
    // Everything after word `index`, trimmed; blanks inside are kept.
    std::string RestAfter(std::size_t index) const;
    const std::string& Text() const { return text_; }

private:
    std::string text_;
    std::vector<std::string> words_;
};

}  // namespace nb
