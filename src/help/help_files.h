// Finding and preparing help files: which file a topic names, where it lies, and the
// service nickname put in place of the file's placeholder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace nb {

// A topic is used as part of a file name: anything that could leave the service's help
// folder (a path separator, "..", a drive letter) names no file.
bool IsSafeHelpTopic(const std::string& topic);

// The entry of `folder` called `name`, letter case ignored; nullopt when there is none.
std::optional<std::filesystem::path> FindEntryIgnoringCase(const std::filesystem::path& folder,
                                                           const std::string& name);

// Every occurrence of `placeholder`, letter case ignored, replaced by `value`.
std::string ReplacePlaceholder(const std::string& line, const std::string& placeholder, const std::string& value);

}  // namespace nb
