#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "app/startup.h"
#include "core/settings.h"
#include "support/fixture.h"

namespace nb {
namespace {

using test::ServicesFixture;

mode_t ModeOf(const std::filesystem::path& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 0777;
}

TEST(Startup, FirstStartLaysTheDataTreeOnceAndOwnerOnly) {
    ServicesFixture f;
    ASSERT_TRUE(RunStartup(f.services, "myhost"));
    auto root = f.dir.Path() / "data";
    for (const char* folder : {"NickServ", "ChanServ", "OperServ", "MemoServ", "Webserver"})
        EXPECT_TRUE(std::filesystem::is_directory(root / folder)) << folder;
    for (const char* file : {"Ignore.nb2", "Jupe.nb2", "NickServ/NickServ.nb2", "NickServ/Quit.nb2",
                             "NickServ/Restrict.nb2", "ChanServ/ChanServ.nb2", "ChanServ/Access.nb2",
                             "ChanServ/Restrict.nb2", "OperServ/OperServ.nb2", "OperServ/Commands.nb2",
                             "MemoServ/MemoServ.nb2", "temp.nb2", "temp1.nb2"}) {
        ASSERT_TRUE(std::filesystem::exists(root / file)) << file;
        // The command levels start with their defaults.
        if (std::string(file) != "OperServ/Commands.nb2") {
            EXPECT_EQ(std::filesystem::file_size(root / file), 0u) << file;
        }
        EXPECT_EQ(ModeOf(root / file), 0600u) << file;
    }
    EXPECT_EQ(f.ReadFile("OperServ/Commands.nb2").substr(0, 36), "mode 200\r\nop 200\r\ndeop 200\r\nmasskill");
    EXPECT_EQ(ModeOf(root / "settings.ini"), 0600u);
    ASSERT_EQ(f.console.messages.size(), 1u);
    EXPECT_NE(f.console.messages[0].find((root / "settings.ini").string()), std::string::npos);
    EXPECT_NE(f.console.messages[0].find("IP/Host"), std::string::npos);

    Settings stored(root / "settings.ini");
    ASSERT_EQ(stored.Load(), "");
    EXPECT_EQ(stored.Get("Global", "FirstTime", ""), "1");
    EXPECT_EQ(stored.Get("Server Information", "IP/Host", ""), "myhost");
    EXPECT_EQ(stored.Get("Server Information", "Port", ""), "6667");
    EXPECT_EQ(stored.Get("Server Information", "Oper Channel", ""), "#NBII");
    EXPECT_EQ(stored.Get("Server Information", "MemoServ Enabled", ""), "1");
    EXPECT_EQ(stored.Get("General", "OS Info", ""), "450");
    EXPECT_EQ(stored.Get("General", "Max Users Date", ""), "12/6/2026 9:07:15 PM");
    EXPECT_EQ(stored.Get("Backup", "Last", ""), "N/A");
    EXPECT_NE(f.ReadFile("debug.nb2").find("] ************ Nimbral started! ************ \r\n"), std::string::npos);

    // The second start shows no first-run notice and keeps what the administrator set.
    stored.Write("Server Information", "Server Name", "services.example.net");
    ServicesFixture* again = &f;
    again->console.messages.clear();
    ASSERT_TRUE(RunStartup(again->services, "myhost"));
    EXPECT_TRUE(again->console.messages.empty());
    EXPECT_EQ(again->services.linkSettings.serverName, "services.example.net");
    EXPECT_NE(std::find(f.console.status.begin(), f.console.status.end(), "Last backup: N/A"), f.console.status.end());
}

TEST(Startup, UnreadableSettingsStopStartupWithAClearMessage) {
    ServicesFixture f;
    std::filesystem::create_directories(f.dir.Path() / "data");
    {
        std::ofstream bad(f.dir.Path() / "data" / "settings.ini");
        bad << "[Server Information\nPort=1\n";
    }
    EXPECT_FALSE(RunStartup(f.services, "myhost"));
    ASSERT_FALSE(f.console.messages.empty());
    EXPECT_NE(f.console.messages.back().find("settings.ini cannot be read"), std::string::npos);
}

TEST(Settings, WritesAreAtomicAndKeepOtherKeys) {
    test::TempDir dir;
    Settings settings(dir.Path() / "settings.ini");
    settings.Set("Server Information", "IP/Host", "irc.example.org");
    ASSERT_TRUE(settings.Write("General", "Max Users", "12"));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "settings.ini.tmp"));
    Settings reread(dir.Path() / "settings.ini");
    ASSERT_EQ(reread.Load(), "");
    EXPECT_EQ(reread.Get("Server Information", "IP/Host", ""), "irc.example.org");
    EXPECT_EQ(reread.Get("General", "Max Users", ""), "12");
    EXPECT_EQ(reread.Get("General", "Missing", "fallback"), "fallback");
}

}  // namespace
}  // namespace nb
