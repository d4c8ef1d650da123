#include "chanserv/channel_record.h"

#include <algorithm>
#include <climits>

#include "core/text.h"

namespace nb {
namespace {

// Texts that are sent to the network later (a greet to each user who joins, the topic) stay
// well within the IRC line limit together with a long nick and channel name.
constexpr std::size_t kMaxSentTextBytes = 350;

struct FieldRule {
    ChannelField field;
    const char* label;
    // What the field may not hold, as the refusal names it.
    const char* breaks;
    std::size_t maxBytes;  // 0: no limit of its own
};

constexpr FieldRule kFieldRules[] = {
    {ChannelField::Name, "channel name", "blanks", 0},
    {ChannelField::Password, "password", "blanks", 0},
    {ChannelField::Email, "e-mail address", "blanks", 0},
    {ChannelField::Description, "description", "\x02) [\x02", kMaxSentTextBytes},
    {ChannelField::Modes, "mode", "\x02] [\x02", 0},
    {ChannelField::Topic, "topic", "\x02] {\x02", kMaxSentTextBytes},
    {ChannelField::Greet, "greeting", "line breaks", kMaxSentTextBytes},
};

const FieldRule& RuleOf(ChannelField field) {
    for (const FieldRule& rule : kFieldRules) {
        if (rule.field == field) return rule;
    }
    return kFieldRules[0];
}

}  // namespace

std::optional<FieldRefusal> RefusalOf(ChannelField field, const std::string& value) {
    const FieldRule& rule = RuleOf(field);
    // Sent to the network later, in a line of its own: it must leave room for the rest of it.
    if (rule.maxBytes > 0 && value.size() > rule.maxBytes)
        return FieldRefusal{"The " + std::string(rule.label) + " is too long (at most " + std::to_string(rule.maxBytes) + " bytes).", true};
    // A control character would reach the file and every line that shows the value.
    if (!HasOnlyFormattingControls(value)) return FieldRefusal{"The " + std::string(rule.label) + " cannot contain control characters."};
    if (!ChannelFieldHolds(field, value)) return FieldRefusal{"The " + std::string(rule.label) + " cannot contain " + rule.breaks + "."};
    return std::nullopt;
}

namespace {

constexpr std::string_view kDescriptionEnd = ") [";
constexpr std::string_view kModesEnd = "] [";
constexpr std::string_view kTopicEnd = "] {";

// The rest up to the first blank; the rest then continues after that blank. Without a blank
// the word is the whole rest.
std::string_view TakeWord(std::string_view& rest) {
    std::size_t blank = rest.find(' ');
    std::string_view word = rest.substr(0, blank);
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
    return word;
}

std::string_view TrimBlanks(std::string_view text) {
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Older releases: the text after the opening character up to the first `closer`; the rest
// continues `skip` characters after the closer. Without a closer the value is all the rest.
std::string_view TakeToFirst(std::string_view& rest, char closer, std::size_t skip) {
    std::size_t close = rest.find(closer);
    if (close == std::string_view::npos) {
        std::string_view value = rest.empty() ? rest : rest.substr(1);
        rest = {};
        return value;
    }
    std::string_view value = close == 0 ? std::string_view() : rest.substr(1, close - 1);
    rest = rest.substr(std::min(close + skip, rest.size()));
    return value;
}

void AssignTail(RegisteredChannel& record, std::string_view registeredOn, std::string_view topicLock,
                std::string_view modeLock, std::string_view autoGreet) {
    record.registeredOn = registeredOn;
    record.topicLock = topicLock == "1";
    record.modeLock = modeLock == "1";
    record.autoGreet = autoGreet == "1";
}

// The four one-word fields at the start.
bool TakeLeadingWords(std::string_view& rest, RegisteredChannel& record) {
    for (std::string* word : {&record.name, &record.password, &record.founder, &record.email}) {
        std::size_t blank = rest.find(' ');
        if (blank == std::string_view::npos) return false;
        *word = rest.substr(0, blank);
        rest.remove_prefix(blank + 1);
    }
    return true;
}

// The line as this release writes it; nullopt when it lacks one of the layout's marks.
std::optional<RegisteredChannel> ParseShapedLine(std::string_view line) {
    std::string_view head = line;
    std::array<std::string_view, 4> tail;
    for (std::size_t i = tail.size(); i-- > 0;) {
        std::size_t blank = head.rfind(' ');
        if (blank == std::string_view::npos) return std::nullopt;
        tail[i] = head.substr(blank + 1);
        head = head.substr(0, blank);
    }
    if (head.empty() || head.back() != '}') return std::nullopt;
    head.remove_suffix(1);

    RegisteredChannel record;
    std::string_view rest = head;
    if (!TakeLeadingWords(rest, record) || rest.empty() || rest.front() != '(') return std::nullopt;
    rest.remove_prefix(1);
    for (auto [field, end] : {std::pair{&record.description, kDescriptionEnd}, std::pair{&record.modes, kModesEnd},
                              std::pair{&record.topic, kTopicEnd}}) {
        std::size_t close = rest.find(end);
        if (close == std::string_view::npos) return std::nullopt;
        *field = rest.substr(0, close);
        rest.remove_prefix(close + end.size());
    }
    record.greet = rest;
    AssignTail(record, tail[0], tail[1], tail[2], tail[3]);
    return record;
}

// Every field read from the left, each bracketed one up to its first closing character.
RegisteredChannel ParseOldLine(std::string_view line) {
    RegisteredChannel record;
    std::string_view rest = line;
    record.name = TakeWord(rest);
    record.password = TakeWord(rest);
    record.founder = TakeWord(rest);
    record.email = TakeWord(rest);
    record.description = TakeToFirst(rest, ')', 1);
    rest = TrimBlanks(rest);
    record.modes = TakeToFirst(rest, ']', 1);
    rest = TrimBlanks(rest);
    record.topic = TakeToFirst(rest, ']', 2);
    record.greet = TakeToFirst(rest, '}', 2);
    std::string_view registeredOn = TakeWord(rest);
    std::string_view topicLock = TakeWord(rest);
    std::string_view modeLock = TakeWord(rest);
    AssignTail(record, registeredOn, topicLock, modeLock, rest);
    return record;
}

bool HoldsLineBreak(std::string_view value) { return value.find_first_of("\r\n") != std::string_view::npos; }

bool IsOneWord(std::string_view value) { return value.find(' ') == std::string_view::npos && !HoldsLineBreak(value); }

}  // namespace

bool HasCoOwner(const RegisteredChannel& record, std::string_view nick) {
    return std::any_of(record.coOwners.begin(), record.coOwners.end(),
                       [&](const std::string& coOwner) { return IEquals(coOwner, nick); });
}

std::string FormatChannelLine(const RegisteredChannel& record) {
    std::string line;
    AppendChannelLine(line, record);
    return line;
}

void AppendChannelLine(std::string& out, const RegisteredChannel& record) {
    for (std::string_view part :
         {std::string_view(record.name), std::string_view(" "), std::string_view(record.password),
          std::string_view(" "), std::string_view(record.founder), std::string_view(" "),
          std::string_view(record.email), std::string_view(" ("), std::string_view(record.description),
          std::string_view(") ["), std::string_view(record.modes), std::string_view("] ["),
          std::string_view(record.topic), std::string_view("] {"), std::string_view(record.greet),
          std::string_view("} "), std::string_view(record.registeredOn), std::string_view(record.topicLock ? " 1" : " 0"),
          std::string_view(record.modeLock ? " 1" : " 0"), std::string_view(record.autoGreet ? " 1\r\n" : " 0\r\n")}) {
        out += part;
    }
}

RegisteredChannel ParseChannelLine(std::string_view line) {
    if (std::optional<RegisteredChannel> record = ParseShapedLine(line)) return std::move(*record);
    return ParseOldLine(line);
}

std::string FormatAccessLine(const ChannelAccessEntry& entry) {
    std::string line;
    AppendAccessLine(line, entry);
    return line;
}

void AppendAccessLine(std::string& out, const ChannelAccessEntry& entry) {
    for (std::string_view part :
         {std::string_view(entry.channel), std::string_view(" "), std::string_view(entry.nick), std::string_view(" "),
          std::string_view(entry.accessHosts[0]), std::string_view(" "), std::string_view(entry.accessHosts[1]),
          std::string_view(" "), std::string_view(entry.accessHosts[2]), std::string_view(" ")}) {
        out += part;
    }
    out += std::to_string(entry.level);
    out += "\r\n";
}

ChannelAccessEntry ParseAccessLine(std::string_view line) {
    ChannelAccessEntry entry;
    std::string_view rest = line;
    entry.channel = TakeWord(rest);
    entry.nick = TakeWord(rest);
    for (std::string& host : entry.accessHosts) host = TakeWord(rest);
    entry.level = static_cast<int>(std::clamp<long long>(ToNumber(rest), INT_MIN, INT_MAX));
    return entry;
}

bool ChannelFieldHolds(ChannelField field, std::string_view value) {
    if (HoldsLineBreak(value)) return false;
    switch (field) {
        case ChannelField::Name: return !value.empty() && IsOneWord(value);
        case ChannelField::Password:
        case ChannelField::Founder:
        case ChannelField::Email:
        case ChannelField::RegisteredOn: return IsOneWord(value);
        case ChannelField::Description: return value.find(kDescriptionEnd) == std::string_view::npos;
        case ChannelField::Modes: return value.find(kModesEnd) == std::string_view::npos;
        case ChannelField::Topic: return value.find(kTopicEnd) == std::string_view::npos;
        case ChannelField::Greet: return true;
    }
    return false;
}

std::optional<ChannelField> UnstorableChannelField(const RegisteredChannel& record) {
    for (auto [field, value] :
         {std::pair{ChannelField::Name, &record.name}, std::pair{ChannelField::Password, &record.password},
          std::pair{ChannelField::Founder, &record.founder}, std::pair{ChannelField::Email, &record.email},
          std::pair{ChannelField::Description, &record.description}, std::pair{ChannelField::Modes, &record.modes},
          std::pair{ChannelField::Topic, &record.topic}, std::pair{ChannelField::Greet, &record.greet},
          std::pair{ChannelField::RegisteredOn, &record.registeredOn}}) {
        if (!ChannelFieldHolds(field, *value)) return field;
    }
    return std::nullopt;
}

bool AccessEntryStorable(const ChannelAccessEntry& entry) {
    return !entry.channel.empty() && IsOneWord(entry.channel) && IsOneWord(entry.nick) &&
           std::all_of(entry.accessHosts.begin(), entry.accessHosts.end(), IsOneWord);
}

}  // namespace nb
