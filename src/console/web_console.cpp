#include "console/web_console.h"

#include <boost/json.hpp>

namespace nb {
namespace {

const char* BoxName(LogBox box) {
    static const char* const kNames[] = {"status", "raw", "botinfo", "web", "backup", "update", "oper", "net", "audit"};
    return kNames[static_cast<int>(box)];
}

}  // namespace

std::uint64_t WebConsole::Add(Dialog dialog) {
    dialogs_.emplace(nextDialog_, std::move(dialog));
    return nextDialog_++;
}

void WebConsole::ShowMessage(const std::string& title, const std::string& text) {
    Add({"message", title, text, "", [](const std::optional<std::string>&) {}});
}

void WebConsole::AskYesNo(const std::string& title, const std::string& question, YesNoAnswer answer) {
    Add({"yesno", title, question, "", [answer](const std::optional<std::string>& given) { answer(given == "yes"); }});
}

void WebConsole::PromptInput(const std::string& title, const std::string& prompt, const std::string& defaultValue,
                             InputAnswer answer) {
    Add({"input", title, prompt, defaultValue, [answer](const std::optional<std::string>& given) { answer(given); }});
}

void WebConsole::AppendLogText(LogBox box, const std::string& text) {
    log_.push_back({nextLine_++, box, text});
    if (log_.size() > kKeptLogLines) log_.pop_front();
}

void WebConsole::ClearLogText(LogBox box) {
    log_.push_back({nextLine_++, box, "", true});
    if (log_.size() > kKeptLogLines) log_.pop_front();
}

bool WebConsole::Answer(std::uint64_t id, const std::optional<std::string>& answer) {
    auto found = dialogs_.find(id);
    if (found == dialogs_.end()) return false;
    auto respond = std::move(found->second.answer);
    dialogs_.erase(found);
    respond(answer);  // may open the next dialog
    return true;
}

boost::json::array WebConsole::Dialogs() const {
    boost::json::array all;
    for (const auto& [id, dialog] : dialogs_)
        all.push_back({{"id", id}, {"kind", dialog.kind}, {"title", dialog.title}, {"text", dialog.text},
                       {"default", dialog.defaultValue}});
    return all;
}

boost::json::array WebConsole::LogLinesAfter(std::uint64_t since) const {
    boost::json::array lines;
    for (const LogLine& line : log_)
        if (line.number > since)
            lines.push_back({{"n", line.number}, {"box", BoxName(line.box)}, {"text", line.text}, {"clears", line.clears}});
    return lines;
}

}  // namespace nb
