#include "core/console.h"

#include <unistd.h>

#include <iostream>
#include <utility>

#include "core/text.h"

namespace nb {

TerminalConsole::TerminalConsole(std::ostream& out, bool showRawTraffic)
    : out_(out), showRawTraffic_(showRawTraffic), interactive_(isatty(STDIN_FILENO) != 0) {}

void TerminalConsole::ShowMessage(const std::string& title, const std::string& text) {
    out_ << "[" << title << "] " << PlainText(text) << std::endl;
}

void TerminalConsole::AskYesNo(const std::string& title, const std::string& question, YesNoAnswer answer) {
    out_ << "[" << title << "] " << question << " (y/N) " << std::flush;
    if (!interactive_) {
        out_ << "No (no terminal to ask)" << std::endl;
        return answer(false);
    }
    waiting_ = [answer](const std::string& typed) { answer(typed == "y" || typed == "Y" || typed == "yes" || typed == "Yes"); };
}

void TerminalConsole::PromptInput(const std::string& title, const std::string& prompt, const std::string& defaultValue,
                                  InputAnswer answer) {
    out_ << "[" << title << "] " << prompt << " [" << defaultValue << "] " << std::flush;
    if (!interactive_) {
        out_ << "(no terminal to ask)" << std::endl;
        return answer(std::nullopt);
    }
    waiting_ = [answer, defaultValue](const std::string& typed) { answer(typed.empty() ? defaultValue : typed); };
}

bool TerminalConsole::Answer(const std::string& typed) {
    if (!waiting_) return false;
    // The answer may ask again: the next question waits for the next line.
    std::exchange(waiting_, nullptr)(typed);
    return true;
}

void TerminalConsole::AppendLogText(LogBox box, const std::string& text) {
    if (box == LogBox::RawTraffic && !showRawTraffic_) return;
    bool logChannel = box == LogBox::OperLog || box == LogBox::NetLog || box == LogBox::AuditLog;
    if (logChannel && !interactive_) return;
    static const char* const kLeads[] = {"", "<< ", "[bot] ", "[web] ", "[backup] ", "[update] ", "[oper] ", "[net] ", "[audit] "};
    out_ << kLeads[static_cast<int>(box)] << PlainText(text) << std::endl;
}

}  // namespace nb
