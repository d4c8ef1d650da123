// One registered nickname and its line in NickServ.nb2.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "network/online_user.h"

namespace nb {

struct RegisteredNick {
    std::string nick;  // empty once dropped: the next save leaves the record out
    std::array<std::string, 3> accessHosts;  // wildcard masks of "nick!ident@host"; empty when cleared
    std::string password;                    // plain text, compared exactly
    std::string realName = "N/A";
    std::string age = "0";
    std::string url;
    ReplyType replyType = ReplyType::Notice;  // how the services answer this nick
    bool flag = true;                  // carried through the file, read by nothing
    std::string lastSeen;
    std::string registeredOn;
    std::string email;
    // Kept outside NickServ.nb2: the quit message lives in Quit.nb2, the rest in memory only.
    std::string lastQuit;
    // The online user who identified with the password (OnlineUser::id), 0 for nobody: the
    // identification never passes to whoever holds the nick next.
    std::uint64_t identifiedUser = 0;
};

// "<nick> <password> <host1> <host2> <host3> [<last seen>] {<real name>} [<email>] (<url>) <age>
// <True|False> <reply type> <registered on>" and CR LF.
std::string FormatNickLine(const RegisteredNick& record);
// The same, added to the end of `out`: a file of many records is made in one buffer.
void AppendNickLine(std::string& out, const RegisteredNick& record);

// Reads a line of that layout from the left. A missing bracketed field does not fail: the last
// seen date becomes `nowText`, the real name, email and url "N/A".
RegisteredNick ParseNickLine(std::string_view line, const std::string& nowText);

// "<nick> <last quit>" and CR LF, added to the end of `out`.
void AppendQuitLine(std::string& out, const RegisteredNick& record);

}  // namespace nb
