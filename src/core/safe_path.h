// A file name a user chose (a help topic, a bot script, a requested web page) names a file of
// its folder and nothing else.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace nb {

// No "/", "\", "..", ":" (a drive or a stream on other systems) or NUL, and not empty.
bool IsPlainFileName(std::string_view name);

// The entry of `folder` called `name`, letter case ignored; nullopt when there is none.
std::optional<std::filesystem::path> FindEntryIgnoringCase(const std::filesystem::path& folder, std::string_view name);

// The regular file of `folder` called `name` (letter case ignored): only for a plain file name,
// and only when the file, symbolic links followed, lies inside the folder.
std::optional<std::filesystem::path> FileInFolder(const std::filesystem::path& folder, std::string_view name);

}  // namespace nb
