#include "help/service_help.h"

#include <fstream>

#include "core/safe_path.h"
#include "core/text.h"
#include "help/help_files.h"

namespace nb {
namespace {

std::string HelpFileName(const HelpFiles& help, const std::string& topic) {
    if (topic.empty()) return "main.nb2";
    if (!help.aliasTopic.empty() && topic == help.aliasTopic) return help.aliasFile;
    return topic + ".nb2";
}

std::optional<std::filesystem::path> FindHelpFile(const std::filesystem::path& root, const HelpFiles& help,
                                                  const std::string& topic) {
    // The topic names a file: nothing that could leave the service's help folder.
    if (!topic.empty() && !IsPlainFileName(topic)) return std::nullopt;
    auto helpFolder = FindEntryIgnoringCase(root, "help");
    if (!helpFolder) return std::nullopt;
    auto serviceFolder = FindEntryIgnoringCase(*helpFolder, help.folder);
    if (!serviceFolder) return std::nullopt;
    return FileInFolder(*serviceFolder, HelpFileName(help, topic));
}

}  // namespace

ServiceHelp::ServiceHelp(const DataDirectory& data) : data_(data) {}

void ServiceHelp::SendServiceHelp(const ServiceVoice& voice, const UserRef& user, const std::string& topic) const {
    const HelpFiles& help = voice.Client().help;
    const std::string& serviceNick = voice.Nick();
    auto path = FindHelpFile(data_.Root(), help, topic);
    std::ifstream in;
    if (path) in.open(*path, std::ios::binary);
    if (!in.is_open()) {
        voice.Reply(user, Bold("Error") + ": Unknown command.  Please type: " + Bold("/msg " + serviceNick + " help"));
        return;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // The first empty line ends the text; nothing after it is sent.
        if (line.empty()) return;
        voice.Reply(user, ReplacePlaceholder(line, help.placeholder, serviceNick));
    }
    if (!in.eof()) return;  // a read error cut the text short
    voice.Audit(user.nick, "HELP [Success]");
}

}  // namespace nb
