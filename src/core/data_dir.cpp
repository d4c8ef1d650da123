#include "core/data_dir.h"

#include "core/files.h"

namespace nb {

DataDirectory::DataDirectory(std::filesystem::path root) : root_(std::move(root)) {}

void DataDirectory::EnsureDataFiles(const std::vector<std::string>& files) const {
    EnsureDirectory(root_);
    for (const std::string& relative : files) {
        std::filesystem::path path = root_ / relative;
        EnsureDirectory(relative.ends_with('/') ? path : path.parent_path());
        if (!relative.ends_with('/') && !FileExists(path)) CreateEmptyDataFile(relative);
    }
    if (!FileExists(root_ / "temp.nb2")) WriteFileAtomic(root_ / "temp.nb2", "");
}

void DataDirectory::CreateEmptyDataFile(const std::string& relative) const {
    // temp.nb2 doubles as the first-run marker, so it is (re)written here as well.
    WriteFileAtomic(root_ / "temp.nb2", "");
    WriteFileAtomic(root_ / relative, "");
}

}  // namespace nb
