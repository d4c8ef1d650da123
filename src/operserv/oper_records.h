// An operator's access entry and a command's level, with their lines in OperServ/OperServ.nb2
// and OperServ/Commands.nb2.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace nb {

struct OperatorEntry {
    std::string nick;
    std::string password;                // compared exactly
    std::array<std::string, 3> hosts;    // wildcard masks of "nick!ident@host"
    int level = 0;                       // 1 to 500
    // The online user (OnlineUser::id) logged in as this operator, 0 for nobody. Never stored:
    // it stays with this operator, whoever later holds the nick or the entry's place.
    std::uint64_t loggedInUser = 0;
};

struct CommandLevel {
    std::string name;  // lower case
    int level = 200;
};

// "<nick> <password> <host1> <host2> <host3> <level>" and CR LF.
void AppendOperatorLine(std::string& out, const OperatorEntry& entry);
// The first five fields up to the next blank each, the level the rest of the line.
OperatorEntry ParseOperatorLine(std::string_view line);

// "<name> <level>" and CR LF.
void AppendCommandLevelLine(std::string& out, const CommandLevel& command);
// login always has level 0; any other level outside 1 to 500 becomes 200.
CommandLevel ParseCommandLevelLine(std::string_view line);

}  // namespace nb
