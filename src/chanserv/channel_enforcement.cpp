#include "chanserv/channel_enforcement.h"

#include <algorithm>
#include <optional>

#include "core/text.h"

namespace nb {
namespace {

constexpr int kOpLevel = 200;
constexpr int kVoiceLevel = 100;
constexpr int kAutoKickLevel = 1;

}  // namespace

ChannelEnforcement::ChannelEnforcement(const ChannelDatabase& database, const OnlineUsers& users,
                                       const Channels& channels, Outbound& out, const ServiceClient& chanServ)
    : database_(database), users_(users), channels_(channels), out_(out), chanServ_(chanServ) {}

// A switched-off ChanServ is not on the network: it neither acts nor speaks.
void ChannelEnforcement::OnUserJoined(const std::string& nick, const std::vector<std::string>& channels) {
    if (!chanServ_.enabled) return;
    std::optional<std::size_t> slot = users_.FindOnlineUser(nick);
    if (!slot) return;
    std::vector<const std::string*> stillIn;
    stillIn.reserve(channels.size());
    for (const std::string& channel : channels) {
        if (EnforceChannelEntry(channel, *slot)) stillIn.push_back(&channel);
    }
    // A user just banned from a channel is not welcomed to it.
    for (const std::string* channel : stillIn) SendChannelGreet(*channel, *slot);
}

void ChannelEnforcement::OnTopicChanged(const std::string& channel) {
    if (!chanServ_.enabled) return;
    EnforceTopicLock(channel);
}

void ChannelEnforcement::OnModesChanged(const ModeChange& change) {
    if (!chanServ_.enabled) return;
    ProtectChanServOp(change);
    if (change.statusOrBans) return;
    EnforceModeLock(change.channel, change.parameters);
}

// Founder and co-owner identification give no status here: only the entry's own level does.
bool ChannelEnforcement::EnforceChannelEntry(const std::string& channel, std::size_t userSlot) {
    if (!database_.IsChannelRegistered(channel)) return true;
    const OnlineUser& user = users_.At(userSlot);
    const ChannelAccessEntry* entry = database_.FindAccessEntry(channel, user.nick);
    if (entry == nullptr || !database_.RecognisesUser(*entry, user)) return true;
    if (entry->level >= kOpLevel) {
        out_.ServerMode(channel, "+o", user.nick);
    } else if (entry->level >= kVoiceLevel) {
        out_.ServerMode(channel, "+v", user.nick);
    } else if (entry->level == kAutoKickLevel) {
        out_.ServerMode(channel, "+b", MakeBanMask(user.ident, user.host));
        // The kick takes the user out of the channel table too: the table mirrors the network.
        out_.ServerKick(channel, user.nick, "You are not permitted to be in this channel!");
        return false;
    }
    return true;
}

void ChannelEnforcement::SendChannelGreet(const std::string& channel, std::size_t userSlot) {
    const RegisteredChannel* record = database_.FindRegisteredChannel(channel);
    if (record == nullptr || !record->autoGreet || record->greet == "Not set!") return;
    const OnlineUser& user = users_.At(userSlot);
    out_.Message(chanServ_.nick, user.replyType, user.nick, "[" + Bold(record->name) + "] " + record->greet);
}

void ChannelEnforcement::EnforceTopicLock(const std::string& channel) {
    const RegisteredChannel* record = database_.FindRegisteredChannel(channel);
    if (record == nullptr || !record->topicLock) return;
    out_.Topic(chanServ_.nick, channel, record->topic);
}

void ChannelEnforcement::ProtectChanServOp(const ModeChange& change) {
    if (change.modes != "-o") return;
    std::vector<std::string> targets = SplitFields(change.parameters);
    if (std::none_of(targets.begin(), targets.end(),
                     [&](const std::string& target) { return IEquals(target, chanServ_.nick); }))
        return;
    out_.Mode(chanServ_.nick, change.channel, "+o", chanServ_.nick);
    out_.Mode(chanServ_.nick, change.channel, "-o", change.source);
}

void ChannelEnforcement::RestoreLocks() {
    if (!chanServ_.enabled) return;
    for (const RegisteredChannel& record : database_.RegisteredChannels()) {
        if (record.name.empty() || (!record.topicLock && !record.modeLock)) continue;
        auto slot = channels_.FindNetChannel(record.name);
        const NetChannel* held = slot ? &channels_.At(*slot) : nullptr;
        if (record.topicLock && (held == nullptr || held->topic != record.topic)) EnforceTopicLock(record.name);
        std::string letters = record.modes.substr(0, record.modes.find(' '));
        std::string modes = held != nullptr ? held->modes.value_or("") : "";
        bool lacking = std::any_of(letters.begin(), letters.end(),
                                   [&](char letter) { return modes.find(letter) == std::string::npos; });
        if (record.modeLock && lacking) EnforceModeLock(record.name, "");
    }
}

// Takes off every lockable mode, with the parameters of the change that set them, then puts
// the kept ones back.
void ChannelEnforcement::EnforceModeLock(const std::string& channel, const std::string& parameters) {
    const RegisteredChannel* record = database_.FindRegisteredChannel(channel);
    if (record == nullptr || !record->modeLock) return;
    out_.Mode(chanServ_.nick, record->name, "-ntsimklp", parameters);
    out_.RestoreModes(chanServ_.nick, record->name, record->modes);
}

}  // namespace nb
