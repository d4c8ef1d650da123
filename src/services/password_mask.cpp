#include "services/password_mask.h"

#include <algorithm>

#include "core/text.h"
#include "services/command_table.h"

namespace nb {
namespace {

constexpr const char* kMask = "******";

struct Span {
    std::size_t start;
    std::size_t length;
};

const std::vector<std::size_t>* PositionsOf(const ServiceClient& client, const std::string& command) {
    for (const PasswordWords& entry : client.passwordWords) {
        if (IEquals(entry.command, command)) return &entry.positions;
    }
    return nullptr;
}

// The words as the command parser reads them: cut at single blanks, each trimmed of blanks and
// tabs (an empty word keeps its place).
std::vector<Span> ParserWords(const std::string& text) {
    std::vector<Span> words;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = std::min(text.find(' ', start), text.size());
        std::size_t first = start;
        std::size_t last = end;
        while (first < last && text[first] == '\t') ++first;
        while (last > first && text[last - 1] == '\t') --last;
        words.push_back({first, last - first});
        if (end == text.size()) break;
        start = end + 1;
    }
    return words;
}

// The runs of text between blanks, tabs and other control characters: a password that the
// parser would not read as a word (typed after a tab, say) is still a word here.
std::vector<Span> Tokens(const std::string& text) {
    std::vector<Span> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsWordBreak(text[i])) ++i;
        std::size_t start = i;
        while (i < text.size() && !IsWordBreak(text[i])) ++i;
        if (i > start) tokens.push_back({start, i - start});
    }
    return tokens;
}

// Replaces the words at the command's password positions, the command being word 0.
std::string MaskWords(std::string text, const std::vector<Span>& words, const ServiceClient& client) {
    if (words.empty()) return text;
    const std::vector<std::size_t>* positions = PositionsOf(client, text.substr(words[0].start, words[0].length));
    if (positions == nullptr) return text;
    // From the last word back, so that earlier spans keep their places.
    for (std::size_t index = words.size(); index-- > 1;) {
        if (words[index].length == 0) continue;
        if (std::find(positions->begin(), positions->end(), index) == positions->end()) continue;
        text.replace(words[index].start, words[index].length, kMask);
    }
    return text;
}

// A command word the service answers: what follows it is known, and only its password words
// are secret. A client without a command table knows the commands whose passwords it masks.
bool IsKnownCommand(const ServiceClient& client, const std::string& word) {
    std::string lower = ToLower(word);
    if (client.commands != nullptr) return client.commands->Find(lower) != nullptr;
    return PositionsOf(client, lower) != nullptr;
}

bool IsHarmlessCtcp(const std::string& message) {
    std::string verb = ToLower(LeadingAlphanumerics(message.substr(1)));
    return verb == "version" || verb == "ping";
}

// A mistyped or unknown command may be a password typed in the wrong place: only its word
// shows, up to its first character that is not a letter or digit.
std::string MaskUnknown(const std::string& message) {
    std::string shown = LeadingAlphanumerics(message);
    if (shown.size() == message.size()) return shown;
    return shown.empty() ? std::string(kMask) : shown + " " + kMask;
}

std::string MaskMessage(const std::string& message, const ServiceClient* client) {
    if (!message.empty() && message[0] == '\x01') return IsHarmlessCtcp(message) ? message : MaskUnknown(message);
    std::vector<Span> words = ParserWords(message);
    if (client == nullptr || !IsKnownCommand(*client, message.substr(words[0].start, words[0].length)))
        return MaskUnknown(message);
    std::string masked = MaskWords(message, words, *client);
    return MaskWords(masked, Tokens(masked), *client);
}

// The service a message goes to; one of several targets ("NickServ,MemoServ") gives the
// service, but no command is known for such a message.
bool NamesService(const std::string& targets, const ServiceClients& clients, const ServiceClient*& single) {
    std::vector<std::string> named = SplitList(targets, ',');
    single = nullptr;
    bool any = false;
    for (const std::string& target : named) {
        if (const ServiceClient* client = clients.FindByTarget(target)) {
            any = true;
            if (named.size() == 1) single = client;
        }
    }
    return any;
}

}  // namespace

std::string MaskPasswords(const IrcLine& line, const ServiceClients& clients) {
    if (line.Is("PASS") && !line.params.empty()) {
        std::vector<std::string> params = line.params;
        params[0] = kMask;
        return IrcLine::Build(line.prefix, line.command, params, line.hasTrailing).text;
    }
    if (!line.Is("PRIVMSG") && !line.Is("NOTICE") && !line.Is("SQUERY")) return line.text;
    if (line.params.size() < 2) return line.text;
    const ServiceClient* client = nullptr;
    if (!NamesService(line.Param(0), clients, client)) return line.text;
    // The message is the last parameter, at the end of the line but for blanks.
    const std::string& message = line.LastParam();
    std::size_t start = line.text.rfind(message);
    if (start == std::string::npos) return line.text;
    return line.text.substr(0, start) + MaskMessage(message, client) + line.text.substr(start + message.size());
}

}  // namespace nb
