#include "core/journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

#include "core/files.h"
#include "core/text.h"

namespace nb {
namespace {

std::uint64_t Checksum(std::string_view bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string Hex(std::uint64_t value) {
    char digits[17];
    auto end = std::to_chars(digits, digits + 16, value, 16).ptr;
    return std::string(digits, end);
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value, int base = 10) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// The line that starts at `at`, without its LF; false when no LF ends it.
bool LineAt(std::string_view text, std::size_t at, std::string_view& line) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) return false;
    line = text.substr(at, end - at);
    return true;
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    while (!line.empty()) {
        std::size_t blank = line.find(' ');
        words.push_back(line.substr(0, blank));
        if (blank == std::string_view::npos) break;
        line.remove_prefix(blank + 1);
    }
    return words;
}

std::string_view KeyOf(std::string_view line, int keyWords) {
    std::size_t end = 0;
    for (int word = 0; word < keyWords; ++word) {
        end = line.find(' ', end == 0 ? 0 : end + 1);
        if (end == std::string_view::npos) return line;
    }
    return line.substr(0, end);
}

}  // namespace

void JournalBlock::Record(char op, std::string_view file, std::string_view payload) {
    text_ += op;
    text_ += ' ';
    text_ += file;
    text_ += ' ';
    text_ += std::to_string(payload.size());
    text_ += '\n';
    text_ += payload;
    text_ += '\n';
    ++entries_;
}

std::string JournalBlock::Sealed() const {
    return text_ + "end " + std::to_string(entries_) + " " + Hex(Checksum(text_)) + "\n";
}

JournalRead ReadJournalText(std::string_view text) {
    JournalRead read;
    std::size_t at = 0;
    std::vector<JournalEntry> block;
    std::size_t blockStart = 0;
    while (at < text.size()) {
        std::string_view line;
        if (!LineAt(text, at, line)) break;
        std::vector<std::string_view> words = Words(line);
        if (words.size() == 3 && words[0] == "end") {
            std::size_t count = 0;
            std::uint64_t sum = 0;
            if (!ParseNumber(words[1], count) || !ParseNumber(words[2], sum, 16) || count != block.size() ||
                Checksum(text.substr(blockStart, at - blockStart)) != sum)
                break;
            at += line.size() + 1;
            for (JournalEntry& entry : block) read.entries.push_back(std::move(entry));
            block.clear();
            read.kept = blockStart = at;
            continue;
        }
        std::size_t bytes = 0;
        if (words.size() != 3 || words[0].size() != 1 || std::string_view("+*-").find(words[0][0]) == std::string_view::npos ||
            !ParseNumber(words[2], bytes))
            break;
        std::size_t payloadAt = at + line.size() + 1;
        if (payloadAt + bytes >= text.size() || text[payloadAt + bytes] != '\n') break;
        block.push_back({words[0][0], std::string(words[1]), std::string(text.substr(payloadAt, bytes))});
        at = payloadAt + bytes + 1;
    }
    return read;
}

std::string ApplyJournal(std::string_view text, const std::vector<JournalEntry>& entries, int keyWords) {
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    auto keyOfEntry = [&](const JournalEntry& entry) {
        return std::string(entry.op == '-' ? std::string_view(entry.payload) : KeyOf(entry.payload, keyWords));
    };
    // Only the records the entries name are looked up.
    NameIndex<std::size_t> slotOfKey;
    for (const JournalEntry& entry : entries) slotOfKey.emplace(keyOfEntry(entry), kNone);

    struct Line {
        std::string_view text;
        bool removed = false;
    };
    std::vector<Line> lines;
    ForEachLine(text, [&](std::string_view line) {
        if (!line.empty()) {
            auto found = slotOfKey.find(std::string(KeyOf(line, keyWords)));
            if (found != slotOfKey.end() && found->second == kNone) found->second = lines.size();
        }
        lines.push_back({line});
    });
    for (const JournalEntry& entry : entries) {
        std::size_t& slot = slotOfKey[keyOfEntry(entry)];
        if (entry.op == '-') {
            if (slot != kNone) lines[slot].removed = true;
            slot = kNone;
        } else if (slot != kNone) {
            lines[slot].text = entry.payload;
        } else {
            slot = lines.size();
            lines.push_back({entry.payload});
        }
    }
    std::string applied;
    applied.reserve(text.size() + text.size() / 16);
    for (const Line& line : lines) {
        if (line.removed) continue;
        applied += line.text;
        applied += "\r\n";
    }
    return applied;
}

