// File helpers shared by every database. Data files hold passwords: owner-only.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace nb {

namespace fs = std::filesystem;

// Writes to a temporary file in the same folder, flushes it to disk and renames it over
// the target, so a crash leaves either the old or the new file whole. Mode 0600. Without
// `sync` the rename stays atomic (a killed process loses nothing) but a power cut may.
bool WriteFileAtomic(const fs::path& path, const std::string& content, bool sync = true);

// Appends text, creating the file owner-only when missing.
bool AppendToFile(const fs::path& path, const std::string& text);

// The lines of a text file without their line ends (LF or CR LF). Empty when unreadable.
std::vector<std::string> ReadTextLines(const fs::path& path);

bool FileExists(const fs::path& path);

// Creates the folder (and its parents) owner-only; an existing folder is fine.
void EnsureDirectory(const fs::path& path);

}  // namespace nb
