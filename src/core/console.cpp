#include "core/console.h"

#include <unistd.h>

#include <iostream>

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
        answer(false);
        return;
    }
    std::string typed;
    bool yes = std::getline(std::cin, typed) && (typed == "y" || typed == "Y" || typed == "yes" || typed == "Yes");
    answer(yes);
}

void TerminalConsole::PromptInput(const std::string& title, const std::string& prompt, const std::string& defaultValue,
                                  InputAnswer answer) {
    out_ << "[" << title << "] " << prompt << " [" << defaultValue << "] " << std::flush;
    if (!interactive_) {
        out_ << "(no terminal to ask)" << std::endl;
        answer(std::nullopt);
        return;
    }
    std::string typed;
    if (!std::getline(std::cin, typed)) {
        answer(std::nullopt);
        return;
    }
    answer(typed.empty() ? defaultValue : typed);
}

void TerminalConsole::AppendLogText(LogBox box, const std::string& text) {
    if (box == LogBox::RawTraffic && !showRawTraffic_) return;
    const char* lead = box == LogBox::RawTraffic ? "<< " : box == LogBox::BotInfo ? "[bot] " : box == LogBox::WebServer ? "[web] " : "";
    out_ << lead << PlainText(text) << std::endl;
}

}  // namespace nb
