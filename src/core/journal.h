// The journal of the data directory: each received block's changes of the large tables as
// whole records, appended to Changes.journal and flushed once, so that a commit costs what
// changed and not what is stored. The .nb2 files are checkpoints; a file's text is its
// checkpoint with the journal's entries for it applied in order.
//
// One block is "<op> <file> <bytes>\n<payload>\n" for each entry, then "end <entries> <sum>\n"
// (the FNV-1a of the entries, in hex). <op> is "+" (added), "*" (changed) or "-" (removed); the
// payload is the record's line without its CR LF, or for a removal the record's key. A block
// without its end line, or whose sum does not match, was cut off by a stop and is left out.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace nb {

struct JournalEntry {
    char op = '*';
    std::string file;  // below the data directory, e.g. "NickServ/NickServ.nb2"
    std::string payload;
};

// What one block appends.
class JournalBlock {
public:
    void Added(std::string_view file, std::string_view line) { Record('+', file, line); }
    void Changed(std::string_view file, std::string_view line) { Record('*', file, line); }
    void Removed(std::string_view file, std::string_view key) { Record('-', file, key); }
    bool Empty() const { return entries_ == 0; }
    // The block with its end line.
    std::string Sealed() const;

private:
    void Record(char op, std::string_view file, std::string_view payload);
    std::string text_;
    std::size_t entries_ = 0;
};

// The whole blocks of a journal's text; `kept` is where the last whole block ends.
struct JournalRead {
    std::vector<JournalEntry> entries;
    std::size_t kept = 0;
};
JournalRead ReadJournalText(std::string_view text);

// A data file's text (CR LF lines) with the entries for it applied: records are found by their
// key, the first `keyWords` words of the line with letter case ignored (the first record of a
// key, as the tables find it). Added and changed records take the place of the record of their
// key, or go at the end; a removal drops it. Lines of no key (gaps) stay where they are.
std::string ApplyJournal(std::string_view text, const std::vector<JournalEntry>& entries, int keyWords);

// The journal files: Changes.journal, and Changes.journal.old while a checkpoint is written
// (its entries come first).
class Journal {
public:
    explicit Journal(const std::filesystem::path& root) : current_(root / "Changes.journal"), old_(root / "Changes.journal.old") {}
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Start-up: a torn last block is cut off the file; the answer is how many bytes that was
    // (0 when the journal ended whole).
    std::size_t Open();
    // The block, flushed to disk unless `sync` is false. False when it could not be written
    // whole: then nothing of it stays. The file stays open between blocks, but each block first
    // checks that the name still holds that file, so a journal moved or replaced while the
    // program runs is never written through a stale handle.
    bool Append(const JournalBlock& block, bool sync);
    std::uint64_t Size() const { return size_; }
    // Every whole entry of both files, the older first, for the file (or for all, when empty).
    std::vector<JournalEntry> Entries(std::string_view file = {}) const;
    bool HasEntries() const;

    // A checkpoint starts: the entries so far move to Changes.journal.old (after any it holds)
    // and the journal starts empty.
    bool Rotate();
    // The checkpoint is written: Changes.journal.old goes.
    void DropOld();
    // Both files emptied: every entry is in the checkpoints.
    bool Clear();

    const std::filesystem::path& Current() const { return current_; }

private:
    const std::filesystem::path& Old() const { return old_; }
    bool Empty(const std::filesystem::path& path);
    bool OpenForAppend();
    void CloseForAppend();
    std::filesystem::path current_;
    std::filesystem::path old_;
    std::uint64_t size_ = 0;
    int fd_ = -1;
    std::uint64_t device_ = 0, inode_ = 0;  // of the file fd_ holds
};

}  // namespace nb
