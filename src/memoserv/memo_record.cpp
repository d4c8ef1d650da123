#include "memoserv/memo_record.h"

namespace nb {

std::string FormatMemoLine(const Memo& memo) {
    return memo.from + " [" + memo.sentOn + "] " + memo.to + " " + memo.text;
}

std::optional<Memo> ParseMemoLine(const std::string& line) {
    Memo memo;
    std::size_t blank = line.find(' ');
    if (blank == 0 || blank == std::string::npos || line.compare(blank, 2, " [") != 0) return std::nullopt;
    memo.from = line.substr(0, blank);
    // The date never holds "]", the text may: the first "]" closes the date.
    std::size_t dateStart = blank + 2;
    std::size_t close = line.find(']', dateStart);
    if (close == std::string::npos || line.compare(close, 2, "] ") != 0) return std::nullopt;
    memo.sentOn = line.substr(dateStart, close - dateStart);
    std::size_t toStart = close + 2;
    std::size_t toEnd = line.find(' ', toStart);
    memo.to = line.substr(toStart, toEnd == std::string::npos ? std::string::npos : toEnd - toStart);
    if (memo.to.empty()) return std::nullopt;
    if (toEnd != std::string::npos) memo.text = line.substr(toEnd + 1);
    return memo;
}

}  // namespace nb
