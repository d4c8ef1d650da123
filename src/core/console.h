// The operator's side of the program: message boxes, questions, prompts and log boxes.
// The terminal front end prints them; the web console implements the same calls.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace nb {

enum class LogBox { Status, RawTraffic };

class Console {
public:
    virtual ~Console() = default;
    virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
    virtual bool AskYesNo(const std::string& title, const std::string& question) = 0;
    virtual std::optional<std::string> PromptInput(const std::string& title, const std::string& prompt,
                                                   const std::string& defaultValue) = 0;
    virtual void AppendLogText(LogBox box, const std::string& text) = 0;
};

// Prints to a stream. Questions are asked only when standard input is a terminal;
// otherwise nobody is there to answer, so the answer is "No" (or no input).
class TerminalConsole : public Console {
public:
    TerminalConsole(std::ostream& out, bool showRawTraffic);
    void ShowMessage(const std::string& title, const std::string& text) override;
    bool AskYesNo(const std::string& title, const std::string& question) override;
    std::optional<std::string> PromptInput(const std::string& title, const std::string& prompt,
                                           const std::string& defaultValue) override;
    void AppendLogText(LogBox box, const std::string& text) override;

private:
    std::ostream& out_;
    bool showRawTraffic_;
    bool interactive_;
};

}  // namespace nb
