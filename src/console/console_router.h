// The console the services talk to, in front of the front ends: log lines go to every front
// end; a message, question or prompt goes to the front end whose operation is running (the
// terminal's, or the test's, when none is).
#pragma once

#include <vector>

#include "core/console.h"

namespace nb {

class ConsoleRouter : public Console {
public:
    explicit ConsoleRouter(Console& base) : base_(base) {}

    // Another front end that sees every log line and every message shown outside its operations.
    void AddFrontEnd(Console& frontEnd) { others_.push_back(&frontEnd); }
    // While `frontEnd` runs an operation (or answers one), its messages and questions go to it.
    void SetAnswering(Console* frontEnd) { answering_ = frontEnd; }

    void ShowMessage(const std::string& title, const std::string& text) override;
    void AskYesNo(const std::string& title, const std::string& question, YesNoAnswer answer) override;
    void PromptInput(const std::string& title, const std::string& prompt, const std::string& defaultValue,
                     InputAnswer answer) override;
    void AppendLogText(LogBox box, const std::string& text) override;
    void ClearLogText(LogBox box) override;

private:
    Console& Answering() { return answering_ != nullptr ? *answering_ : base_; }

    Console& base_;
    std::vector<Console*> others_;
    Console* answering_ = nullptr;
};

}  // namespace nb
