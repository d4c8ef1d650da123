// What users say to ChanServ: the command table and one handler per command.
#pragma once

#include <functional>
#include <string>

#include "chanserv/channel_database.h"
#include "core/clock.h"
#include "core/settings.h"
#include "help/service_help.h"
#include "network/online_users.h"
#include "network/outbound.h"
#include "services/command_table.h"
#include "services/nick_status.h"
#include "services/standing.h"
#include "services/service_clients.h"

namespace nb {

class ChanServCommands {
public:
    // `nickServ` is the client whose nickname the identification refusals speak with.
    ChanServCommands(ChannelDatabase& database, OnlineUsers& users, Outbound& out, const Settings& settings,
                     const Clock& clock, const ServiceHelp& help, const NickStatus& nicks,
                     const Standing& standing, const ServiceClient& nickServ);
    ChanServCommands(const ChanServCommands&) = delete;
    ChanServCommands& operator=(const ChanServCommands&) = delete;

    const CommandTable& Table() const { return table_; }

private:
    // chanserv_commands.cpp
    void Help(const CommandContext& context);
    // register, access, set and ident refuse a sender who has not identified to the nick in
    // use; the refusal comes from NickServ.
    void RefuseNotIdentified(const CommandContext& context, const Command& command);
    // The channel tables changed (`access` too when true). When they cannot be written, the
    // sender is told so instead of all the command said, `failed` is audited as failed, and
    // `undo` then mends what the tables read back from their files.
    void ChannelsChanged(const CommandContext& context, const std::string& channel, const std::string& failed,
                         bool channels, bool access, std::function<void()> undo = [] {});
    // A text the channel file cannot hold as given is refused: the sender is told why and
    // `failed` audited. True when it may be stored.
    bool Storable(const CommandContext& context, const std::string& channel, ChannelField field,
                  const std::string& value, const std::string& failed);
    // The sender's level on the channel, as the levels of a channel count it.
    int SenderLevel(const CommandContext& context, const std::string& channel) const;
    // The refusals that several commands share; each answers true when it refused.
    // A name without "#": the command's syntax reply, and `audit` as failed.
    bool RefusesNameWithoutHash(const CommandContext& context, const std::string& channel, const std::string& syntax,
                                const std::string& audit) const;
    // A channel that is not registered: `audit` as failed, with the channel.
    bool RefusesUnregistered(const CommandContext& context, const std::string& channel, const std::string& audit) const;
    // A level below `needed`: "<lead>^B<channel>^B<after> is to low.  It is currently ^B<level>^B"
    // and `audit` when there is one.
    bool RefusesLowLevel(const CommandContext& context, const std::string& channel, int level, int needed,
                         const std::string& lead, const std::string& after, const std::string& audit) const;

    // chanserv_register_commands.cpp
    void Register(const CommandContext& context);
    // The setting "ChanServ Register" lets the sender register channels.
    bool MayRegister(const CommandContext& context) const;
    void UndoRegistration(const std::string& channel, const std::string& founder);
    void Drop(const CommandContext& context);
    void Ident(const CommandContext& context);

    // chanserv_access_commands.cpp
    void Access(const CommandContext& context);
    void AccessList(const CommandContext& context);
    void AccessAdd(const CommandContext& context);
    void AccessModify(const CommandContext& context);
    void AccessDelete(const CommandContext& context);
    // The nick's entry on the channel; when there is none, the sender is told so.
    ChannelAccessEntry* EntryToChange(const CommandContext& context, const std::string& channel,
                                      const std::string& nick);

    // chanserv_settings_commands.cpp
    void Info(const CommandContext& context);
    void Set(const CommandContext& context);
    void SetTopic(const CommandContext& context);
    void SetMode(const CommandContext& context);
    void SetGreet(const CommandContext& context);
    void SetSwitch(const CommandContext& context, bool RegisteredChannel::*flag, const char* label);
    // The change is audited and written at the end of the block.
    void SetDone(const CommandContext& context, const std::string& parameters);
    void RefuseSetSyntax(const CommandContext& context) const;

    // chanserv_status_commands.cpp: op, deop and kick.
    void ChannelStatus(const CommandContext& context);
    void SetStatus(const CommandContext& context, const std::string& channel, const std::string& target,
                   const std::string& command);

    ChannelDatabase& database_;
    OnlineUsers& users_;
    Outbound& out_;
    const Settings& settings_;
    const Clock& clock_;
    const ServiceHelp& help_;
    const NickStatus& nicks_;
    const Standing& standing_;
    const ServiceClient& nickServ_;
    CommandTable table_;
    ActionTable accessActions_;
    ActionTable setActions_;
};

inline constexpr std::size_t kMaxChannelNameBytes = 50;

// "#" first, at most 50 bytes, no blank of any kind, no control character, no comma.
bool IsValidChannelName(std::string_view name);

// "[^B<nick>^B:^B<channel>^B] " + text to the audit channel: the line of a command about a
// channel, with the channel as the sender typed it, up to a character a name cannot hold.
void AuditChannel(const CommandContext& context, const std::string& channel, const std::string& text);

// Words `first`, `first` + 1, ... joined by single blanks, up to the first empty word and
// before word 100, trimmed.
std::string JoinedWords(const CommandWords& words, std::size_t first);

}  // namespace nb
