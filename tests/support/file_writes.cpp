#include "support/file_writes.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <array>

namespace nb::test {

FileWrites::FileWrites(const std::filesystem::path& folder) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0) ::inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO);
}

FileWrites::~FileWrites() {
    if (fd_ >= 0) ::close(fd_);
}

int FileWrites::Count(const std::string& name) {
    Drain();
    return counts_[name];
}

void FileWrites::Drain() {
    alignas(inotify_event) std::array<char, 64 * 1024> buffer{};
    for (;;) {
        ssize_t size = ::read(fd_, buffer.data(), buffer.size());
        if (size <= 0) return;
        for (ssize_t at = 0; at < size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
            if (event->len > 0) ++counts_[event->name];
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

}  // namespace nb::test
