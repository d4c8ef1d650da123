#include "services/password_mask.h"

#include <algorithm>

#include "core/text.h"

namespace nb {
namespace {

const std::vector<std::size_t>* PositionsOf(const ServiceClient& client, const std::string& command) {
    for (const PasswordWords& entry : client.passwordWords) {
        if (IEquals(entry.command, command)) return &entry.positions;
    }
    return nullptr;
}

}  // namespace

std::string MaskPasswords(const IrcLine& line, const ServiceClients& clients) {
    if (!line.hasTrailing || line.params.size() < 2) return line.text;
    if (!line.Is("PRIVMSG") && !line.Is("NOTICE")) return line.text;
    const ServiceClient* client = clients.FindByTarget(line.Param(0));
    if (client == nullptr) return line.text;
    std::vector<std::string> words = SplitWords(line.LastParam());
    auto command = std::find_if(words.begin(), words.end(), [](const std::string& word) { return !word.empty(); });
    const std::vector<std::size_t>* positions = command == words.end() ? nullptr : PositionsOf(*client, *command);
    if (positions == nullptr) return line.text;
    // Count only non-empty words: a doubled blank must not let a password slip through.
    std::size_t field = 0;
    for (auto& word : words) {
        if (word.empty()) continue;
        if (std::find(positions->begin(), positions->end(), field) != positions->end()) word = "******";
        ++field;
    }
    // The trailing text is the last thing on the line.
    std::size_t textStart = line.text.size() - line.LastParam().size();
    return line.text.substr(0, textStart) + JoinWords(words, 0);
}

}  // namespace nb
