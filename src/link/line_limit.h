// The IRC limit on a line: 512 bytes with its CR LF. A longer line makes the uplink drop the
// whole link ("Request too long"), so nothing we send may pass it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nb {

inline constexpr std::size_t kMaxLineBytes = 510;  // without CR LF

// Room a message leaves for the server to name our client in full ("!<ident>@<host>") when it
// passes the message on to a user: the text must still fit then.
inline constexpr std::size_t kMessageRelayRoom = 100;

// The line as one or more lines within the limit. The text of a PRIVMSG or NOTICE is split at
// blanks into several messages, each short enough to leave `messageRoom` unused; another
// command's trailing text (a kick or quit reason, a topic) is cut. A line that has no trailing
// text to shorten gives nothing. A cut never falls inside a UTF-8 character.
std::vector<std::string> FitLine(std::string_view line, std::size_t messageRoom = 0);

}  // namespace nb
