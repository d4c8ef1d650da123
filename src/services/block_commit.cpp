#include "services/block_commit.h"

#include <algorithm>

namespace nb {
namespace {

// A block that asks for more answers than this (help texts, long lists) has its changes
// written and its answers sent early, so that holding them never outgrows the send queue.
constexpr std::size_t kMostHeldBytes = 256 * 1024;

}  // namespace

BlockCommit::BlockCommit(GroupCommit& tables, LinkWriter& writer, DebugLog& debugLog)
    : tables_(tables), writer_(writer), debugLog_(debugLog) {}

void BlockCommit::Begin() {
    if (tables_.InBlock()) return;
    tables_.BeginBlock();
    writer_.Hold();
    debugLog_.Hold();
}

void BlockCommit::CommandStarts() {
    commandHasChanges_ = false;
    commandRan_ = true;
    changes_.push_back({writer_.HeldCount(), 0, {}});
}

void BlockCommit::CommandChanged(StoredTable& table, std::function<void()> failed) {
    tables_.Changed(table);
    changes_.back().tables.emplace_back(&table, std::move(failed));
    commandHasChanges_ = true;
}

void BlockCommit::CommandEnds() {
    if (!commandHasChanges_) {
        changes_.pop_back();
    } else {
        changes_.back().endLine = writer_.HeldCount();
    }
    if (writer_.HeldBytes() < kMostHeldBytes) return;
    WriteAndRelease(true);
    Begin();
}

void BlockCommit::End(bool flush) {
    if (tables_.InBlock()) WriteAndRelease(flush || commandRan_);
}

void BlockCommit::WriteAndRelease(bool flush) {
    commandRan_ = false;
    std::vector<const StoredTable*> failed = tables_.EndBlock(flush);
    std::vector<CommandChange> changes;
    changes.swap(changes_);
    // From the last command back, so the earlier commands' line numbers still hold.
    for (auto change = changes.rbegin(); !failed.empty() && change != changes.rend(); ++change) {
        auto notWritten = std::find_if(change->tables.begin(), change->tables.end(), [&](const auto& entry) {
            return std::find(failed.begin(), failed.end(), entry.first) != failed.end();
        });
        if (notWritten == change->tables.end()) continue;
        std::size_t tail = writer_.HeldCount();
        notWritten->second();
        writer_.ReplaceHeld(change->firstLine, change->endLine, tail);
    }
    writer_.Release();
    debugLog_.Release();
}

}  // namespace nb
