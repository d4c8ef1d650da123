// A bot's script file: its directives ("nick Bob;", "set modes i;", "load triggers.nb2;"), read
// line by line into the bot's values.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace nb {

struct BotValues {
    std::string nick;
    std::string ident;
    std::string host;
    std::string name;
    std::string modes;
    std::string access;
    std::string script;  // the file whose trigger blocks answer messages
    std::string version;
};

struct BotLoad {
    BotValues values;
    // The error line, when a line stopped the load; the values read before it stay.
    std::optional<std::string> error;
};

// Reads the lines of a script over `previous`: a directive sets its value, the others stay.
// `fileName` is the script value until a load directive names another file.
BotLoad ReadBotScript(const std::vector<std::string>& lines, const std::string& fileName, BotValues previous);

// The seven lines the information window shows after a successful load.
std::vector<std::string> BotInformation(const BotValues& values);

}  // namespace nb
