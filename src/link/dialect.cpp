#include "link/dialect.h"

#include "link/inspircd_dialect.h"
#include "link/ngircd_dialect.h"
#include "core/text.h"

namespace nb {

std::unique_ptr<Dialect> MakeDialect(std::string_view protocolName) {
    if (IEquals(protocolName, "classic")) return std::make_unique<ClassicDialect>();
    if (IEquals(protocolName, "ngircd")) return std::make_unique<NgircdDialect>();
    if (IEquals(protocolName, "inspircd")) return std::make_unique<InspircdDialect>();
    return nullptr;
}

std::vector<std::string> WordsFrom(const IrcLine& line, std::size_t first) {
    std::vector<std::string> words;
    for (std::size_t i = first; i < line.params.size(); ++i) {
        for (auto& word : SplitFields(line.params[i])) words.push_back(std::move(word));
    }
    return words;
}

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& word : words) text += " " + word;
    return text;
}

}  // namespace nb
