// The operator access list and the command levels: OperServ/OperServ.nb2 and
// OperServ/Commands.nb2, each read up to its first empty line and written through the block
// commit.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/data_dir.h"
#include "core/group_commit.h"
#include "core/settings.h"
#include "operserv/oper_records.h"

namespace nb {

class OperDatabase {
public:
    OperDatabase(const DataDirectory& data, GroupCommit& commit, Settings& settings);
    OperDatabase(const OperDatabase&) = delete;
    OperDatabase& operator=(const OperDatabase&) = delete;

    // Reads the operators. Who is logged in stays with the operator of the same nick.
    void LoadOperators();
    void LoadCommandLevels();
    // When General/Version is not the program's, the default levels take the first places and
    // are saved, and the version is set.
    void InstallDefaultCommandLevels();
    // The console's reset: the same, whatever the version.
    bool ResetCommandLevels();

    const std::vector<OperatorEntry>& Operators() const { return operators_; }
    // The first entry of the nick (letter case ignored), or nullptr.
    OperatorEntry* FindOperator(std::string_view nick);
    const OperatorEntry* FindOperator(std::string_view nick) const;
    // The entries are changed in place, then written (at the end of the block; false when the
    // write failed and the list is what the file holds).
    std::vector<OperatorEntry>& EditOperators() { return operators_; }
    bool OperatorsChanged() { return commit_.Changed(operatorTable_); }

    const std::vector<CommandLevel>& CommandLevels() const { return levels_; }
    // The level of a command in the list (letter case ignored); nullopt when it is not there.
    std::optional<int> LevelOf(std::string_view command) const;
    std::vector<CommandLevel>& EditCommandLevels() { return levels_; }
    bool CommandLevelsChanged() { return commit_.Changed(levelTable_); }

private:
    GroupCommit& commit_;
    Settings& settings_;
    std::vector<OperatorEntry> operators_;
    std::vector<CommandLevel> levels_;
    StoredTable operatorTable_;
    StoredTable levelTable_;
};

}  // namespace nb
