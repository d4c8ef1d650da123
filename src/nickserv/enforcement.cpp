#include "nickserv/enforcement.h"

#include "core/datetime.h"
#include "core/text.h"

namespace nb {
namespace {

constexpr Milliseconds kIdentifyTime{60000};
// Enough draws that an unused Guest nick is all but certain on any real network.
constexpr int kGuestDraws = 1000;

}  // namespace

NickEnforcement::NickEnforcement(NickDatabase& database, OnlineUsers& users, Outbound& out, Logs& logs,
                                 Timers& timers, const Clock& clock, const ServiceVoice& voice)
    : database_(database),
      users_(users),
      out_(out),
      logs_(logs),
      timers_(timers),
      clock_(clock),
      voice_(voice),
      random_(static_cast<std::mt19937::result_type>(clock.Now().time_since_epoch().count())) {}

NickEnforcement::~NickEnforcement() { ClearPendingNicks(); }

void NickEnforcement::ClearPendingNicks() {
    for (const PendingNick& entry : pending_) timers_.CancelTimer(entry.timer);
    pending_.clear();
}

void NickEnforcement::CheckRegisteredNick(const std::string& nick, std::size_t userSlot) {
    RegisteredNick* record = database_.FindRegisteredNick(nick);
    if (record == nullptr) return;
    OnlineUser& user = users_.At(userSlot);
    if (MatchesAccessHosts(*record, user.Mask())) {
        // Recognised: remembered until the next save, not identified.
        record->SetLastSeen(FormatGeneralDate(clock_.Now()));
        user.replyType = record->replyType;
        if (onRecognised) onRecognised(userSlot);
        return;
    }
    voice_.Reply(userSlot, "This nick is registered.");
    voice_.Reply(userSlot,
                 "You have 60 seconds to identify or change your nick before your nick is changed.  "
                 "If this is your nick, please identify.");
    std::uint64_t id = nextId_++;
    TimerId timer = timers_.StartTimer(kIdentifyTime, [this, id] { OnEnforcementTimer(id); });
    pending_.push_back({user.nick, id, timer});
}

void NickEnforcement::RemovePendingNick(const std::string& nick) {
    for (std::size_t index = 0; index < pending_.size(); ++index) {
        if (!IEquals(pending_[index].nick, nick)) continue;
        timers_.CancelTimer(pending_[index].timer);
        RemoveEntry(index);
        return;
    }
}

void NickEnforcement::OnEnforcementTimer(std::uint64_t entryId) {
    std::size_t index = 0;
    while (index < pending_.size() && pending_[index].id != entryId) ++index;
    if (index == pending_.size()) return;
    std::string oldNick = pending_[index].nick;
    RemoveEntry(index);

    std::string guest = DrawGuestNick();
    bool online = users_.IsUserOnline(oldNick);
    out_.ForceNickChange(oldNick, guest);
    if (online) logs_.LogNetEvent(Bold(oldNick) + " is now known as " + Bold(guest) + ".");
}

// Moves the last entry into the freed place, keeping the list packed.
void NickEnforcement::RemoveEntry(std::size_t index) {
    if (index + 1 != pending_.size()) pending_[index] = std::move(pending_.back());
    pending_.pop_back();
}

// "Guest" and four digits from 1 to 9, drawn again while a user on the network has that nick.
std::string NickEnforcement::DrawGuestNick() {
    std::uniform_int_distribution<int> digit(1, 9);
    std::string guest;
    for (int draw = 0; draw < kGuestDraws; ++draw) {
        guest = "Guest";
        for (int i = 0; i < 4; ++i) guest += static_cast<char>('0' + digit(random_));
        if (!users_.IsUserOnline(guest)) break;
    }
    return guest;
}

}  // namespace nb
