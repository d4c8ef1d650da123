#include "core/console.h"

#include <unistd.h>

#include <iostream>

namespace nb {

TerminalConsole::TerminalConsole(std::ostream& out, bool showRawTraffic)
    : out_(out), showRawTraffic_(showRawTraffic), interactive_(isatty(STDIN_FILENO) != 0) {}

void TerminalConsole::ShowMessage(const std::string& title, const std::string& text) {
    out_ << "[" << title << "] " << text << std::endl;
}

bool TerminalConsole::AskYesNo(const std::string& title, const std::string& question) {
    out_ << "[" << title << "] " << question << " (y/N) " << std::flush;
    if (!interactive_) {
        out_ << "No (no terminal to ask)" << std::endl;
        return false;
    }
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

std::optional<std::string> TerminalConsole::PromptInput(const std::string& title, const std::string& prompt,
                                                        const std::string& defaultValue) {
    out_ << "[" << title << "] " << prompt << " [" << defaultValue << "] " << std::flush;
    if (!interactive_) {
        out_ << "(no terminal to ask)" << std::endl;
        return std::nullopt;
    }
    std::string answer;
    if (!std::getline(std::cin, answer)) return std::nullopt;
    return answer.empty() ? defaultValue : answer;
}

void TerminalConsole::AppendLogText(LogBox box, const std::string& text) {
    if (box == LogBox::RawTraffic && !showRawTraffic_) return;
    out_ << (box == LogBox::RawTraffic ? "<< " : "") << text << std::endl;
}

}  // namespace nb
