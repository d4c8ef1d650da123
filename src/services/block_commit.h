// One received block as the services handle it: the lines it produces are held, the tables its
// commands and events change are written once at its end, and only then do its lines leave.
// A command whose table could not be written answers with its failure instead of its success.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "core/debug_log.h"
#include "core/group_commit.h"
#include "network/link_writer.h"

namespace nb {

class BlockCommit {
public:
    BlockCommit(GroupCommit& tables, LinkWriter& writer, DebugLog& debugLog);

    // Nothing happens when a block is already open.
    void Begin();
    bool InBlock() const { return tables_.InBlock(); }
    // Writes the changed tables, puts failure answers in place, lets the lines leave. The
    // journal is flushed to disk when a command ran in the block (its answers may say a change
    // is stored) or when `flush` asks for it (an operator's console operation). A block of
    // network events alone (quits, nick changes) is written without its own flush: nobody was
    // told, and the next flushed block or checkpoint takes it to the disk with it.
    void End(bool flush = false);

    // Around each command, so that what it said can be taken back.
    void CommandStarts();
    void CommandEnds();
    // The running command changed `table`; `failed` answers when it cannot be written.
    void CommandChanged(StoredTable& table, std::function<void()> failed);

private:
    void WriteAndRelease(bool flush);

    struct CommandChange {
        std::size_t firstLine = 0;  // the command's lines among the held ones
        std::size_t endLine = 0;
        std::vector<std::pair<const StoredTable*, std::function<void()>>> tables;
    };

    GroupCommit& tables_;
    LinkWriter& writer_;
    DebugLog& debugLog_;
    std::vector<CommandChange> changes_;
    bool commandHasChanges_ = false;
    bool commandRan_ = false;
};

}  // namespace nb
