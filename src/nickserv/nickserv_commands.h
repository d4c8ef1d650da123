// What users say to NickServ: the command table and one handler per command.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "core/clock.h"
#include "core/settings.h"
#include "help/service_help.h"
#include "network/online_users.h"
#include "network/outbound.h"
#include "nickserv/enforcement.h"
#include "nickserv/nick_database.h"
#include "services/command_table.h"
#include "services/nick_events.h"
#include "services/standing.h"

namespace nb {

struct SetAction;

class NickServCommands {
public:
    NickServCommands(NickDatabase& database, NickEnforcement& enforcement, OnlineUsers& users, Outbound& out,
                     const Standing& standing, const Clock& clock, const ServiceHelp& help, NickEvents& events);
    NickServCommands(const NickServCommands&) = delete;
    NickServCommands& operator=(const NickServCommands&) = delete;

    const CommandTable& Table() const { return table_; }


private:
    void Help(const CommandContext& context);
    void Register(const CommandContext& context);
    void Drop(const CommandContext& context);
    void BuildActionTables();
    void Set(const CommandContext& context);
    void SetField(const CommandContext& context, const SetAction& action);
    void Info(const CommandContext& context);
    void Identify(const CommandContext& context);
    void Access(const CommandContext& context);
    void AccessList(const CommandContext& context);
    void AccessChange(const CommandContext& context, bool add);
    void Ghost(const CommandContext& context);
    void ChangePassword(const CommandContext& context);

    // The refusal of set and access to a sender who has not identified to the nick in use.
    static void RefuseNotIdentified(const CommandContext& context, const Command& command);
    // The rules of a new password; when it breaks one, the sender is told and `name` audited.
    bool AcceptsNewPassword(const CommandContext& context, const std::string& password, const std::string& name);
    // The nickname database changed. When it cannot be written, the sender is told instead of
    // the success, `auditWords` audited as failed, and the table is what the file still holds.
    // `undo` puts back what the change did outside the table.
    void NicksChanged(const CommandContext& context, const std::string& auditWords,
                      std::function<void()> undo = [] {});
    // The record of the sender's nick; when there is none, the sender is told and `failure`
    // audited.
    RegisteredNick* SenderRecord(const CommandContext& context, const std::string& failure);

    NickDatabase& database_;
    NickEnforcement& enforcement_;
    OnlineUsers& users_;
    Outbound& out_;
    const Standing& standing_;
    const Clock& clock_;
    const ServiceHelp& help_;
    NickEvents& events_;
    CommandTable table_;
    ActionTable setActions_;
    ActionTable accessActions_;
};

}  // namespace nb
