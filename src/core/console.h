// The operator's side of the program: message boxes, questions, prompts and log boxes.
// The terminal front end prints them; the web console implements the same calls.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

namespace nb {

// The console's log boxes: the program's status, the raw server traffic, the bot's information
// window, the web server's log, the backup status list, the update check's status, and the
// three log channels as the services write them (oper, net and the command audit).
enum class LogBox { Status, RawTraffic, BotInfo, WebServer, Backup, Update, OperLog, NetLog, AuditLog };

class Console {
public:
    using YesNoAnswer = std::function<void(bool yes)>;
    using InputAnswer = std::function<void(std::optional<std::string> input)>;

    virtual ~Console() = default;
    virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
    // The answer may come later, from another event of the loop: a caller never waits for it
    // and must not expect it before the call returns.
    virtual void AskYesNo(const std::string& title, const std::string& question, YesNoAnswer answer) = 0;
    virtual void PromptInput(const std::string& title, const std::string& prompt, const std::string& defaultValue,
                             InputAnswer answer) = 0;
    virtual void AppendLogText(LogBox box, const std::string& text) = 0;
    // Empties a log box (the bot's information window before a load).
    virtual void ClearLogText(LogBox /*box*/) {}
};

// Prints to a stream, in plain lines that read well in a journal too (no IRC formatting or other
// control characters). Questions are asked only when standard input is a terminal, and answered
// by the next line typed there (see `Answer`); otherwise nobody is there to answer, so the answer
// is "No" (or no input). The log channels' lines are shown only at a terminal.
class TerminalConsole : public Console {
public:
    TerminalConsole(std::ostream& out, bool showRawTraffic);
    void ShowMessage(const std::string& title, const std::string& text) override;
    void AskYesNo(const std::string& title, const std::string& question, YesNoAnswer answer) override;
    void PromptInput(const std::string& title, const std::string& prompt, const std::string& defaultValue,
                     InputAnswer answer) override;
    void AppendLogText(LogBox box, const std::string& text) override;

    bool Interactive() const { return interactive_; }
    // A line typed at the terminal answers the question or prompt waiting for it; false when
    // none waits.
    bool Answer(const std::string& typed);

private:
    std::ostream& out_;
    bool showRawTraffic_;
    bool interactive_;
    std::function<void(const std::string&)> waiting_;
};

}  // namespace nb
