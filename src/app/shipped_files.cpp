#include "app/shipped_files.h"

#include "core/console.h"

namespace nb {

namespace fs = std::filesystem;

fs::path ShippedFilesDir() {
    std::error_code error;
    fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error) return {};
    fs::path shipped = (program.parent_path() / NB_SHARE_FROM_BIN).lexically_normal();
    return fs::is_directory(shipped, error) ? shipped : fs::path();
}

void CopyMissingShippedFolders(const fs::path& shippedDir, const fs::path& dataDir, Console& console) {
    if (shippedDir.empty()) return;
    for (const char* name : {"help", "bots"}) {
        std::error_code error;
        fs::path from = shippedDir / name, to = dataDir / name;
        if (!fs::is_directory(from, error) || fs::exists(fs::symlink_status(to, error))) continue;
        // Into a folder of its own first: an interrupted copy never looks like a complete one.
        fs::path partial = dataDir / (std::string(name) + ".tmp");
        fs::remove_all(partial, error);
        fs::copy(from, partial, fs::copy_options::recursive, error);
        if (!error) fs::rename(partial, to, error);
        if (error) {
            std::string reason = error.message();
            fs::remove_all(partial, error);
            console.ShowMessage("NBII - Start-up", "Cannot copy " + from.string() + " to " + to.string() + " (" + reason + ").");
            continue;
        }
        console.AppendLogText(LogBox::Status, "Copied the shipped " + std::string(name) + " folder into " + to.string());
    }
}

}  // namespace nb
