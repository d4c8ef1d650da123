#include "nickserv/nickserv.h"

#include "core/text.h"

#include "core/datetime.h"

namespace nb {

NickServ::NickServ(const DataDirectory& data, Console& console, const Clock& clock, Timers& timers,
                   GroupCommit& commit, const Standing& standing, OnlineUsers& users, Outbound& out, Logs& logs,
                   const ServiceHelp& help, const ServiceVoice& voice)
    : clock_(clock),
      users_(users),
      database_(data, console, clock, commit),
      enforcement_(database_, users, out, logs, timers, clock, voice),
      commands_(database_, enforcement_, users, out, standing, clock, help, events_) {
    enforcement_.onRecognised = [this](std::size_t slot) { events_.OnRecognised(slot); };
}

bool NickServ::DropNick(const std::string& nick) {
    RegisteredNick* record = database_.FindRegisteredNick(nick);
    if (record == nullptr) return false;
    std::string dropped = record->Nick();
    database_.DropRegisteredNick(*record);
    database_.NicksChanged();
    enforcement_.RemovePendingNick(dropped);
    events_.OnDropped(dropped);
    return true;
}

std::optional<std::string> NickServ::EditNick(const std::string& nick, const std::string& field, const std::string& value) {
    RegisteredNick* record = database_.FindRegisteredNick(nick);
    if (record == nullptr) return "The nick " + nick + " is not registered.";
    // Each field as NickServ.nb2 holds it: the character that would close it, and whether it is
    // one word, as NickServ's set takes it.
    struct Field {
        const char* word;
        NickField member;
        char closes;
        bool oneWord;
    };
    const Field kFields[] = {{"email", NickField::Email, ']', true},
                             {"url", NickField::Url, ')', true},
                             {"realname", NickField::RealName, '}', false},
                             {"age", NickField::Age, '\0', true}};
    for (const Field& each : kFields) {
        if (field != each.word) continue;
        if (value.empty()) return "The " + field + " cannot be empty.";
        if (!HasOnlyFormattingControls(value)) return "The " + field + " cannot contain control characters.";
        if ((each.closes != '\0' && value.find(each.closes) != std::string::npos) || (each.oneWord && value.find(' ') != std::string::npos))
            return "The " + field + " cannot contain " + (each.oneWord ? "blanks" : std::string(1, each.closes)) + ".";
        record->SetField(each.member, value);
        database_.NicksChanged();
        return std::nullopt;
    }
    return "A nick's email, url, realname or age can be edited.";
}

void NickServ::LoadNickDatabase() {
    database_.LoadNickDatabase(true, true);
    database_.LoadRestrictedNicks();
}

// Whoever holds a nick on the new link has not identified on it, whatever held it before.
void NickServ::OnLinkUp() {
    enforcement_.ClearPendingNicks();
    database_.ForgetIdentifications();
}

void NickServ::OnUserIntroduced(const std::string& nick) {
    auto slot = users_.FindOnlineUser(nick);
    if (!slot) return;
    OnlineUser& user = users_.At(*slot);
    user.replyType = database_.GetNickReplyType(user.nick);
    enforcement_.CheckRegisteredNick(user.nick, *slot);
}

void NickServ::OnNickChanged(const std::string& nick, const std::string& oldNick) {
    // The old nick's warning goes first: a change of letter case alone keeps the same
    // registered nick, and its new warning must not be cancelled.
    enforcement_.RemovePendingNick(oldNick);
    if (RegisteredNick* record = database_.FindRegisteredNick(oldNick)) record->identifiedUser = 0;
    if (auto slot = users_.FindOnlineUser(nick)) enforcement_.CheckRegisteredNick(nick, *slot);
}

void NickServ::OnUserGone(const OnlineUser& user, const std::optional<std::string>& quitMessage) {
    if (quitMessage) {
        NoteNickQuit(user.nick, *quitMessage);
    } else {
        NoteNickGone(user.nick);
    }
    enforcement_.RemovePendingNick(user.nick);
}

void NickServ::NoteNickQuit(const std::string& nick, const std::string& message) {
    RegisteredNick* record = database_.FindRegisteredNick(nick);
    if (record == nullptr) return;
    const std::string& now = lastSeenText_.Text(clock_.Now());
    auto fields = record->Fields();
    fields[static_cast<std::size_t>(NickField::LastQuit)] = message;
    fields[static_cast<std::size_t>(NickField::LastSeen)] = now;
    record->SetFields(fields);
    record->identifiedUser = 0;
    database_.QuitChanged(*record);
    database_.NicksChanged();
}

void NickServ::NoteNickGone(const std::string& nick) {
    RegisteredNick* record = database_.FindRegisteredNick(nick);
    if (record == nullptr) return;
    record->identifiedUser = 0;
    record->SetLastSeen(lastSeenText_.Text(clock_.Now()));
    database_.NicksChanged();
}

}  // namespace nb
