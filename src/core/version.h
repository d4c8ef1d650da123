// The program's version, as the settings and the start-up lines show it.
#pragma once

namespace nb {

inline constexpr const char* kVersion = "4.3";

}  // namespace nb
