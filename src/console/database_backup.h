// The six main database files copied into backup/ and back. A restore puts each file back
// atomically, so a restore cut short leaves every live file whole, old or new, and the
// services read the restored tables at once.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/console.h"
#include "core/data_dir.h"
#include "core/settings.h"

namespace nb {

class DatabaseBackup {
public:
    // `checkpoint` makes the files whole (the journal's changes in them), as a copy of them
    // must hold every change; `reload` reads the restored files into the services, in the
    // order they depend on.
    DatabaseBackup(const DataDirectory& data, Settings& settings, Console& console, const Clock& clock,
                   std::function<bool()> checkpoint, std::function<void()> reload);

    // Copies every file (a missing one leaves its backup as it was), one status line each, and
    // keeps the time as Backup/Last.
    void Backup();
    // Asks first; then copies every backup file that exists back into place and reloads.
    void Restore();
    // "Last backup: " and the time of the last backup, as the start-up view shows it.
    std::string LastBackupCaption() const;

private:
    void Status(const std::string& text);

    const DataDirectory& data_;
    Settings& settings_;
    Console& console_;
    const Clock& clock_;
    std::function<bool()> checkpoint_;
    std::function<void()> reload_;
};

}  // namespace nb
