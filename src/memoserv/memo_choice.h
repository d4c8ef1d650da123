// What read, del and erase act on: every memo of the user, or one by its number.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace nb {

struct MemoChoice {
    bool all = false;
    double number = 0;
};

// nullopt when `which` is neither "all" (letter case ignored) nor a number.
std::optional<MemoChoice> ParseMemoChoice(const std::string& which);
// The table slot of the user's memo with that number, if the user has one.
std::optional<std::size_t> FindNumberedMemo(const std::vector<std::size_t>& userSlots, double number);

}  // namespace nb
