// Counts how often files of a folder are replaced (renamed into place), as every atomic
// write of a data file does.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace nb::test {

class FileWrites {
public:
    explicit FileWrites(const std::filesystem::path& folder);
    ~FileWrites();
    FileWrites(const FileWrites&) = delete;
    FileWrites& operator=(const FileWrites&) = delete;

    // How many times `name` was renamed into place since the watch began.
    int Count(const std::string& name);

private:
    void Drain();

    int fd_ = -1;
    std::map<std::string, int> counts_;
};

}  // namespace nb::test
