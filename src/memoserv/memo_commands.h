// The MemoServ commands, each run for the user whose message is being handled.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/text.h"

namespace nb {

class Services;

// The user whose MemoServ message is being handled, with the two ways of answering.
struct MemoSender {
    Services& services;
    std::size_t slot;
    std::string nick;

    void Reply(const std::string& text) const;
    // "[^B<nick>^B] " + text, to the Bot Channel.
    void Audit(const std::string& text) const;
};

// The message split at single blanks (two blanks give an empty word), and the text itself.
struct MemoMessage {
    std::string text;
    std::vector<std::string> words;

    explicit MemoMessage(const std::string& message);
    std::string Word(std::size_t index) const;
    // Everything after word `index`, trimmed; blanks inside are kept.
    std::string RestAfter(std::size_t index) const;
};

// Registered sender, (for send) registered recipient, identified sender. `name` is the
// command's name in the audit lines.
bool PassesMemoChecks(const MemoSender& sender, const std::string& name, const std::string* recipient = nullptr);

// What read, del and erase act on: every memo, or memo number `number`.
struct MemoChoice {
    bool all = false;
    double number = 0;
};
// nullopt when `which` is neither "all" (letter case ignored) nor a number.
std::optional<MemoChoice> ParseMemoChoice(const std::string& which);
// The table slot of the user's memo with that number, if the user has one.
std::optional<std::size_t> FindNumberedMemo(const std::vector<std::size_t>& userSlots, double number);

void SendMemo(const MemoSender& sender, const std::string& to, const std::string& text);
void ReadMemo(const MemoSender& sender, const std::string& which);
void DeleteMemo(const MemoSender& sender, const std::string& which);
void ListMemos(const MemoSender& sender);

}  // namespace nb
