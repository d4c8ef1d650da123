#include "core/files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/text.h"

namespace nb {

bool WriteAll(int fd, std::string_view content) {
    std::size_t done = 0;
    while (done < content.size()) {
        ssize_t wrote = ::write(fd, content.data() + done, content.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

bool WriteFileAtomic(const fs::path& path, std::string_view content, bool sync) {
    auto temp = WriteTempFile(path, content, sync);
    return temp && ReplaceWithTemp(*temp, path, sync);
}

TempFileWriter::TempFileWriter(const fs::path& path) : temp_(path) {
    temp_ += ".tmp";
    // Whatever is there (left by a crash, or a link planted to make us write elsewhere) goes;
    // unlink removes a link itself, never its target. O_EXCL then refuses anything that
    // appears in between.
    ::unlink(temp_.c_str());
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    ok_ = created_ = fd_ >= 0;
}

TempFileWriter::~TempFileWriter() {
    if (fd_ >= 0) ::close(fd_);
    if (created_) ::unlink(temp_.c_str());
}

bool TempFileWriter::Write(std::string_view bytes) {
    ok_ = ok_ && WriteAll(fd_, bytes);
    if (ok_) written_ += static_cast<off_t>(bytes.size());
    return ok_;
}

void TempFileWriter::StartWriteBack() {
    if (!ok_ || written_ == sentToDisk_) return;
    ::sync_file_range(fd_, sentToDisk_, written_ - sentToDisk_, SYNC_FILE_RANGE_WRITE);
    sentToDisk_ = written_;
}

std::optional<fs::path> TempFileWriter::Finish(bool sync) {
    if (fd_ < 0) return std::nullopt;
    ok_ = ok_ && (!sync || ::fsync(fd_) == 0);
    ok_ = (::close(fd_) == 0) && ok_;
    fd_ = -1;
    if (!ok_) return std::nullopt;
    created_ = false;  // handed on
    return temp_;
}

std::optional<fs::path> WriteTempFile(const fs::path& path, std::string_view content, bool sync) {
    TempFileWriter writer(path);
    writer.Write(content);
    return writer.Finish(sync);
}

bool ReplaceWithTemp(const fs::path& temp, const fs::path& path, bool sync) {
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    if (sync) SyncFolder(path.parent_path().empty() ? fs::path(".") : path.parent_path());
    return true;
}

void SyncFolder(const fs::path& folder) {
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    ::fsync(dir);
    ::close(dir);
}

void RemoveFile(const fs::path& path) { ::unlink(path.c_str()); }

std::vector<std::string> ReadTextLines(const fs::path& path) {
    std::vector<std::string> lines;
    ForEachLine(ReadWholeFile(path).value_or(""), [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

bool FileExists(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);
}

void EnsureDirectory(const fs::path& path) {
    std::error_code error;
    if (fs::is_directory(path, error)) return;
    fs::create_directories(path, error);
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace, error);
}

MappedFile::MappedFile(const fs::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        size_ = static_cast<std::size_t>(info.st_size);
        void* map = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (map != MAP_FAILED) {
            map_ = map;
            text_ = std::string_view(static_cast<const char*>(map_), size_);
        }
    }
    ::close(fd);
    if (map_ == nullptr) {
        read_ = ReadWholeFile(path).value_or("");
        text_ = read_;
    }
}

MappedFile::~MappedFile() {
    if (map_ != nullptr) ::munmap(map_, size_);
}

std::optional<std::string> ReadWholeFile(const fs::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    std::string content;
    // One read of the size the file has (a data file may be hundreds of MiB), then whatever
    // more it grew by. The byte of room past the size lets the read that finds the end land
    // without growing (and so copying) the whole text.
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) content.resize(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t done = 0;
    for (;;) {
        if (done == content.size()) content.resize(done + 65536);
        ssize_t got = ::read(fd, content.data() + done, content.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            bool failed = got < 0;
            ::close(fd);
            if (failed) return std::nullopt;
            content.resize(done);
            return content;
        }
        done += static_cast<std::size_t>(got);
    }
}

}  // namespace nb
