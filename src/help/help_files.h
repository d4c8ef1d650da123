// Finding and preparing help files: which file a topic names, where it lies, and the
// service nickname put in place of the file's placeholder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace nb {

// Every occurrence of `placeholder`, letter case ignored, replaced by `value`.
std::string ReplacePlaceholder(const std::string& line, const std::string& placeholder, const std::string& value);

}  // namespace nb
