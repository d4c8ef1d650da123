// The data directory: its folders and the empty data files every loader expects.
#pragma once

#include <filesystem>
#include <string>

namespace nb {

enum class DataFolder { Root, ChanServ, NickServ, OperServ, MemoServ };

class DataDirectory {
public:
    explicit DataDirectory(std::filesystem::path root);

    const std::filesystem::path& Root() const { return root_; }
    // A path below the data directory, e.g. Path("NickServ/NickServ.nb2").
    std::filesystem::path Path(const std::string& relative) const { return root_ / relative; }

    // Writes a data file atomically (see WriteFileAtomic), flushed to disk unless turned off.
    bool WriteFile(const std::string& relative, const std::string& content) const;
    void SetSyncWrites(bool sync) { syncWrites_ = sync; }
    bool SyncWrites() const { return syncWrites_; }

    // Creates the service folders and every missing data file, empty.
    void EnsureDataFiles() const;
    // Writes an empty temp.nb2 and copies it to <folder>/<baseName>.nb2.
    void CreateEmptyDataFile(const std::string& baseName, DataFolder folder) const;

private:
    std::filesystem::path root_;
    bool syncWrites_ = true;
};

}  // namespace nb
