#include "nickserv/nick_database.h"

#include <utility>

#include "core/datetime.h"
#include "core/files.h"
#include "core/text.h"
#include "core/wildcard.h"

namespace nb {
namespace {

constexpr const char* kNickFile = "NickServ/NickServ.nb2";
constexpr const char* kQuitFile = "NickServ/Quit.nb2";
constexpr const char* kRestrictFile = "NickServ/Restrict.nb2";

const char* const kEmptyLineError =
    "Error loading NickServ database, close Nimbral and try again.\r\n"
    "If this problem continues, please check nickserv.os for gaps, or extra lines at the end of the file.\r\n"
    "!!THIS COULD ALSO BE CAUSED BECAUSED THIS IS THE FIRST TIME YOU RAN NIMBRAL, THIS MESSAGE SHOULD GO AWAY "
    "AS SOON AS A NICK IS REGISTERED.!!";

}  // namespace

NickDatabase::NickDatabase(const DataDirectory& data, Console& console, const Clock& clock)
    : data_(data), console_(console), clock_(clock) {}

void NickDatabase::LoadNickDatabase(bool loadNicks, bool loadQuits) {
    if (loadNicks) {
        std::vector<RegisteredNick> previous = std::move(nicks_);
        nicks_.clear();
        std::string now = FormatGeneralDate(clock_.Now());
        bool reported = false;
        for (const std::string& line : ReadTextLines(data_.Path(kNickFile))) {
            // A gap is reported once and passed over: stopping there would let the next
            // save drop every registration after it.
            if (line.empty()) {
                if (!reported) console_.ShowMessage("Nimbral - NickServ Error", kEmptyLineError);
                reported = true;
                continue;
            }
            RegisteredNick record = ParseNickLine(line, now);
            for (const RegisteredNick& old : previous) {
                if (old.nick.empty() || !IEquals(old.nick, record.nick)) continue;
                record.identified = old.identified;
                record.lastQuit = old.lastQuit;
                record.badPasswords = old.badPasswords;
                break;
            }
            nicks_.push_back(std::move(record));
        }
    }
    if (loadQuits) {
        for (const std::string& line : ReadTextLines(data_.Path(kQuitFile))) {
            std::size_t blank = line.find(' ');
            RegisteredNick* record = FindRegisteredNick(line.substr(0, blank));
            if (record != nullptr) record->lastQuit = blank == std::string::npos ? "" : line.substr(blank + 1);
        }
    }
}

bool NickDatabase::SaveNickDatabase() {
    std::string content;
    for (const RegisteredNick& record : nicks_) {
        if (!record.nick.empty()) content += FormatNickLine(record);
    }
    bool written = WriteDataFile(kNickFile, content);
    // Either way the table is now what the file holds: a change that could not be written is
    // undone rather than kept in memory as if it had been.
    LoadNickDatabase(true, false);
    return written;
}

void NickDatabase::ForgetIdentifications() {
    for (RegisteredNick& record : nicks_) record.identified = false;
}

bool NickDatabase::SaveQuitMessages() {
    std::string content;
    for (const RegisteredNick& record : nicks_) {
        if (!record.nick.empty()) content += FormatQuitLine(record);
    }
    if (!WriteDataFile(kQuitFile, content)) return false;
    LoadNickDatabase(false, true);
    return true;
}

void NickDatabase::LoadRestrictedNicks() {
    restricted_.clear();
    for (const std::string& line : ReadTextLines(data_.Path(kRestrictFile))) {
        if (line.empty()) break;
        restricted_.push_back(line);
    }
}

bool NickDatabase::SaveRestrictedNicks() {
    std::string content;
    for (const std::string& pattern : restricted_) content += pattern + "\r\n";
    if (!WriteDataFile(kRestrictFile, content)) return false;
    LoadRestrictedNicks();
    return true;
}

bool NickDatabase::WriteDataFile(const char* relative, const std::string& content) {
    std::filesystem::path path = data_.Path(relative);
    if (WriteFileAtomic(path, content)) return true;
    console_.ShowMessage("NBII - NickServ", "Cannot write " + path.string() + "; the change was not saved.");
    return false;
}

const RegisteredNick* NickDatabase::FindRegisteredNick(const std::string& nick) const {
    for (const RegisteredNick& record : nicks_) {
        if (!record.nick.empty() && IEquals(record.nick, nick)) return &record;
    }
    return nullptr;
}

RegisteredNick* NickDatabase::FindRegisteredNick(const std::string& nick) {
    return const_cast<RegisteredNick*>(std::as_const(*this).FindRegisteredNick(nick));
}

bool NickDatabase::IsNickIdentified(const std::string& nick) const {
    const RegisteredNick* record = FindRegisteredNick(nick);
    return record != nullptr && record->identified;
}

ReplyType NickDatabase::GetNickReplyType(const std::string& nick) const {
    const RegisteredNick* record = FindRegisteredNick(nick);
    return record != nullptr ? record->replyType : ReplyType::Notice;
}

bool NickDatabase::IsNickRestricted(const std::string& nick) const {
    std::string lower = ToLower(nick);
    for (const std::string& pattern : restricted_) {
        if (WildcardMatch(lower, pattern)) return true;
    }
    return false;
}

void NickDatabase::AddRegisteredNick(RegisteredNick record) { nicks_.push_back(std::move(record)); }

bool MatchesAccessHosts(const RegisteredNick& record, const std::string& mask) {
    for (const std::string& host : record.accessHosts) {
        if (WildcardMatch(mask, host)) return true;
    }
    return false;
}

}  // namespace nb
