#include "core/group_commit.h"

#include <algorithm>

#include "core/files.h"

namespace nb {
namespace {

// A table's text may mark another table changed (a dropped channel's access entries); that
// one is made again. No table does so twice, but a loop must not run for ever.
constexpr int kMostTextPasses = 8;

}  // namespace

GroupCommit::GroupCommit(const DataDirectory& data, Console& console) : data_(data), console_(console) {}

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

std::vector<const StoredTable*> GroupCommit::EndBlock() {
    inBlock_ = false;
    committing_ = true;
    bool written = WriteAll();
    committing_ = false;
    std::vector<const StoredTable*> failed;
    if (!written) {
        committing_ = true;
        Reload();
        committing_ = false;
        for (const Pending& entry : changed_) failed.push_back(entry.table);
    }
    changed_.clear();
    return failed;
}

bool GroupCommit::WriteAll() {
    for (int pass = 0; pass < kMostTextPasses; ++pass) {
        bool made = false;
        // By index: a table's text may add a table to the list.
        for (std::size_t i = 0; i < changed_.size(); ++i) {
            if (!changed_[i].needsText) continue;
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
    std::vector<std::filesystem::path> temps;
    std::string failure;
    for (const Pending& entry : changed_) {
        auto temp = WriteTempFile(entry.table->file, entry.Text(), data_.SyncWrites());
        if (!temp) {
            failure = entry.table->file.string();
            break;
        }
        temps.push_back(*temp);
    }
    if (failure.empty()) {
        for (std::size_t i = 0; i < changed_.size() && failure.empty(); ++i) {
            if (!ReplaceWithTemp(temps[i], changed_[i].table->file, data_.SyncWrites()))
                failure = changed_[i].table->file.string();
        }
    }
    if (failure.empty()) {
        for (const Pending& entry : changed_) entry.table->written();
        return true;
    }
    for (const auto& temp : temps) RemoveFile(temp);
    console_.ShowMessage("NBII - Data files", "Cannot write " + failure + "; no change of this moment was saved.");
    return false;
}

void GroupCommit::Reload() {
    for (const Pending& entry : changed_) entry.table->reload();
}

}  // namespace nb
