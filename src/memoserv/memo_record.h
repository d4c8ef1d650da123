// One memo and its line in MemoServ.nb2: "<From> [<SentOn>] <To> <Text>".
#pragma once

#include <optional>
#include <string>

namespace nb {

struct Memo {
    std::string from;  // sender's nick when sending, or "Administrator"; empty marks a deleted memo
    std::string to;    // recipient's nick as the sender typed it
    std::string text;  // may hold blanks, may be empty
    std::string sentOn;
};

std::string FormatMemoLine(const Memo& memo);
// nullopt when the line lacks a piece of the layout (sender, " [", "] ", recipient).
std::optional<Memo> ParseMemoLine(const std::string& line);

}  // namespace nb
