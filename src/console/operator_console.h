// The console's operations on OperServ's lists: the operators (add, delete, modify), the
// command levels, the OS Info level, the jupes and the ignores. Each asks and refuses through
// the Console, in the words an administrator sees in every front end.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "core/clock.h"
#include "core/console.h"
#include "core/settings.h"
#include "network/logs.h"
#include "network/outbound.h"
#include "operserv/operserv.h"
#include "services/ignore_list.h"
#include "services/nick_status.h"
#include "services/password_work.h"

namespace nb {

// The six fields of an operator as the form holds them.
struct OperatorFields {
    std::string nick;
    std::string password;
    std::array<std::string, 3> hosts;
    std::string level;
};

class OperatorConsole {
public:
    OperatorConsole(Console& console, OperServ& operServ, const NickStatus& nicks, Settings& settings,
                    IgnoreList& ignores, Outbound& out, Logs& logs, const Clock& clock, PasswordWork& passwords);

    // Asks for the nickname, its password and its level, asking again as long as the answer
    // cannot be taken; the hosts come from the registered nickname.
    void AddOperator();
    void DeleteOperator(std::optional<std::size_t> index);
    void ModifyOperator(std::optional<std::size_t> index, const OperatorFields& fields);
    void ChangeCommandLevel(std::optional<std::size_t> index, const std::string& level);
    void ResetCommandLevels();
    void SetOsInfo(const std::string& level);
    void AddJupe(const std::string& server);
    void RemoveJupe(std::optional<std::size_t> index);
    void AddIgnore(const std::string& mask);
    void RemoveIgnore(std::optional<std::size_t> index);

private:
    void AskPassword(const std::string& nick);
    void AskLevel(const std::string& nick, const std::string& password, const std::string& question);
    void SaveOperators();

    Console& console_;
    OperServ& operServ_;
    const NickStatus& nicks_;
    Settings& settings_;
    IgnoreList& ignores_;
    Outbound& out_;
    Logs& logs_;
    const Clock& clock_;
    PasswordWork& passwords_;
};

}  // namespace nb
