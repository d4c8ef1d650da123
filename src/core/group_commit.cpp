#include "core/group_commit.h"

#include <algorithm>
#include <chrono>
#include <future>

#include "core/files.h"
#include "core/text.h"

namespace nb {
namespace {

// A table's text may mark another table changed (a dropped channel's access entries); that
// one is made again. No table does so twice, but a loop must not run for ever.
constexpr int kMostTextPasses = 8;

}  // namespace

// A checkpoint written in slices: the tables one after another, each to its temporary file and
// renamed into place when whole. The journal's older part (Changes.journal.old) goes only when
// every table is in place; a crash before that replays it over whatever checkpoints there are,
// which gives the same tables, as the entries are whole records found by key.
struct GroupCommit::CheckpointRun {
    std::vector<StoredTable*> tables;
    std::size_t table = 0;
    std::size_t cursor = 0;
    std::unique_ptr<TempFileWriter> out;
    std::string buffer;
    std::future<bool> writing;  // the buffer to the temporary file; the table's last also renamed
    bool tableWritten = false;  // the buffer holds the table's last lines
    TimerId timer = 0;
};

GroupCommit::GroupCommit(const DataDirectory& data, Console& console, Timers& timers)
    : data_(data), console_(console), timers_(timers), journal_(data.Root()) {}

GroupCommit::~GroupCommit() { StopCheckpoint(); }

void GroupCommit::Journaled(StoredTable& table) {
    table.journalName = table.file.lexically_relative(data_.Root()).generic_string();
    journaled_.push_back(&table);
}

void GroupCommit::Recover() {
    if (std::size_t cut = journal_.Open(); cut > 0)
        console_.ShowMessage("NBII - Data files", "The journal Changes.journal ended in a change cut off by a stop (" +
                                                      std::to_string(cut) + " bytes); it was left out.");
    if (!journal_.HasEntries()) return;
    for (StoredTable* table : journaled_) {
        std::optional<std::string> text = JournaledText(*table);
        if (text && !WriteFileAtomic(table->file, *text, data_.SyncWrites())) return CheckpointFailed(table->file.string());
    }
    journal_.Clear();
}

std::optional<std::string> GroupCommit::JournaledText(const StoredTable& table) const {
    if (!journal_.HasEntries()) return std::nullopt;
    std::vector<JournalEntry> entries = journal_.Entries(table.journalName);
    if (entries.empty()) return std::nullopt;
    return ApplyJournal(ReadWholeFile(table.file).value_or(""), entries, table.keyWords);
}

TableText GroupCommit::ReadTable(const StoredTable& table) {
    // A table read again leaves the checkpoint's place in the tables meaning nothing; the next
    // one starts over, with the older journal kept until then.
    StopCheckpoint();
    TableText text;
    if (std::optional<std::string> journaled = JournaledText(table)) {
        text.journaled_ = std::move(*journaled);
    } else {
        text.mapped_ = std::make_unique<MappedFile>(table.file);
    }
    return text;
}

bool GroupCommit::Changed(StoredTable& table) {
    auto pending = std::find_if(changed_.begin(), changed_.end(), [&](const Pending& entry) { return entry.table == &table; });
    if (pending != changed_.end()) {
        pending->needsText = true;
    } else {
        changed_.emplace_back();
        changed_.back().table = &table;
    }
    if (inBlock_ || committing_) return true;
    return EndBlock().empty();
}

bool GroupCommit::ChangedTogether(const std::vector<StoredTable*>& tables) {
    if (inBlock_ || committing_) {
        for (StoredTable* table : tables) Changed(*table);
        return true;
    }
    BeginBlock();
    for (StoredTable* table : tables) Changed(*table);
    return EndBlock().empty();
}

std::vector<const StoredTable*> GroupCommit::EndBlock(bool flush) {
    inBlock_ = false;
    committing_ = true;
    bool written = WriteAll(flush);
    committing_ = false;
    std::vector<const StoredTable*> failed;
    if (!written) {
        committing_ = true;
        Reload();
        committing_ = false;
        for (const Pending& entry : changed_) failed.push_back(entry.table);
    }
    changed_.clear();
    if (written && running_ == nullptr && journal_.Size() > journalLimit_) StartCheckpoint();
    return failed;
}

bool GroupCommit::WriteAll(bool flush) {
    std::vector<std::filesystem::path> temps;
    std::string failure;
    bool written = WriteWholeTables(temps, failure);
    if (written && !AppendToJournal(flush)) {
        written = false;
        failure = journal_.Current().string();
    }
    for (std::size_t i = 0, whole = 0; written && i < changed_.size(); ++i) {
        if (changed_[i].table->changes) continue;
        if (!ReplaceWithTemp(temps[whole++], changed_[i].table->file, data_.SyncWrites())) {
            written = false;
            failure = changed_[i].table->file.string();
        }
    }
    if (written) {
        for (const Pending& entry : changed_) entry.table->written();
        return true;
    }
    for (const auto& temp : temps) RemoveFile(temp);
    console_.ShowMessage("NBII - Data files", "Cannot write " + failure + "; no change of this moment was saved.");
    return false;
}

// The tables that are not journaled, each to its temporary file.
bool GroupCommit::WriteWholeTables(std::vector<std::filesystem::path>& temps, std::string& failure) {
    for (int pass = 0; pass < kMostTextPasses; ++pass) {
        bool made = false;
        // By index: a table's text may add a table to the list.
        for (std::size_t i = 0; i < changed_.size(); ++i) {
            if (!changed_[i].needsText || changed_[i].table->changes) continue;
            changed_[i].needsText = false;
            // Not a reference into the list: the call may add to it.
            std::string scratch;
            std::string_view text = changed_[i].table->text(scratch);
            changed_[i].inScratch = text.data() == scratch.data();
            changed_[i].kept = changed_[i].inScratch ? std::string_view() : text;
            changed_[i].scratch = std::move(scratch);
            made = true;
        }
        if (!made) break;
    }
    for (const Pending& entry : changed_) {
        if (entry.table->changes) continue;
        auto temp = WriteTempFile(entry.table->file, entry.Text(), data_.SyncWrites());
        if (!temp) {
            failure = entry.table->file.string();
            return false;
        }
        temps.push_back(*temp);
    }
    return true;
}

bool GroupCommit::AppendToJournal(bool flush) {
    JournalBlock block;
    for (const Pending& entry : changed_) {
        if (entry.table->changes) entry.table->changes(block, entry.table->journalName);
    }
    return block.Empty() || journal_.Append(block, flush && data_.SyncWrites());
}

void GroupCommit::Reload() {
    for (const Pending& entry : changed_) entry.table->reload();
}

bool GroupCommit::Checkpoint() {
    if (running_ == nullptr) {
        if (!journal_.HasEntries()) return true;
        StartCheckpoint();
    }
    while (running_ != nullptr) {
        if (!CheckpointStep(true)) return false;
    }
    return true;
}

void GroupCommit::StartCheckpoint() {
    if (!journal_.Rotate()) return CheckpointFailed(journal_.Current().string());
    running_ = std::make_unique<CheckpointRun>();
    running_->tables = journaled_;
    NextCheckpointStep();
}

// Each slice runs on its own turn of the loop, so the link's lines are read in between; a
// slice still being written is looked at again a millisecond later.
void GroupCommit::NextCheckpointStep() {
    std::future<bool>& writing = running_->writing;
    bool busy = writing.valid() && writing.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
    running_->timer = timers_.StartTimer(Milliseconds(busy ? 1 : 0), [this] {
        running_->timer = 0;
        if (CheckpointStep(false) && running_ != nullptr) NextCheckpointStep();
    });
}

bool GroupCommit::CheckpointStep(bool wait) {
    CheckpointRun& run = *running_;
    if (run.writing.valid()) {
        if (!wait && run.writing.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return true;
        if (!run.writing.get()) return CheckpointFailed(run.tables[run.table]->file.string()), false;
        if (run.tableWritten) {
            run.out.reset();
            run.cursor = 0;
            ++run.table;
            run.tableWritten = false;
        }
        return true;
    }
    if (run.table == run.tables.size()) {
        journal_.DropOld();
        StopCheckpoint();
        return true;
    }
    StoredTable& table = *run.tables[run.table];
    if (run.out == nullptr) run.out = std::make_unique<TempFileWriter>(table.file);
    // The slices reuse one buffer: a new megabyte each turn costs more than making its lines.
    run.buffer.clear();
    if (table.slice) {
        run.tableWritten = table.slice(run.buffer, run.cursor);
    } else {
        std::string_view text = table.text(run.buffer);
        if (text.data() != run.buffer.data()) run.buffer.assign(text);
        run.tableWritten = true;
    }
    // The writing waits for the disk (the last flush of a large table for a second), so it runs
    // on a thread of its own while replies go on; the loop leaves the writer and the buffer
    // alone until it is done.
    run.writing = std::async(std::launch::async, [out = run.out.get(), piece = std::string_view(run.buffer), file = table.file,
                                                  whole = run.tableWritten, sync = data_.SyncWrites()] {
        if (!out->Write(piece)) return false;
        if (sync) out->StartWriteBack();
        if (!whole) return true;
        std::optional<std::filesystem::path> temp = out->Finish(sync);
        return temp && ReplaceWithTemp(*temp, file, sync);
    });
    return true;
}

void GroupCommit::StopCheckpoint() {
    if (running_ == nullptr) return;
    if (running_->timer != 0) timers_.CancelTimer(running_->timer);
    // A slice being written is let finish, and a table renamed into place: it holds what the
    // journal gives anyway.
    if (running_->writing.valid()) running_->writing.wait();
    running_.reset();
}

void GroupCommit::CheckpointFailed(const std::string& file) {
    StopCheckpoint();
    console_.ShowMessage("NBII - Data files", "Cannot write " + file + "; its changes stay in the journal Changes.journal.");
}

}  // namespace nb
