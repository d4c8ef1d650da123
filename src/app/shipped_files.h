// The files installed with the program (help texts, the example bot) that a data directory
// gets its own copy of.
#pragma once

#include <filesystem>

namespace nb {

class Console;

// share/nimbral2 of the installation the running program belongs to; empty when the program
// runs from its build folder, which has none.
std::filesystem::path ShippedFilesDir();

// Copies each shipped folder (help, bots) that the data directory lacks, and says so.
void CopyMissingShippedFolders(const std::filesystem::path& shippedDir, const std::filesystem::path& dataDir,
                               Console& console);

}  // namespace nb
