#include "console/database_backup.h"

#include "core/datetime.h"
#include "core/files.h"

namespace nb {
namespace {

struct BackedUpFile {
    const char* live;     // below the data directory
    const char* backup;   // in backup/
    const char* shown;    // as the status lines name it
};

// In this order, always.
const BackedUpFile kFiles[] = {
    {"OperServ/Commands.nb2", "commands.bck", "\\OperServ\\Commands.nb2"},
    {"OperServ/OperServ.nb2", "operserv.bck", "\\OperServ\\OperServ.nb2"},
    {"NickServ/NickServ.nb2", "nickserv.bck", "\\NickServ\\NickServ.nb2"},
    {"ChanServ/Access.nb2", "access.bck", "\\ChanServ\\Access.nb2"},
    {"ChanServ/ChanServ.nb2", "chanserv.bck", "\\ChanServ\\ChanServ.nb2"},
    {"MemoServ/MemoServ.nb2", "memoserv.bck", "\\MemoServ\\MemoServ.nb2"},
};

// A copy that never leaves `to` half-written.
bool CopyAtomically(const std::filesystem::path& from, const std::filesystem::path& to) {
    auto content = ReadWholeFile(from);
    return content && WriteFileAtomic(to, *content);
}

}  // namespace

DatabaseBackup::DatabaseBackup(const DataDirectory& data, Settings& settings, Console& console, const Clock& clock,
                               std::function<bool()> checkpoint, std::function<void()> reload)
    : data_(data),
      settings_(settings),
      console_(console),
      clock_(clock),
      checkpoint_(std::move(checkpoint)),
      reload_(std::move(reload)) {}

void DatabaseBackup::Status(const std::string& text) {
    console_.AppendLogText(LogBox::Backup, "[" + FormatGeneralDate(clock_.Now()) + text);
}

void DatabaseBackup::Backup() {
    // A file that could not be made whole is still copied: it holds every change up to its last
    // checkpoint, and the operator was told.
    checkpoint_();
    EnsureDirectory(data_.Path("backup"));
    for (const BackedUpFile& file : kFiles) {
        bool copied = CopyAtomically(data_.Path(file.live), data_.Path("backup") / file.backup);
        Status(std::string("] ") + file.shown + (copied ? " saved!" : " not saved: it cannot be read or the copy cannot be written."));
    }
    settings_.Set("Backup", "Last", FormatGeneralDate(clock_.Now()));
    if (!settings_.Save()) console_.ShowMessage("NBII - Backup", "Cannot write " + settings_.File().string());
}

void DatabaseBackup::Restore() {
    console_.AskYesNo("NBII - Restore", "You are about to overwrite your current database files with a backup, continue?",
                      [this](bool yes) {
                          if (!yes) return;
                          // The journal's changes go into the live files first and the journal
                          // is emptied, so nothing replays over what comes back.
                          if (!checkpoint_())
                              return console_.ShowMessage("NBII - Restore", "Nothing was restored: the journal's changes could not be written into the data files first.");
                          int restored = 0;
                          for (const BackedUpFile& file : kFiles) {
                              std::filesystem::path from = data_.Path("backup") / file.backup;
                              bool copied = CopyAtomically(from, data_.Path(file.live));
                              restored += copied ? 1 : 0;
                              Status(std::string("] ") + file.shown +
                                     (copied ? " restored!"
                                             : FileExists(from) ? " not restored: the copy cannot be written."
                                                                : std::string(" not restored: backup\\") + file.backup + " is missing."));
                          }
                          reload_();
                          console_.ShowMessage("NBII - Restore",
                                               restored == 6 ? "All files successfully restored."
                                                             : std::to_string(restored) + " of 6 files restored; the others are as they were (see the status lines).");
                      });
}

std::string DatabaseBackup::LastBackupCaption() const {
    return "Last backup: " + settings_.Get("Backup", "Last", "N/A");
}

}  // namespace nb
