// The data directory: its folders and the empty data files every loader expects.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace nb {

class DataDirectory {
public:
    explicit DataDirectory(std::filesystem::path root);

    const std::filesystem::path& Root() const { return root_; }
    // A path below the data directory, e.g. Path("NickServ/NickServ.nb2").
    std::filesystem::path Path(const std::string& relative) const { return root_ / relative; }

    void SetSyncWrites(bool sync) { syncWrites_ = sync; }
    bool SyncWrites() const { return syncWrites_; }

    // Creates each missing file (a path below the data directory) empty, and its folders; a
    // path ending in "/" is a folder alone. Every module declares its own.
    void EnsureDataFiles(const std::vector<std::string>& files) const;
    // Writes an empty temp.nb2 (also the first-run marker) and copies it to `relative`.
    void CreateEmptyDataFile(const std::string& relative) const;

private:
    std::filesystem::path root_;
    bool syncWrites_ = true;
};

}  // namespace nb
