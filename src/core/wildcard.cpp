#include "core/wildcard.h"

#include <cctype>
#include <vector>

namespace nb {
namespace {

// Matches one character against the bracket list that starts at pattern[open] ("[").
// Returns false in `ok` when the list has no closing bracket. `next` is just past "]".
bool MatchBracket(char c, std::string_view pattern, std::size_t open, std::size_t& next, bool& ok) {
    std::size_t i = open + 1;
    bool negate = i < pattern.size() && pattern[i] == '!';
    if (negate) ++i;
    bool found = false;
    bool first = true;
    while (i < pattern.size() && (pattern[i] != ']' || first)) {
        first = false;
        if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
            if (pattern[i] <= c && c <= pattern[i + 2]) found = true;
            i += 3;
        } else {
            if (pattern[i] == c) found = true;
            ++i;
        }
    }
    ok = i < pattern.size();
    next = i + 1;
    return found != negate;
}

// Classic two-pointer matcher with one backtrack point for the last "*".
bool Match(std::string_view text, std::string_view pattern) {
    std::size_t t = 0, p = 0;
    std::size_t starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        bool advanced = false;
        if (p < pattern.size()) {
            char pc = pattern[p];
            if (pc == '*') {
                starP = p++;
                starT = t;
                continue;
            }
            if (pc == '?' || (pc == '#' && std::isdigit(static_cast<unsigned char>(text[t])))) {
                ++p;
                ++t;
                advanced = true;
            } else if (pc == '[') {
                std::size_t next = 0;
                bool ok = true;
                bool hit = MatchBracket(text[t], pattern, p, next, ok);
                if (!ok) {
                    // An unclosed "[" is an ordinary character.
                    if (text[t] == '[') {
                        ++p;
                        ++t;
                        advanced = true;
                    }
                } else if (hit) {
                    p = next;
                    ++t;
                    advanced = true;
                }
            } else if (pc != '#' && pc == text[t]) {
                ++p;
                ++t;
                advanced = true;
            }
        }
        if (advanced) continue;
        if (starP == std::string_view::npos) return false;
        p = starP + 1;
        t = ++starT;
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

bool WildcardMatch(std::string_view text, std::string_view pattern) { return Match(text, pattern); }

}  // namespace nb
