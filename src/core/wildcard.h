// The one wildcard match for host masks, ignore masks and restriction patterns.
#pragma once

#include <string_view>

namespace nb {

// The whole text must match the whole pattern. "*" any run (also none), "?" any one
// character, "#" one digit, "[a-z_]" one of a list with ranges, "[!...]" one not in it.
// Letter case counts; callers lower-case both sides to ignore it.
bool WildcardMatch(std::string_view text, std::string_view pattern);

}  // namespace nb
