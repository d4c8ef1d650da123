#include "console/console_router.h"

namespace nb {

void ConsoleRouter::ShowMessage(const std::string& title, const std::string& text) {
    if (answering_ != nullptr) return answering_->ShowMessage(title, text);
    // Nobody asked: every front end is told.
    base_.ShowMessage(title, text);
    for (Console* other : others_) other->ShowMessage(title, text);
}

void ConsoleRouter::AskYesNo(const std::string& title, const std::string& question, YesNoAnswer answer) {
    Answering().AskYesNo(title, question, std::move(answer));
}

void ConsoleRouter::PromptInput(const std::string& title, const std::string& prompt, const std::string& defaultValue,
                                InputAnswer answer) {
    Answering().PromptInput(title, prompt, defaultValue, std::move(answer));
}

void ConsoleRouter::AppendLogText(LogBox box, const std::string& text) {
    base_.AppendLogText(box, text);
    for (Console* other : others_) other->AppendLogText(box, text);
}

void ConsoleRouter::ClearLogText(LogBox box) {
    base_.ClearLogText(box);
    for (Console* other : others_) other->ClearLogText(box);
}

}  // namespace nb