std::size_t Journal::Open() {
    std::size_t cut = 0;
    auto text = ReadWholeFile(Current());
    if (!text) return 0;
    std::size_t kept = ReadJournalText(*text).kept;
    if (kept < text->size() && ::truncate(Current().c_str(), static_cast<off_t>(kept)) == 0) cut = text->size() - kept;
    size_ = kept;
    return cut;
}

Journal::~Journal() { CloseForAppend(); }

// Opening the file for every block cost more than the rest of a small block's write.
bool Journal::OpenForAppend() {
    struct stat named {};
    if (fd_ >= 0 && ::lstat(Current().c_str(), &named) == 0 && S_ISREG(named.st_mode) && named.st_dev == device_ &&
        named.st_ino == inode_)
        return true;
    CloseForAppend();
    fd_ = ::open(Current().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) return false;
    struct stat held {};
    if (::fstat(fd_, &held) != 0) {
        CloseForAppend();
        return false;
    }
    device_ = held.st_dev;
    inode_ = held.st_ino;
    size_ = static_cast<std::uint64_t>(held.st_size);
    return true;
}

void Journal::CloseForAppend() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool Journal::Append(const JournalBlock& block, bool sync) {
    if (!OpenForAppend()) return false;
    std::string sealed = block.Sealed();
    bool written = WriteAll(fd_, sealed) && (!sync || ::fdatasync(fd_) == 0);
    if (written) {
        size_ += sealed.size();
        return true;
    }
    // A part of a block would be left out at the next start anyway; it is cut now, so that the
    // next block does not follow it. The file is opened again for the next block.
    [[maybe_unused]] int cut = ::ftruncate(fd_, static_cast<off_t>(size_));
    CloseForAppend();
    return false;
}

std::vector<JournalEntry> Journal::Entries(std::string_view file) const {
    std::vector<JournalEntry> entries;
    for (const auto& path : {Old(), Current()}) {
        auto text = ReadWholeFile(path);
        if (!text) continue;
        for (JournalEntry& entry : ReadJournalText(*text).entries)
            if (file.empty() || entry.file == file) entries.push_back(std::move(entry));
    }
    return entries;
}

bool Journal::HasEntries() const { return size_ > 0 || FileExists(Old()); }

bool Journal::Rotate() {
    if (FileExists(Old())) {
        // A checkpoint that did not finish left its entries: the new ones follow them.
        auto old = ReadWholeFile(Old());
        auto current = ReadWholeFile(Current());
        if (!old) return false;
        old->resize(ReadJournalText(*old).kept);
        if (!WriteFileAtomic(Old(), *old + current.value_or(""))) return false;
        return Empty(Current());
    }
    // Only a plain file is taken for the journal, never a link or a folder put in its place.
    std::error_code error;
    auto type = std::filesystem::symlink_status(Current(), error).type();
    if (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::regular) return false;
    if (::rename(Current().c_str(), Old().c_str()) != 0 && errno != ENOENT) return false;
    CloseForAppend();
    size_ = 0;
    SyncFolder(Current().parent_path());
    return true;
}

bool Journal::Empty(const std::filesystem::path& path) {
    if (::truncate(path.c_str(), 0) != 0 && errno != ENOENT) return false;
    size_ = 0;
    return true;
}

void Journal::DropOld() {
    RemoveFile(Old());
    SyncFolder(Current().parent_path());
}

bool Journal::Clear() {
    if (!Empty(Current())) return false;
    DropOld();
    return true;
}

}  // namespace nb
