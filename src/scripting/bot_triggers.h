// A bot's trigger file: blocks opened by a command word ("hello {") whose lines answer the
// sender ("msg $nick 'Hi $nick!';") or check who the sender is ("access 1").
#pragma once

#include <string>
#include <vector>

#include "core/clock.h"
#include "scripting/bot_script.h"
#include "services/command_words.h"

namespace nb {

// Who sent the message, as the access lines ask it.
struct TriggerSender {
    bool identified = false;  // with NickServ, to the nick in use
    bool isOperator = false;  // logged in to OperServ
};

struct TriggerRun {
    std::vector<std::string> messages;   // to the sender, in order
    std::vector<std::string> infoLines;  // for the bot's information window
};

// "\b" and "\u" become bold and underline, then $time, $date, $botnick, $botident, $bothost,
// $botname and $botscript their values (letter case ignored); "$nick" stays.
std::string ExpandBotVariables(const std::string& line, const BotValues& bot, TimePoint now);

// Every block whose opener is word 0 of the message (as sent: only lower case answers), in
// file order.
TriggerRun RunBotTriggers(const std::vector<std::string>& lines, const CommandWords& words, const TriggerSender& sender,
                          const BotValues& bot, TimePoint now);

}  // namespace nb
