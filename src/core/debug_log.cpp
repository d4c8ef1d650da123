#include "core/debug_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/datetime.h"
#include "core/text.h"

namespace nb {
namespace {

std::filesystem::path Numbered(const std::filesystem::path& file, int number) {
    std::filesystem::path numbered = file;
    numbered.replace_extension("." + std::to_string(number) + file.extension().string());
    return numbered;
}

}  // namespace

DebugLog::DebugLog(std::filesystem::path file, const Clock& clock, Console& console)
    : file_(std::move(file)), clock_(clock), console_(console) {}

DebugLog::~DebugLog() {
    Flush();
    if (fd_ >= 0) ::close(fd_);
}

void DebugLog::Write(const std::string& text) {
    buffer_ += '[';
    buffer_ += dateText_.Text(clock_.Now());
    buffer_ += "] ";
    AppendOneLine(buffer_, text);
    buffer_ += "\r\n";
    if (!held_) Flush();
}

void DebugLog::Release() {
    held_ = false;
    Flush();
}

bool DebugLog::Open() {
    if (fd_ >= 0) return true;
    // Never through a symbolic link: whoever planted one would have us write where it points.
    fd_ = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
        if (!openFailed_)
            console_.ShowMessage("NBII - Debug log", "Cannot write " + file_.string() + " (" + std::strerror(errno) +
                                                         "); the debug log is not kept until it can be.");
        openFailed_ = true;
        return false;
    }
    openFailed_ = false;
    struct stat info {};
    size_ = ::fstat(fd_, &info) == 0 ? static_cast<std::size_t>(info.st_size) : 0;
    return true;
}

void DebugLog::Flush() {
    if (buffer_.empty()) return;
    // A log that cannot be written (the folder is gone) must not stop the services.
    if (!Open()) {
        buffer_.clear();
        return;
    }
    std::size_t done = 0;
    while (done < buffer_.size()) {
        ssize_t wrote = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) break;
        done += static_cast<std::size_t>(wrote);
    }
    size_ += done;
    buffer_.clear();
    if (maxBytes_ > 0 && size_ >= maxBytes_) Rotate();
}

// An unattended server must not fill its disk with the log.
void DebugLog::Rotate() {
    ::close(fd_);
    fd_ = -1;
    std::error_code ignored;
    std::filesystem::rename(Numbered(file_, 1), Numbered(file_, 2), ignored);
    std::filesystem::rename(file_, Numbered(file_, 1), ignored);
    size_ = 0;
}

}  // namespace nb
