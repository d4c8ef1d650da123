#include "core/data_dir.h"

#include "core/files.h"

namespace nb {
namespace {

struct DataFile {
    const char* baseName;
    DataFolder folder;
};

// Canonical names; the file system is case-sensitive.
constexpr DataFile kDataFiles[] = {
    {"Ignore", DataFolder::Root},       {"Jupe", DataFolder::Root},
    {"NickServ", DataFolder::NickServ}, {"Quit", DataFolder::NickServ},
    {"Restrict", DataFolder::NickServ}, {"ChanServ", DataFolder::ChanServ},
    {"Access", DataFolder::ChanServ},   {"Restrict", DataFolder::ChanServ},
    {"OperServ", DataFolder::OperServ}, {"Commands", DataFolder::OperServ},
    {"MemoServ", DataFolder::MemoServ},
};

std::string FolderName(DataFolder folder) {
    switch (folder) {
        case DataFolder::ChanServ: return "ChanServ";
        case DataFolder::NickServ: return "NickServ";
        case DataFolder::OperServ: return "OperServ";
        case DataFolder::MemoServ: return "MemoServ";
        case DataFolder::Root: break;
    }
    return "";
}

}  // namespace

DataDirectory::DataDirectory(std::filesystem::path root) : root_(std::move(root)) {}

void DataDirectory::EnsureDataFiles() const {
    EnsureDirectory(root_);
    for (const char* folder : {"NickServ", "ChanServ", "OperServ", "MemoServ", "Webserver"})
        EnsureDirectory(root_ / folder);
    for (const auto& file : kDataFiles) {
        std::filesystem::path path = root_ / FolderName(file.folder) / (std::string(file.baseName) + ".nb2");
        if (!FileExists(path)) CreateEmptyDataFile(file.baseName, file.folder);
    }
    if (!FileExists(root_ / "temp.nb2")) WriteFileAtomic(root_ / "temp.nb2", "");
}

void DataDirectory::CreateEmptyDataFile(const std::string& baseName, DataFolder folder) const {
    // temp.nb2 doubles as the first-run marker, so it is (re)written here as well.
    WriteFileAtomic(root_ / "temp.nb2", "");
    WriteFileAtomic(root_ / FolderName(folder) / (baseName + ".nb2"), "");
}

bool DataDirectory::WriteFile(const std::string& relative, const std::string& content) const {
    return WriteFileAtomic(Path(relative), content, syncWrites_);
}

}  // namespace nb
