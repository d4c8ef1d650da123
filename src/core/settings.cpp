#include "core/settings.h"

#include <boost/property_tree/ini_parser.hpp>
#include <sstream>

#include "core/files.h"

namespace nb {
namespace {

using Path = boost::property_tree::ptree::path_type;

// Keys such as "IP/Host" and sections with blanks are single path steps.
Path Step(const std::string& name) { return Path(name, '\x1f'); }

}  // namespace

std::vector<SettingDefault> DefaultSettings(const std::string& hostName, const std::string& nowText) {
    const std::string info = "Server Information";
    return {
        {info, "IP/Host", hostName},
        {info, "Port", "6667"},
        {info, "Password", ""},
        {info, "Server Name", "services.localhost"},
        {info, "Server Description", "NBII"},
        {info, "Your Email", "admin@localhost"},
        {info, "Oper Channel", "#NBII"},
        {info, "Net Channel", "#nb.netinfo"},
        {info, "Bot Channel", "#nb.botinfo"},
        {info, "Protocol", "classic"},
        {"General", "Max Users", "0"},
        {"General", "Max Users Date", nowText},
        {"General", "Reconnect Delay", "30"},
        {"General", "Ping Interval", "90"},
        {"General", "Send Queue", "8192"},
        {"General", "Sync Writes", "1"},
        {"General", "Debug Log Size", "10"},
        {"General", "Journal Size", "16"},
        {"Global", "FirstTime", "0"},
        {"Backup", "Last", "N/A"},
    };
}

Settings::Settings(std::filesystem::path file)
    : file_(std::move(file)),
      table_{file_, [this](std::string& text) { return Text(text); }, [this] { Load(); }, [this] { changed_ = false; }} {}

std::string Settings::Load() {
    // A file that cannot be read leaves the values in use as they were.
    boost::property_tree::ptree read;
    if (FileExists(file_)) {
        try {
            boost::property_tree::read_ini(file_.string(), read);
        } catch (const boost::property_tree::ini_parser_error& error) {
            return error.what();
        }
    }
    tree_.swap(read);
    changed_ = false;
    return "";
}

std::map<std::string, std::string> Settings::Values() const {
    std::map<std::string, std::string> values;
    for (const auto& [section, keys] : tree_)
        for (const auto& [key, value] : keys) values[section + "/" + key] = value.data();
    return values;
}

std::string_view Settings::Text(std::string& text) const {
    std::ostringstream out;
    // The tree holds only sections of keys: nothing it holds fails to be written.
    try {
        boost::property_tree::write_ini(out, tree_);
    } catch (const boost::property_tree::ini_parser_error&) {
    }
    text = out.str();
    return text;
}

bool Settings::Save() {
    if (!changed_ && FileExists(file_)) return true;
    std::string text;
    if (!WriteFileAtomic(file_, Text(text), SyncWrites())) return false;
    changed_ = false;
    return true;
}

std::string Settings::Get(const std::string& section, const std::string& key, const std::string& fallback) const {
    auto found = tree_.get_child_optional(Step(section));
    if (!found) return fallback;
    auto value = found->get_optional<std::string>(Step(key));
    return value ? *value : fallback;
}

void Settings::Set(const std::string& section, const std::string& key, const std::string& value) {
    auto found = tree_.get_child_optional(Step(section));
    if (!found) found = tree_.put_child(Step(section), {});
    auto old = found->get_optional<std::string>(Step(key));
    if (old && *old == value) return;
    found->put(Step(key), value);
    changed_ = true;
}

bool Settings::Write(const std::string& section, const std::string& key, const std::string& value) {
    Set(section, key, value);
    return Save();
}

bool Settings::AddMissing(const std::vector<SettingDefault>& defaults) {
    bool added = false;
    for (const auto& entry : defaults) {
        auto section = tree_.get_child_optional(Step(entry.section));
        if (section && section->get_child_optional(Step(entry.key))) continue;
        Set(entry.section, entry.key, entry.value);
        added = true;
    }
    return added;
}

}  // namespace nb
