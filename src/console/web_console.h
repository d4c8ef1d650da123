// The browser's side of the console: message boxes, questions and prompts wait as dialogs until
// the page answers them, and the log boxes are kept for the page to fetch.
#pragma once

#include <boost/json/value.hpp>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "core/console.h"

namespace nb {

class WebConsole : public Console {
public:
    static constexpr std::size_t kKeptLogLines = 2000;

    void ShowMessage(const std::string& title, const std::string& text) override;
    void AskYesNo(const std::string& title, const std::string& question, YesNoAnswer answer) override;
    void PromptInput(const std::string& title, const std::string& prompt, const std::string& defaultValue,
                     InputAnswer answer) override;
    void AppendLogText(LogBox box, const std::string& text) override;
    void ClearLogText(LogBox box) override;

    // The page's answer to dialog `id`: "yes"/"no" to a question, the text (or nothing: Cancel)
    // to a prompt, anything to a message. False when no such dialog waits.
    bool Answer(std::uint64_t id, const std::optional<std::string>& answer);
    // The dialogs waiting, oldest first.
    boost::json::array Dialogs() const;
    // The log lines after number `since` (each with its number, box and text).
    boost::json::array LogLinesAfter(std::uint64_t since) const;

private:
    struct Dialog {
        std::string kind;  // "message", "yesno" or "input"
        std::string title, text, defaultValue;
        std::function<void(const std::optional<std::string>&)> answer;
    };
    struct LogLine {
        std::uint64_t number;
        LogBox box;
        std::string text;
        bool clears = false;
    };
    std::uint64_t Add(Dialog dialog);

    std::map<std::uint64_t, Dialog> dialogs_;
    std::uint64_t nextDialog_ = 1;
    std::deque<LogLine> log_;
    std::uint64_t nextLine_ = 1;
};

}  // namespace nb
