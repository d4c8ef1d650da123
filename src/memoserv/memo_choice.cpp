#include <cctype>
#include <cmath>
#include <cstdlib>

#include "memoserv/memo_choice.h"

#include "core/text.h"

namespace nb {
namespace {

// Plain decimal notation: optional sign, digits with at most one point, optional exponent.
bool ReadsAsNumber(const std::string& text) {
    std::size_t i = 0;
    auto digits = [&] {
        std::size_t start = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        return i - start;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t count = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        count += digits();
    }
    if (count == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == text.size();
}

}  // namespace

std::optional<MemoChoice> ParseMemoChoice(const std::string& which) {
    if (IEquals(which, "all")) return MemoChoice{true, 0};
    std::string number = Trim(which);
    if (!ReadsAsNumber(number)) return std::nullopt;
    double value = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(value)) return std::nullopt;
    return MemoChoice{false, value};
}

std::optional<std::size_t> FindNumberedMemo(const std::vector<std::size_t>& userSlots, double number) {
    for (std::size_t n = 1; n <= userSlots.size(); ++n) {
        if (static_cast<double>(n) == number) return userSlots[n - 1];
    }
    return std::nullopt;
}

}  // namespace nb
