#include "core/group_commit.h"

#include <algorithm>

namespace nb {

bool GroupCommit::WriteOrReload(StoredTable& table) {
    if (table.write()) return true;
    // What could not be written is not kept in memory as if it had been.
    table.reload();
    return false;
}

bool GroupCommit::Changed(StoredTable& table) {
    if (!inBlock_) return WriteOrReload(table);
    if (std::find(changed_.begin(), changed_.end(), &table) == changed_.end()) changed_.push_back(&table);
    return true;
}

std::vector<const StoredTable*> GroupCommit::EndBlock() {
    inBlock_ = false;
    std::vector<const StoredTable*> failed;
    std::vector<StoredTable*> changed;
    changed.swap(changed_);
    for (StoredTable* table : changed) {
        if (!WriteOrReload(*table)) failed.push_back(table);
    }
    return failed;
}

}  // namespace nb
