#include "help/service_help.h"

#include <fstream>

#include "core/services.h"
#include "core/text.h"
#include "help/help_files.h"

namespace nb {
namespace {

struct HelpSet {
    const char* folder;
    const char* placeholder;
    const char* aliasTopic;  // typed exactly, letter case counts
    const char* aliasFile;
    std::string ServiceNames::*nickname;
};

const HelpSet& HelpSetOf(HelpService service) {
    static const HelpSet operServ{"operserv", "$osnick", "information", "info.nb2", &ServiceNames::operServ};
    static const HelpSet nickServ{"nickserv", "$nsnick", "identify", "ident.nb2", &ServiceNames::nickServ};
    static const HelpSet chanServ{"chanserv", "$csnick", nullptr, nullptr, &ServiceNames::chanServ};
    static const HelpSet memoServ{"memoserv", "$msnick", nullptr, nullptr, &ServiceNames::memoServ};
    switch (service) {
        case HelpService::OperServ: return operServ;
        case HelpService::NickServ: return nickServ;
        case HelpService::ChanServ: return chanServ;
        case HelpService::MemoServ: break;
    }
    return memoServ;
}

std::string HelpFileName(const HelpSet& set, const std::string& topic) {
    if (topic.empty()) return "main.nb2";
    if (set.aliasTopic != nullptr && topic == set.aliasTopic) return set.aliasFile;
    return topic + ".nb2";
}

std::optional<std::filesystem::path> FindHelpFile(const std::filesystem::path& root, const HelpSet& set,
                                                  const std::string& topic) {
    if (!IsSafeHelpTopic(topic)) return std::nullopt;
    auto helpFolder = FindEntryIgnoringCase(root, "help");
    if (!helpFolder) return std::nullopt;
    auto serviceFolder = FindEntryIgnoringCase(*helpFolder, set.folder);
    if (!serviceFolder) return std::nullopt;
    auto file = FindEntryIgnoringCase(*serviceFolder, HelpFileName(set, topic));
    std::error_code error;
    if (!file || !std::filesystem::is_regular_file(*file, error)) return std::nullopt;
    return file;
}

}  // namespace

ServiceHelp::ServiceHelp(Services& services) : services_(services) {}

void ServiceHelp::SendServiceHelp(HelpService service, std::size_t userSlot, const std::string& topic) {
    const HelpSet& set = HelpSetOf(service);
    const std::string& serviceNick = services_.names.*set.nickname;
    auto path = FindHelpFile(services_.data.Root(), set, topic);
    std::ifstream in;
    if (path) in.open(*path, std::ios::binary);
    if (!in.is_open()) {
        services_.out.Reply(serviceNick, userSlot,
                            Bold("Error") + ": Unknown command.  Please type: " + Bold("/msg " + serviceNick + " help"));
        return;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // The first empty line ends the text; nothing after it is sent.
        if (line.empty()) return;
        services_.out.Reply(serviceNick, userSlot, ReplacePlaceholder(line, set.placeholder, serviceNick));
    }
    if (!in.eof()) return;  // a read error cut the text short
    services_.out.LogToBotChannel(serviceNick, "[" + Bold(services_.users.At(userSlot).nick) +
                                                   "] HELP [Success]");
}

}  // namespace nb
