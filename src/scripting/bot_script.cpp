#include "scripting/bot_script.h"

namespace nb {
namespace {

// The two texts differ in their closing brackets, as the bot information window has always shown them.
std::string LoadError(int line, const std::string& what) {
    return "*** Error loading script: (Line #: " + std::to_string(line) + " [" + what;
}

}  // namespace

BotLoad ReadBotScript(const std::vector<std::string>& lines, const std::string& fileName, BotValues previous) {
    BotLoad load{std::move(previous), std::nullopt};
    BotValues& bot = load.values;
    bot.script = fileName;
    int number = 0;
    for (const std::string& line : lines) {
        ++number;
        if (line.empty() || line[0] == '#') continue;
        if (line.back() != ';') {
            load.error = LoadError(number, "Missing a semi-colin])");
            return load;
        }
        std::size_t blank = line.find(' ');
        if (blank == std::string::npos) continue;  // no value to set
        std::string keyword = line.substr(0, blank);
        std::string value = line.substr(blank + 1, line.size() - blank - 2);
        if (keyword == "set") {
            std::size_t space = value.find(' ');
            std::string what = value.substr(0, space);
            std::string setting = space == std::string::npos ? "" : value.substr(space + 1);
            if (what == "modes") {
                bot.modes = setting;
            } else if (what == "access") {
                bot.access = setting;
            } else {
                load.error = LoadError(number, "Invalid 'set' command]");
                return load;
            }
        }
        if (keyword == "nick") bot.nick = value;
        if (keyword == "ident") bot.ident = value;
        if (keyword == "host") bot.host = value;
        if (keyword == "name") bot.name = value;
        if (keyword == "load") bot.script = value;
        if (keyword == "version") bot.version = value;
    }
    return load;
}

std::vector<std::string> BotInformation(const BotValues& bot) {
    return {"*** Script successfully loaded.",
            "*** Nickname: " + bot.nick,
            "*** Full Host: " + bot.ident + "@" + bot.host,
            "*** Realname: " + bot.name,
            "*** Default Modes: " + bot.modes,
            "*** Access: " + bot.access,
            "*** Version: " + bot.version};
}

}  // namespace nb
