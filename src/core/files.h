// File helpers shared by every database. Data files hold passwords: owner-only.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nb {

namespace fs = std::filesystem;

// Writes to a temporary file in the same folder, flushes it to disk and renames it over
// the target, so a crash leaves either the old or the new file whole. Mode 0600. Without
// `sync` the rename stays atomic (a killed process loses nothing) but a power cut may.
bool WriteFileAtomic(const fs::path& path, std::string_view content, bool sync = true);

// The two halves of that: the content in "<path>.tmp", created anew (never through a link or
// file left there), and flushed unless `sync` is false; nullopt when it cannot be written.
std::optional<fs::path> WriteTempFile(const fs::path& path, std::string_view content, bool sync);
// The same in pieces: the temporary file is made at once, written piece by piece, and Finish
// flushes and closes it. Removed again unless it finished and was handed on.
class TempFileWriter {
public:
    explicit TempFileWriter(const fs::path& path);
    ~TempFileWriter();
    TempFileWriter(const TempFileWriter&) = delete;
    TempFileWriter& operator=(const TempFileWriter&) = delete;
    bool Write(std::string_view bytes);
    // What was written so far starts on its way to the disk now, without waiting for it: a large
    // file written in pieces then leaves little for Finish's flush to wait for.
    void StartWriteBack();
    // The temporary file, for ReplaceWithTemp; nullopt when any piece failed.
    std::optional<fs::path> Finish(bool sync);

private:
    fs::path temp_;
    int fd_ = -1;
    bool ok_ = false;
    bool created_ = false;
    off_t written_ = 0;
    off_t sentToDisk_ = 0;
};
// The temporary file takes the place of `path`; the rename is flushed unless `sync` is false.
bool ReplaceWithTemp(const fs::path& temp, const fs::path& path, bool sync);
void RemoveFile(const fs::path& path);
// Flushes the folder's entries (a rename or removal in it) to disk.
void SyncFolder(const fs::path& folder);
// All of `content` to the open file, through short writes and interruptions.
bool WriteAll(int fd, std::string_view content);


// The whole file as it is, or nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(const fs::path& path);

// A file's text mapped into memory, for reading a large table once: no copy of its hundreds of
// MiB is made. The file is only ever replaced by a rename, so the mapped text stays as it was.
// Empty when the file cannot be read.
class MappedFile {
public:
    explicit MappedFile(const fs::path& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    std::string_view Text() const { return text_; }

private:
    void* map_ = nullptr;
    std::size_t size_ = 0;
    std::string_view text_;
    std::string read_;  // when the file cannot be mapped (a pipe, a special file)
};

// The lines of a text file without their line ends (LF or CR LF). Empty when unreadable.
std::vector<std::string> ReadTextLines(const fs::path& path);

bool FileExists(const fs::path& path);

// Creates the folder (and its parents) owner-only; an existing folder is fine.
void EnsureDirectory(const fs::path& path);

}  // namespace nb
