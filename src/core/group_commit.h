// The changes made while one received block is handled are written once, at its end: fifty
// registrations that arrive together cost one write of the nick file, not fifty. The files a
// block changed are written as one: all of them, or none.
//
// The large tables are journaled: a block appends only the records it changed to the journal,
// and their .nb2 files are checkpoints, written again when the journal has grown past its size
// (in slices between blocks, so that replies never wait for a whole table) and at a clean stop.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/console.h"
#include "core/data_dir.h"
#include "core/files.h"
#include "core/journal.h"
#include "core/timers.h"

namespace nb {

// A data file whose table lives in memory.
struct StoredTable {
    std::filesystem::path file;
    // The whole file as the table is now: made in `scratch`, or text the table keeps itself
    // (valid until the table changes again). It may tidy the table the way a read of the file
    // would (dropped records leave), and may mark other tables changed.
    std::function<std::string_view(std::string& scratch)> text;
    // The table back to what the file holds.
    std::function<void()> reload;
    // The text is in the file now (optional).
    std::function<void()> written = [] {};

    // A journaled table (see GroupCommit::Journaled): its records are found by the first
    // `keyWords` words of their line, letter case ignored.
    int keyWords = 0;
    std::string journalName = {};  // the file below the data directory, set by Journaled
    // Its records changed since the last commit, as entries for the file (`name`, below the
    // data directory); `written` follows when they are in the journal.
    std::function<void(JournalBlock& block, const std::string& name)> changes = {};
    // The file's lines of some records from `cursor` on, for a checkpoint in slices; true when
    // none is left. Without it a checkpoint takes the whole text at once.
    std::function<bool(std::string& out, std::size_t& cursor)> slice = {};
};

// A table file's text, as read once: the file mapped, or made with the journal's entries.
class TableText {
public:
    std::string_view Text() const { return mapped_ ? mapped_->Text() : std::string_view(journaled_); }

private:
    friend class GroupCommit;
    std::string journaled_;
    std::unique_ptr<MappedFile> mapped_;
};

class GroupCommit {
public:
    GroupCommit(const DataDirectory& data, Console& console, Timers& timers);
    ~GroupCommit();

    // The table's changes go to the journal from now on (at construction, before any load).
    void Journaled(StoredTable& table);
    // Start-up, before the tables load: a journal left by a stop that was not clean is put
    // into the .nb2 files (a block cut off in the middle is left out, and the operator told).
    void Recover();
    // A journaled table's file as its checkpoint and the journal give it. A running checkpoint
    // stops, as the table is read again.
    TableText ReadTable(const StoredTable& table);
    // A checkpoint starts once the journal holds more than this.
    void SetJournalLimit(std::uint64_t bytes) { journalLimit_ = bytes; }
    std::uint64_t JournalSize() const { return journal_.Size(); }
    // Every .nb2 file made whole now and the journal emptied (a running checkpoint finishes):
    // before anything reads the files as a whole, and at a clean stop. False when a file
    // could not be written (the operator is told; the journal keeps everything).
    bool Checkpoint();
    bool CheckpointRunning() const { return running_ != nullptr; }

    void BeginBlock() { inBlock_ = true; }
    bool InBlock() const { return inBlock_; }

    // Inside a block the table is written when the block ends; outside one it is written now.
    // False only when a write now failed (the table is then read back).
    bool Changed(StoredTable& table);
    // The same for several tables that must be written together (outside a block: now, as one).
    bool ChangedTogether(const std::vector<StoredTable*>& tables);
    // Writes every changed table: each to a temporary file first, and only when all of them
    // were written are they renamed into place. When any one fails, none is replaced, every
    // changed table is read back, and all of them are returned. Without `flush` the journal's
    // part is written but not flushed to disk (a later flush takes it along).
    std::vector<const StoredTable*> EndBlock(bool flush = true);

private:
    struct Pending {
        StoredTable* table = nullptr;
        bool needsText = true;
        std::string scratch;
        std::string_view kept;  // the table's own text, when it did not use the scratch
        bool inScratch = false;
        std::string_view Text() const { return inScratch ? std::string_view(scratch) : kept; }
    };

    struct CheckpointRun;

    bool WriteAll(bool flush);
    bool WriteWholeTables(std::vector<std::filesystem::path>& temps, std::string& failure);
    bool AppendToJournal(bool flush);
    void Reload();
    // The table's file with the journal's entries for it applied; nullopt when there are none.
    std::optional<std::string> JournaledText(const StoredTable& table) const;
    void StartCheckpoint();
    void NextCheckpointStep();
    // One step of the running checkpoint: a slice made and handed to its writing thread, or
    // the writing of the last one taken in; false when it failed (then it stops). With `wait`
    // the writing is waited for; without, a step that finds it still running does nothing.
    bool CheckpointStep(bool wait);
    void StopCheckpoint();
    void CheckpointFailed(const std::string& file);

    const DataDirectory& data_;
    Console& console_;
    Timers& timers_;
    Journal journal_;
    std::vector<StoredTable*> journaled_;
    std::uint64_t journalLimit_ = 16ull << 20;
    std::unique_ptr<CheckpointRun> running_;
    bool inBlock_ = false;
    bool committing_ = false;
    std::vector<Pending> changed_;
};

}  // namespace nb
