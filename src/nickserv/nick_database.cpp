#include "nickserv/nick_database.h"

#include <algorithm>
#include <optional>
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

// A checkpoint writes this many records a turn of the loop (a few milliseconds).
constexpr std::size_t kRecordsPerSlice = 5000;

// "<nick> <last quit>": the nick and the message.
std::pair<std::string_view, std::string_view> SplitQuitLine(std::string_view line) {
    std::size_t blank = line.find(' ');
    return {line.substr(0, blank), blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1)};
}

}  // namespace

NickDatabase::NickDatabase(const DataDirectory& data, Console& console, const Clock& clock, GroupCommit& commit)
    : data_(data),
      console_(console),
      clock_(clock),
      commit_(commit),
      restricted_(data.Path(kRestrictFile), commit) {
    JournalTable(nickTable_, kNickFile, nickChanges_, kNickMark, AppendNickLine);
    JournalTable(quitTable_, kQuitFile, quitChanges_, kQuitMark, AppendQuitLine);
}

// The nick file and the quit file are made alike: a line of each record that has a nick.
void NickDatabase::JournalTable(StoredTable& table, const char* file, Pending& pending, Mark mark, LineFormat append) {
    table.file = data_.Path(file);
    table.text = [this, append](std::string& scratch) {
        std::size_t cursor = 0;
        while (!Slice(scratch, cursor, append)) {}
        return std::string_view(scratch);
    };
    table.reload = [this, mark] { LoadNickDatabase(mark == kNickMark, mark == kQuitMark); };
    table.written = [this, &pending, mark] { Written(pending, mark); };
    table.keyWords = 1;
    table.changes = [this, &pending, append](JournalBlock& block, const std::string& name) { Journal(pending, block, name, append); };
    table.slice = [this, append](std::string& out, std::size_t& cursor) { return Slice(out, cursor, append); };
    commit_.Journaled(table);
}

void NickDatabase::IndexNicks() {
    slotByNick_.Clear();
    slotByNick_.Reserve(nicks_.size());
    repeatedNicks_ = false;
    for (std::size_t slot = 0; slot < nicks_.size(); ++slot) {
        if (!nicks_[slot].IsDropped() && !slotByNick_.Insert(slot)) repeatedNicks_ = true;
    }
}

void NickDatabase::Note(Pending& pending, Mark mark, std::size_t slot) {
    if (marks_[slot] & mark) return;
    marks_[slot] |= mark;
    pending.slots.push_back(slot);
}

// The dropped nicks first: a nick dropped and registered again in one block stays registered.
void NickDatabase::Journal(const Pending& pending, JournalBlock& block, const std::string& name, LineFormat append) {
    for (const std::string& nick : pending.removed) block.Removed(name, nick);
    std::string line;
    for (std::size_t slot : pending.slots) {
        const RegisteredNick& record = nicks_[slot];
        if (record.IsDropped()) continue;
        line.clear();
        append(line, record);
        line.resize(line.size() - 2);  // the journal ends its entries itself
        if (slot >= pending.writtenCount) {
            block.Added(name, line);
        } else {
            block.Changed(name, line);
        }
    }
}

void NickDatabase::Written(Pending& pending, Mark mark) {
    for (std::size_t slot : pending.slots) marks_[slot] &= static_cast<std::uint8_t>(~mark);
    pending.slots.clear();
    pending.removed.clear();
    pending.writtenCount = nicks_.size();
}

bool NickDatabase::Slice(std::string& out, std::size_t& cursor, LineFormat append) const {
    std::size_t end = std::min(nicks_.size(), cursor + kRecordsPerSlice);
    for (; cursor < end; ++cursor) {
        if (!nicks_[cursor].IsDropped()) append(out, nicks_[cursor]);
    }
    return cursor == nicks_.size();
}

void NickDatabase::LoadNickDatabase(bool loadNicks, bool loadQuits) {
    TableText quits;
    if (loadQuits) quits = commit_.ReadTable(quitTable_);
    bool quitsPlaced = loadNicks && LoadNicks(loadQuits ? quits.Text() : std::string_view());
    if (!loadQuits) return;
    for (std::uint8_t& mark : marks_) mark &= static_cast<std::uint8_t>(~kQuitMark);
    quitChanges_ = Pending{{}, {}, nicks_.size()};
    if (quitsPlaced) return;
    // Found without marking the records changed: nothing of this is new to the files.
    ForEachLine(quits.Text(), [this](std::string_view line) {
        auto [nick, message] = SplitQuitLine(line);
        if (std::optional<std::size_t> slot = slotByNick_.Find(nick)) nicks_[*slot].SetLastQuit(message);
    });
}

