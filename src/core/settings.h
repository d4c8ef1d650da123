// settings.ini in the data directory: sections and keys as the administrator sees them.
#pragma once

#include <boost/property_tree/ptree.hpp>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/group_commit.h"

namespace nb {

struct SettingDefault {
    std::string section;
    std::string key;
    std::string value;
};

// The keys of the link, the logs and the files, with their defaults; each service adds its
// own. The host name and the current date fill the two defaults that depend on the machine.
std::vector<SettingDefault> DefaultSettings(const std::string& hostName, const std::string& nowText);

class Settings {
public:
    explicit Settings(std::filesystem::path file);

    // Reads the file; a missing file is an empty store. Returns an error text (and keeps the
    // values in use), empty on success.
    std::string Load();
    // Every value, keyed "Section/Key".
    std::map<std::string, std::string> Values() const;
    // Writes the whole store atomically when a value changed since the last load or save (or
    // the file is missing). Returns false when the file could not be written.
    bool Save();

    std::string Get(const std::string& section, const std::string& key, const std::string& fallback) const;
    void Set(const std::string& section, const std::string& key, const std::string& value);
    // Set and save at once, as the settings store does for every write.
    bool Write(const std::string& section, const std::string& key, const std::string& value);
    // Adds every missing key with its default; true when something was added.
    bool AddMissing(const std::vector<SettingDefault>& defaults);

    const std::filesystem::path& File() const { return file_; }
    // For the group commit: settings changed while a block is handled are saved at its end.
    StoredTable& Table() { return table_; }
    // General/Sync Writes: "0" skips the flush to disk of every data file.
    bool SyncWrites() const { return Get("General", "Sync Writes", "1") != "0"; }

private:
    std::string_view Text(std::string& text) const;

    std::filesystem::path file_;
    boost::property_tree::ptree tree_;
    bool changed_ = false;
    StoredTable table_;
};

}  // namespace nb
