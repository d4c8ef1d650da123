#include "operserv/oper_database.h"

#include <algorithm>

#include "core/files.h"
#include "core/text.h"
#include "core/version.h"

namespace nb {
namespace {

const CommandLevel kDefaultLevels[] = {
    {"mode", 200},     {"op", 200},        {"deop", 200},     {"masskill", 200},  {"invite", 200}, {"kick", 200},
    {"login", 0},      {"kill", 200},      {"match", 200},    {"help", 1},        {"whois", 200},  {"raw", 450},
    {"die", 500},      {"massop", 200},    {"massdeop", 200}, {"chaninfo", 200},  {"broadcast", 200},
    {"users", 200},    {"uptime", 200},    {"jupe", 200},     {"netstats", 200},  {"override", 450},
};

// The lines of the file up to its first empty one.
std::vector<std::string> RecordLines(const std::filesystem::path& file) {
    std::vector<std::string> lines = ReadTextLines(file);
    lines.erase(std::find(lines.begin(), lines.end(), std::string()), lines.end());
    return lines;
}

}  // namespace

OperDatabase::OperDatabase(const DataDirectory& data, GroupCommit& commit, Settings& settings)
    : commit_(commit),
      settings_(settings),
      operatorTable_{data.Path("OperServ/OperServ.nb2"),
                     [this](std::string& text) {
                         for (const OperatorEntry& entry : operators_) AppendOperatorLine(text, entry);
                         return std::string_view(text);
                     },
                     [this] { LoadOperators(); }},
      levelTable_{data.Path("OperServ/Commands.nb2"),
                  [this](std::string& text) {
                      for (const CommandLevel& command : levels_) AppendCommandLevelLine(text, command);
                      return std::string_view(text);
                  },
                  [this] { LoadCommandLevels(); }} {}

void OperDatabase::LoadOperators() {
    std::vector<OperatorEntry> previous = std::move(operators_);
    operators_.clear();
    for (const std::string& line : RecordLines(operatorTable_.file)) {
        OperatorEntry entry = ParseOperatorLine(line);
        auto before = std::find_if(previous.begin(), previous.end(),
                                   [&](const OperatorEntry& old) { return IEquals(old.nick, entry.nick); });
        if (before != previous.end()) {
            entry.loggedInUser = before->loggedInUser;
            previous.erase(before);  // one operator's login goes to one entry
        }
        operators_.push_back(std::move(entry));
    }
}

void OperDatabase::LoadCommandLevels() {
    levels_.clear();
    for (const std::string& line : RecordLines(levelTable_.file)) levels_.push_back(ParseCommandLevelLine(line));
}

void OperDatabase::InstallDefaultCommandLevels() {
    if (settings_.Get("General", "Version", "") != kVersion) ResetCommandLevels();
}

bool OperDatabase::ResetCommandLevels() {
    std::size_t count = std::size(kDefaultLevels);
    if (levels_.size() < count) levels_.resize(count);
    std::copy(std::begin(kDefaultLevels), std::end(kDefaultLevels), levels_.begin());
    bool saved = CommandLevelsChanged();
    settings_.Set("General", "Version", kVersion);
    return commit_.Changed(settings_.Table()) && saved;
}

OperatorEntry* OperDatabase::FindOperator(std::string_view nick) {
    auto found = std::find_if(operators_.begin(), operators_.end(),
                              [&](const OperatorEntry& entry) { return IEquals(entry.nick, nick); });
    return found == operators_.end() ? nullptr : &*found;
}

const OperatorEntry* OperDatabase::FindOperator(std::string_view nick) const {
    return const_cast<OperDatabase*>(this)->FindOperator(nick);
}

std::optional<int> OperDatabase::LevelOf(std::string_view command) const {
    for (const CommandLevel& level : levels_) {
        if (IEquals(level.name, command)) return level.level;
    }
    return std::nullopt;
}

}  // namespace nb
