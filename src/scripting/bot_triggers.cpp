#include "scripting/bot_triggers.h"

#include <cctype>

#include "core/datetime.h"
#include "core/text.h"

namespace nb {
namespace {

std::string ReplaceIgnoringCase(const std::string& text, const std::string& what, const std::string& with) {
    std::string lower = ToLower(text);
    std::string result;
    std::size_t from = 0;
    for (std::size_t at = lower.find(what); at != std::string::npos; at = lower.find(what, from)) {
        result.append(text, from, at - from);
        result += with;
        from = at + what.size();
    }
    return result + text.substr(from);
}

bool IsComment(const std::string& line) { return line.empty() || line[0] == '#'; }

// What an access line decides for the rest of its block.
enum class Access { Pass, Stop, Invalid };

// 0 everyone, 1 a sender identified with NickServ, 2 an operator logged in to OperServ; any
// other number ends the block, and a value that is no number is an error of the script. The
// value may end in ";" like every other line, so that a scan past the block does not take
// the line for a directive without one.
Access CheckAccess(std::string value, const TriggerSender& sender) {
    if (!value.empty() && value.back() == ';') value.pop_back();
    if (!IsDigits(value)) return Access::Invalid;
    long long level = ToNumber(value);
    if (level == 0) return Access::Pass;
    if (level == 1) return sender.identified ? Access::Pass : Access::Stop;
    if (level == 2) return sender.isOperator ? Access::Pass : Access::Stop;
    return Access::Stop;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::string ExpandBotVariables(const std::string& line, const BotValues& bot, TimePoint now) {
    std::string text = ReplaceIgnoringCase(line, "\\b", "\x02");
    text = ReplaceIgnoringCase(text, "\\u", "\x1f");
    for (const auto& [name, value] : {std::pair<std::string, std::string>{"$time", FormatTimeOfDay(now)},
                                      {"$date", FormatShortDate(now)}, {"$botnick", bot.nick},
                                      {"$botident", bot.ident}, {"$bothost", bot.host}, {"$botname", bot.name},
                                      {"$botscript", bot.script}})
        text = ReplaceIgnoringCase(text, name, value);
    return text;
}

TriggerRun RunBotTriggers(const std::vector<std::string>& lines, const CommandWords& words, const TriggerSender& sender,
                          const BotValues& bot, TimePoint now) {
    TriggerRun run;
    const std::string& command = words[0];
    int counted = 0;  // the lines the top-level scan read; a block's own lines are not counted
    std::size_t next = 0;
    while (next < lines.size()) {
        const std::string& line = lines[next++];
        ++counted;
        if (IsComment(line) || line.find(' ') == std::string::npos) continue;
        if (line.back() != ';' && line.find('{') == std::string::npos) {
            run.infoLines.push_back("*** Error executing command: (Line #: " + std::to_string(counted) +
                                    " [Missing a semi-colon])");
            return run;
        }
        if (ToLower(line.substr(0, line.find(' '))) != command) continue;
        // The block: up to a "}" (which ends the whole run), a msg line or a failed access line.
        while (next < lines.size()) {
            const std::string& blockLine = lines[next++];
            if (IsComment(blockLine)) continue;
            if (blockLine == "}") return run;
            std::string expanded = ExpandBotVariables(blockLine, bot, now);
            std::size_t blank = blockLine.find(' ');
            std::string keyword = expanded.substr(0, blank);
            if (keyword == "msg") {
                std::string rest = expanded.size() > 4 ? expanded.substr(4) : "";
                std::size_t quote = rest.find('\'');
                if (IContains(rest, "$nick") && quote != std::string::npos && rest.size() >= quote + 3)
                    run.messages.push_back(rest.substr(quote + 1, rest.size() - quote - 3));
                break;
            }
            if (keyword == "access") {
                Access access = CheckAccess(expanded.size() > 7 ? expanded.substr(7) : "", sender);
                if (access == Access::Pass) continue;
                if (access == Access::Invalid)
                    run.infoLines.push_back("*** Error in " + Upper(command) + ": (Line #: " + std::to_string(counted) +
                                            " [Invalid ACCESS params.]");
                break;
            }
        }
    }
    return run;
}

}  // namespace nb
