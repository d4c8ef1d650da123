// Small text helpers used across modules. IRC names compare without regard to letter case.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nb {

constexpr char kBold = '\x02';

// The text between two bold control characters.
inline std::string Bold(std::string_view text) { return kBold + std::string(text) + kBold; }

std::string ToLower(std::string_view text);
bool IEquals(std::string_view a, std::string_view b);
bool IContains(std::string_view text, std::string_view part);

// Hash and equality of names without regard to letter case, for indexes that are searched
// with any text and never copy the name to lower case for it.
struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const;
};
struct NameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return IEquals(a, b); }
};
template <class Value>
using NameIndex = std::unordered_map<std::string, Value, NameHash, NameEqual>;
std::string Trim(std::string_view text);
// The number of LF in the text: room for a table's lines before they are read.
std::size_t CountLines(std::string_view text);
// The first line of `text` without its LF or CR LF (a last line without one too); `text`
// then starts after it.
std::string_view TakeLine(std::string_view& text);
// Each line of the text without its LF or CR LF; a last line without one too.
void ForEachLine(std::string_view text, const std::function<void(std::string_view line)>& each);
// Splits at every single blank, so two blanks in a row give an empty word.
std::vector<std::string> SplitWords(std::string_view text);
// Splits at runs of blanks; no empty words.
std::vector<std::string> SplitFields(std::string_view text);
// Non-empty pieces of a list such as "#a,#b".
std::vector<std::string> SplitList(std::string_view list, char separator);
std::string JoinWords(const std::vector<std::string>& words, std::size_t from, const std::string& separator = " ");
bool IsDigits(std::string_view text);
// Numeric value of a decimal text, 0 when it is not one.
long long ToNumber(std::string_view text);
// NUL, CR and LF: each would end a protocol or log line early, or start another one.
inline bool BreaksLine(char c) { return c == '\0' || c == '\r' || c == '\n'; }
// The text with those made blanks: it can no longer end or split a line.
std::string OneLine(std::string_view text);
// The same, added to the end of `out`.
void AppendOneLine(std::string& out, std::string_view text);
// The control characters that IRC clients use for formatting: bold, colour, reset, reverse,
// italics, underline.
bool IsFormattingControl(char c);
// The text for a terminal or a journal: without those (and a colour's numbers), every other
// control character but line feed and tab a blank.
std::string PlainText(std::string_view text);
// True when the text holds no control character other than those.
bool HasOnlyFormattingControls(std::string_view text);
// A blank, or any other control character: what a reader takes for the end of a word.
bool IsWordBreak(char c);
// The text up to its first character that is not an ASCII letter or digit.
std::string LeadingAlphanumerics(std::string_view text);
// Where the first blank of any kind (the ASCII blank, U+00A0, U+2000 to U+200A, U+3000) or
// control character is; npos when there is none.
std::size_t FindBlankOrControl(std::string_view text);

}  // namespace nb
