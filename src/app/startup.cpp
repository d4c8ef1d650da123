#include "app/startup.h"

#include "app/services.h"
#include "app/shipped_files.h"
#include "core/datetime.h"
#include "core/files.h"
#include "core/text.h"
#include "core/version.h"

namespace nb {
namespace {

void ShowFirstRunNotice(Services& services) {
    services.console.ShowMessage(
        "NBII - First run",
        "Welcome to Nimbral II. Its settings are in " + services.settings.File().string() +
            ". Before linking, set in [Server Information]: IP/Host and Port (the IRC server to link to), "
            "Password (the link password), Server Name (this services server's name, as the IRC server "
            "expects it), Protocol (classic, ngircd or inspircd) and Your Email; then start the services again.");
}

// The data files hold passwords: nobody but the owner may even list them.
void TightenDataDirectory(Services& services) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::perms perms = fs::status(services.data.Root(), error).permissions();
    if (error || (perms & (fs::perms::group_all | fs::perms::others_all)) == fs::perms::none) return;
    fs::permissions(services.data.Root(), fs::perms::owner_all, fs::perm_options::replace, error);
    services.console.ShowMessage("NBII - Start-up",
                                 "The data directory " + services.data.Root().string() +
                                     (error ? " is open to other users and cannot be changed (" + error.message() + ")."
                                            : " was open to other users; it is now for its owner only (mode 0700)."));
}

}  // namespace

bool RunStartup(Services& services, const std::string& hostName) {
    Console& console = services.console;
    console.AppendLogText(LogBox::Status, std::string("Version: ") + kVersion);

    EnsureDirectory(services.data.Root());
    if (!std::filesystem::is_directory(services.data.Root())) {
        console.ShowMessage("NBII - Start-up", "Cannot create the data directory " + services.data.Root().string());
        return false;
    }
    TightenDataDirectory(services);
    CopyMissingShippedFolders(ShippedFilesDir(), services.data.Root(), console);
    if (std::string error = services.settings.Load(); !error.empty()) {
        console.ShowMessage("NBII - Settings", "settings.ini cannot be read (" + error +
                                                    "); fix or remove it and start again.");
        return false;
    }
    services.settings.AddMissing(services.SettingDefaults(hostName, FormatGeneralDate(services.clock.Now())));
    services.settings.Set("General", "Path", std::filesystem::absolute(services.data.Root()).string());
    if (!services.settings.Save()) {
        console.ShowMessage("NBII - Settings", "Cannot write " + services.settings.File().string());
        return false;
    }

    if (!FileExists(services.data.Path("temp.nb2"))) services.data.CreateEmptyDataFile("temp1.nb2");
    if (ToNumber(services.settings.Get("Global", "FirstTime", "0")) == 0) {
        ShowFirstRunNotice(services);
        services.settings.Write("Global", "FirstTime", "1");
    }

    services.data.EnsureDataFiles(services.DataFiles());
    services.ReadFileSettings();
    services.LoadDatabases();
    services.maxUsers.Load();
    services.ReadLinkSettings();

    console.AppendLogText(LogBox::Status, "Last backup: " + services.settings.Get("Backup", "Last", "N/A"));
    console.AppendLogText(LogBox::Status, std::string("  Nimbral II [") + kVersion + "] - IRC Services");
    services.debugLog.Write("************ Nimbral started! ************ ");
    return true;
}

}  // namespace nb
