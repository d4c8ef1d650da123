// What an administrator can do from a console front end (the terminal, the browser): the same
// operations behind every front end. The program implements them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "console/operator_console.h"
#include "core/text.h"
#include "console/update_check.h"
#include "core/settings.h"
#include "network/statistics_view.h"
#include "webserver/statistics_pages.h"

namespace nb {

// The entry a front end's list shows as `number` (1 for the first); nullopt for no number.
inline std::optional<std::size_t> ListIndex(const std::string& number) {
    long long n = ToNumber(number);
    if (n < 1) return std::nullopt;
    return static_cast<std::size_t>(n - 1);
}

class AdminOperations {
public:
    virtual ~AdminOperations() = default;

    // Runs an operation, or the answer to one of its questions, as a received block runs: what
    // it changes is written once at its end, a write that fails is shown, then its lines leave.
    // Its messages and questions go to `answering` (the front end that runs it), or to the
    // program's own console.
    virtual void RunOperation(const std::function<void()>& operation, Console* answering = nullptr) = 0;

    virtual void Backup() = 0;
    virtual void Restore() = 0;
    // "Last backup:" and the time of the last backup.
    virtual std::string LastBackupCaption() const = 0;
    // The link lines for the IRC server's configuration from the server settings: the classic
    // lines, or ngIRCd's [Server] block.
    virtual std::string LinkConfiguration(bool ngircd) const = 0;
    virtual void CheckForUpdate() = 0;
    // Links again now, with the server settings as they are (a link that is up is closed first).
    virtual void Connect() = 0;
    virtual std::optional<UpdateResult> LastUpdateResult() const = 0;
    virtual OperatorConsole& Operators() = 0;
    virtual bool LoadBot(const std::string& fileName) = 0;
    virtual bool StartWebServer() = 0;
    virtual void StopWebServer() = 0;
    virtual bool WebServerRunning() const = 0;
    virtual void MakePage(StatisticsPage page) = 0;
    virtual const StatisticsView& Statistics() const = 0;
    virtual Settings& SettingsStore() = 0;
    // The restriction lists: a pattern added, or the entry with that number removed.
    virtual void RestrictNick(const std::string& pattern) = 0;
    virtual void UnrestrictNick(std::optional<std::size_t> index) = 0;
    virtual void RestrictChannel(const std::string& pattern) = 0;
    virtual void UnrestrictChannel(std::optional<std::size_t> index) = 0;
    // A memo from "Administrator" to every registered nick, or to every operator.
    virtual void MemoToAll(bool operatorsOnly, const std::string& text) = 0;
    // A registered nick or channel dropped as its owner would drop it.
    virtual void DropNick(const std::string& nick) = 0;
    virtual void DropChannel(const std::string& channel) = 0;
    // A field of a registered nick (email, url, realname, age) or channel (description, email,
    // greet) edited; a value the record cannot hold is refused in a box.
    virtual void EditNick(const std::string& nick, const std::string& field, const std::string& value) = 0;
    virtual void EditChannel(const std::string& channel, const std::string& field, const std::string& value) = 0;
    // The entries of a list the console edits by number: "operators", "jupes", "ignores",
    // "restricted nicks", "restricted channels" or "levels".
    virtual std::vector<std::string> List(const std::string& which) = 0;
};

}  // namespace nb
