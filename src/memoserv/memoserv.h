// MemoServ: short messages between registered nicknames, kept in MemoServ/MemoServ.nb2.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/console.h"
#include "core/data_dir.h"
#include "help/service_help.h"
#include "memoserv/memo_database.h"
#include "memoserv/memo_record.h"
#include "network/online_users.h"
#include "services/command_table.h"
#include "services/nick_events.h"
#include "services/nick_status.h"

namespace nb {

class MemoServ : public NickEvents {
public:
    // `nickServ` is the client that the refusals send users to.
    MemoServ(const DataDirectory& data, Console& console, GroupCommit& commit, const Clock& clock,
             const OnlineUsers& users,
             const NickStatus& nicks, const ServiceClient& nickServ, const ServiceHelp& help,
             const ServiceVoice& voice);
    MemoServ(const MemoServ&) = delete;
    MemoServ& operator=(const MemoServ&) = delete;

    const CommandTable& Commands() const { return table_; }
    static std::vector<std::string> DataFiles() { return {"MemoServ/MemoServ.nb2"}; }

    // The memos, read at start-up and after a restore; the console sends memos through them.
    MemoDatabase& Database() { return database_; }
    void LoadMemos() { database_.LoadMemos(); }
    const std::vector<Memo>& Memos() const { return database_.Memos(); }
    std::vector<std::size_t> MemoSlotsOf(const std::string& nick) const { return database_.MemoSlotsOf(nick); }

    // The console's memo from "Administrator" to each nick, saved once; each recipient online is
    // told as a sender's memo tells it.
    void SendFromAdministrator(const std::vector<std::string>& to, const std::string& text);
    // Tells the user in `slot` how many memos wait for its nick (nothing when none).
    void NotifyMemoCount(std::size_t slot);
    // A user recognised by an access host hears of the memos waiting.
    void OnRecognised(std::size_t slot) override { NotifyMemoCount(slot); }
    // Tells the recipient at once, when online, that a memo has just arrived.
    void TellNewMemo(const std::string& to);

private:
    // The change of a command is written at the end of its block; `failure` answers otherwise.
    void MemosChanged(const CommandContext& context, std::string failureReply, std::string failureAudit);
    void DeletionChanged(const CommandContext& context);

    // The commands.
    void Help(const CommandContext& context);
    void Send(const CommandContext& context);
    void Read(const CommandContext& context);
    void ReadAll(const CommandContext& context);
    void Delete(const CommandContext& context);
    void DeleteAll(const CommandContext& context);
    void List(const CommandContext& context);
    // "Message #<n> from: <from> [<sent on>]", as list and read all show each memo.
    static std::string NumberedHeading(std::size_t number, const Memo& memo);
    // Registered sender, (for send) registered recipient: true when it refused the sender.
    bool RefusesSender(const CommandContext& context, const Command& command) const;

    MemoDatabase database_;
    const OnlineUsers& users_;
    const NickStatus& nicks_;
    const ServiceClient& nickServ_;
    const ServiceHelp& help_;
    ServiceVoice voice_;
    CommandTable table_;
};

}  // namespace nb
