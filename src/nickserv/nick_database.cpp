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

NickDatabase::NickDatabase(const DataDirectory& data, Console& console, const Clock& clock, GroupCommit& commit)
    : data_(data),
      console_(console),
      clock_(clock),
      commit_(commit),
      nickTable_{data.Path(kNickFile), [this](std::string&) { return NickFileText(); }, [this] { LoadNickDatabase(true, false); }},
      quitTable_{data.Path(kQuitFile), [this](std::string& scratch) { return QuitFileText(scratch); }, [this] { LoadNickDatabase(false, true); }},
      restricted_(data.Path(kRestrictFile), commit) {}

void NickDatabase::IndexNicks() {
    slotByNick_.clear();
    for (std::size_t slot = 0; slot < nicks_.size(); ++slot) {
        if (!nicks_[slot].nick.empty()) slotByNick_.emplace(nicks_[slot].nick, slot);
    }
}

void NickDatabase::LoadNickDatabase(bool loadNicks, bool loadQuits) {
    if (loadNicks) {
        std::vector<RegisteredNick> previous = std::move(nicks_);
        nicks_.clear();
        slotByNick_.clear();
        NameIndex<const RegisteredNick*> previousByNick;
        for (const RegisteredNick& old : previous) {
            if (!old.nick.empty()) previousByNick.emplace(old.nick, &old);
        }
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
            if (auto old = previousByNick.find(record.nick); old != previousByNick.end()) {
                record.identifiedUser = old->second->identifiedUser;
                record.lastQuit = old->second->lastQuit;
            }
            nicks_.push_back(std::move(record));
        }
        IndexNicks();
        nickFileText_.Clear();
    }
    if (loadQuits) {
        for (const std::string& line : ReadTextLines(data_.Path(kQuitFile))) {
            std::size_t blank = line.find(' ');
            RegisteredNick* record = FindRegisteredNick(line.substr(0, blank));
            if (record != nullptr) record->lastQuit = blank == std::string::npos ? "" : line.substr(blank + 1);
        }
    }
}

bool NickDatabase::SaveNickDatabase() { return commit_.Changed(nickTable_); }

// The table becomes what a read of the written file would give: the dropped records leave it,
// every other record and its run-time fields stay as they are.
std::string_view NickDatabase::NickFileText() {
    if (std::erase_if(nicks_, [](const RegisteredNick& record) { return record.nick.empty(); }) > 0) {
        IndexNicks();
        nickFileText_.Clear();
    }
    return nickFileText_.Text(nicks_.size(), [this](std::size_t slot, std::string& out) {
        AppendNickLine(out, nicks_[slot]);
    });
}

std::string_view NickDatabase::QuitFileText(std::string& content) const {
    for (const RegisteredNick& record : nicks_) {
        if (!record.nick.empty()) content += FormatQuitLine(record);
    }
    return content;
}

void NickDatabase::ForgetIdentifications() {
    for (RegisteredNick& record : nicks_) record.identifiedUser = 0;
}


const RegisteredNick* NickDatabase::FindRegisteredNick(const std::string& nick) const {
    auto found = slotByNick_.find(nick);
    return found == slotByNick_.end() ? nullptr : &nicks_[found->second];
}

RegisteredNick* NickDatabase::FindRegisteredNick(const std::string& nick) {
    auto found = slotByNick_.find(nick);
    if (found == slotByNick_.end()) return nullptr;
    nickFileText_.Touch(found->second);
    return &nicks_[found->second];
}

bool NickDatabase::IsNickIdentified(const OnlineUser& user) const {
    const RegisteredNick* record = FindRegisteredNick(user.nick);
    return record != nullptr && record->identifiedUser != 0 && record->identifiedUser == user.id;
}

ReplyType NickDatabase::GetNickReplyType(const std::string& nick) const {
    const RegisteredNick* record = FindRegisteredNick(nick);
    return record != nullptr ? record->replyType : ReplyType::Notice;
}

bool NickDatabase::IsNickRestricted(const std::string& nick) const {
    std::string lower = ToLower(nick);
    for (const std::string& pattern : restricted_.Entries()) {
        if (WildcardMatch(lower, pattern)) return true;
    }
    return false;
}

void NickDatabase::AddRegisteredNick(RegisteredNick record) {
    slotByNick_.emplace(record.nick, nicks_.size());
    nicks_.push_back(std::move(record));
}

void NickDatabase::DropRegisteredNick(RegisteredNick& record) {
    record.nick.clear();
    record.password.clear();
    // A later record with the same nick (a damaged file) becomes the one found.
    IndexNicks();
}

bool MatchesAccessHosts(const RegisteredNick& record, const std::string& mask) {
    for (const std::string& host : record.accessHosts) {
        if (WildcardMatch(mask, host)) return true;
    }
    return false;
}

}  // namespace nb