// The quit file is written in the order of the nick file, so its lines are usually taken in
// step with the records, each packed once with its quit message. True when every quit line
// was placed that way; otherwise the caller places them all by nick.
bool NickDatabase::LoadNicks(std::string_view quitText) {
    std::vector<RegisteredNick> previous = std::move(nicks_);
    nicks_.clear();
    slotByNick_.Clear();
    NameIndex<const RegisteredNick*> previousByNick;
    for (const RegisteredNick& old : previous) {
        if (!old.IsDropped()) previousByNick.emplace(old.Nick(), &old);
    }
    std::string now = FormatGeneralDate(clock_.Now());
    bool reported = false;
    bool inStep = true;
    TableText nickFile = commit_.ReadTable(nickTable_);
    std::string_view text = nickFile.Text();
    // Room for growth beyond the file: a full table moves every record at its next
    // registration, which at a million records holds the replies for a second.
    std::size_t count = CountLines(text);
    nicks_.reserve(count + count / 8 + 1024);
    ForEachLine(text, [&](std::string_view line) {
        // A gap is reported once and passed over: stopping there would let the next save drop
        // every registration after it.
        if (line.empty()) {
            if (!reported) console_.ShowMessage("Nimbral - NickServ Error", kEmptyLineError);
            reported = true;
            return;
        }
        std::string_view nick = line.substr(0, line.find(' '));
        const RegisteredNick* old = nullptr;
        if (auto found = previousByNick.find(nick); found != previousByNick.end()) old = found->second;
        std::string_view lastQuit = old != nullptr ? old->Field(NickField::LastQuit) : std::string_view();
        if (inStep && !quitText.empty()) {
            std::string_view rest = quitText;
            auto [quitNick, message] = SplitQuitLine(TakeLine(rest));
            inStep = IEquals(quitNick, nick);
            if (inStep) {
                lastQuit = message;
                quitText = rest;
            }
        }
        nicks_.push_back(ParseNickLine(line, now, lastQuit));
        if (old != nullptr) nicks_.back().identifiedUser = old->identifiedUser;
    });
    IndexNicks();
    marks_.assign(nicks_.size(), 0);
    nickChanges_ = Pending{{}, {}, nicks_.size()};
    quitChanges_ = Pending{{}, {}, nicks_.size()};
    return inStep && quitText.empty() && !repeatedNicks_;
}

void NickDatabase::QuitChanged(const RegisteredNick& record) {
    Note(quitChanges_, kQuitMark, static_cast<std::size_t>(&record - nicks_.data()));
    commit_.Changed(quitTable_);
}

void NickDatabase::ForgetIdentifications() {
    for (RegisteredNick& record : nicks_) record.identifiedUser = 0;
}

const RegisteredNick* NickDatabase::FindRegisteredNick(const std::string& nick) const {
    std::optional<std::size_t> slot = slotByNick_.Find(nick);
    return slot ? &nicks_[*slot] : nullptr;
}

RegisteredNick* NickDatabase::FindRegisteredNick(const std::string& nick) {
    std::optional<std::size_t> slot = slotByNick_.Find(nick);
    if (!slot) return nullptr;
    Note(nickChanges_, kNickMark, *slot);
    return &nicks_[*slot];
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
    nicks_.push_back(std::move(record));
    slotByNick_.Insert(nicks_.size() - 1);
    marks_.push_back(0);
    Note(nickChanges_, kNickMark, nicks_.size() - 1);
}

// The record stays in its slot, without a nick, until the next load: slots never move while
// the services run, so a checkpoint can go through the table in slices.
void NickDatabase::DropRegisteredNick(RegisteredNick& record) {
    nickChanges_.removed.push_back(record.Nick());
    quitChanges_.removed.push_back(record.Nick());
    slotByNick_.Erase(record.Field(NickField::Nick));
    // The texts go with the nick: a dropped slot keeps only its few bytes.
    record = RegisteredNick();
    // A later record with the same nick (a damaged file) becomes the one found.
    if (repeatedNicks_) IndexNicks();
}

bool MatchesAccessHosts(const RegisteredNick& record, const std::string& mask) {
    for (std::size_t index = 0; index < 3; ++index) {
        if (WildcardMatch(mask, record.Field(RegisteredNick::HostField(index)))) return true;
    }
    return false;
}

}  // namespace nb
