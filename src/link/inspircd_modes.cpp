#include "link/inspircd_modes.h"

#include "core/text.h"

namespace nb {
namespace {

// How the classic side counts parameters for a letter InspIRCd does not know.
bool ClassicTakesParameter(char letter, bool adding) {
    return std::string_view("beIkovhaq").find(letter) != std::string_view::npos || (adding && letter == 'l');
}

// "type:...:name=[prefix]letter" -> the type and the letter; nullopt when malformed.
std::optional<std::pair<std::string, char>> ParseModeToken(std::string_view token) {
    std::size_t colon = token.find(':');
    std::size_t equals = token.rfind('=');
    if (colon == std::string_view::npos || equals == std::string_view::npos || equals + 1 >= token.size())
        return std::nullopt;
    return std::make_pair(std::string(token.substr(0, colon)), token.back());
}

}  // namespace

InspircdModes::InspircdModes()
    : channel_{{'b', Kind::List},   {'k', Kind::Param},  {'l', Kind::ParamOnSet}, {'o', Kind::Status},
               {'v', Kind::Status}, {'i', Kind::Simple}, {'m', Kind::Simple},     {'n', Kind::Simple},
               {'p', Kind::Simple}, {'s', Kind::Simple}, {'t', Kind::Simple}},
      userSimple_("iow") {}

void InspircdModes::LearnChannelModes(std::string_view list) {
    std::map<char, Kind> learned;
    for (const std::string& token : SplitFields(list)) {
        auto parsed = ParseModeToken(token);
        if (!parsed) continue;
        const std::string& type = parsed->first;
        Kind kind = type == "list" ? Kind::List
                    : type == "param" ? Kind::Param
                    : type == "param-set" ? Kind::ParamOnSet
                    : type == "prefix" ? Kind::Status
                                       : Kind::Simple;
        learned[parsed->second] = kind;
    }
    if (!learned.empty()) channel_ = std::move(learned);
}

void InspircdModes::LearnUserModes(std::string_view list) {
    std::string simple;
    for (const std::string& token : SplitFields(list)) {
        auto parsed = ParseModeToken(token);
        if (parsed && parsed->first == "simple") simple += parsed->second;
    }
    if (!simple.empty()) userSimple_ = simple;
}

std::optional<std::vector<std::string>> InspircdModes::ChannelChange(
    const std::vector<std::string>& words,
    const std::function<std::optional<std::string>(const std::string&)>& idOfNick) const {
    if (words.empty()) return std::nullopt;
    std::string letters;
    std::vector<std::string> parameters;
    bool adding = true;
    char writtenSign = 0;
    std::size_t next = 1;
    for (char letter : words[0]) {
        if (letter == '+' || letter == '-') {
            adding = letter == '+';
            continue;
        }
        auto known = channel_.find(letter);
        bool takes = known == channel_.end() ? ClassicTakesParameter(letter, adding)
                                             : known->second == Kind::Param || known->second == Kind::List ||
                                                   known->second == Kind::Status ||
                                                   (adding && known->second == Kind::ParamOnSet);
        std::optional<std::string> parameter;
        if (takes && next < words.size()) parameter = words[next++];
        if (known == channel_.end()) continue;
        if (takes && !parameter) {
            // Taking a key off needs a key; InspIRCd takes any from a server.
            if (letter != 'k' || adding) continue;
            parameter = "*";
        }
        if (known->second == Kind::Status) {
            parameter = idOfNick(*parameter);
            if (!parameter) continue;
        }
        char sign = adding ? '+' : '-';
        if (writtenSign != sign) letters += sign;
        writtenSign = sign;
        letters += letter;
        if (parameter) parameters.push_back(*parameter);
    }
    if (letters.empty()) return std::nullopt;
    parameters.insert(parameters.begin(), letters);
    return parameters;
}

std::string InspircdModes::UserChange(std::string_view modes, std::string_view except) const {
    std::string kept;
    char sign = '+';
    char writtenSign = 0;
    for (char letter : modes) {
        if (letter == '+' || letter == '-') {
            sign = letter;
            continue;
        }
        if (userSimple_.find(letter) == std::string::npos || except.find(letter) != std::string_view::npos) continue;
        if (writtenSign != sign) kept += sign;
        writtenSign = sign;
        kept += letter;
    }
    return kept;
}

}  // namespace nb
