// The program as one object: the event loop, the server link, the services and the statistics
// web server, started and stopped together. Front ends (the terminal, the tests, the
// benchmarks) build it and use what it offers; only it reaches into the services' wiring.
#pragma once

#include <boost/asio/io_context.hpp>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/services.h"
#include "console/admin_operations.h"
#include "console/admin_server.h"
#include "console/console_router.h"
#include "console/web_console.h"
#include "console/database_backup.h"
#include "console/update_check.h"
#include "app/services_statistics.h"
#include "core/clock.h"
#include "core/console.h"
#include "core/timers.h"
#include "core/workers.h"
#include "link/line_sink.h"
#include "webserver/statistics_pages.h"
#include "webserver/web_server.h"

namespace nb {

class ServerLink;
class TerminalFrontEnd;

class Program : public AdminOperations {
public:
    // The real program: its own clock, timers, terminal console and server link.
    Program(const std::filesystem::path& dataDir, bool showRawTraffic);
    // For tests and benchmarks: their clock, timers, console and link, and their workers or
    // else the program's own; the loop is the program's own but runs only when they run it.
    Program(const std::filesystem::path& dataDir, Clock& clock, Timers& timers, Console& console, LineSink& sink,
            LinkControl& control, Workers* workers = nullptr);
    ~Program() override;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The data tree, the settings and the databases; the web server when it starts with the
    // program, and the pages' refresh. False when the data directory cannot be used.
    bool Start(const std::string& hostName);
    // Opens the admin console, links and runs until SIGINT or SIGTERM.
    int Run();
    // The admin console on General/Admin Address and Admin Port (0: none).
    bool StartAdminConsole();
    void Stop();

    // What the front ends offer.
    void RunOperation(const std::function<void()>& operation, Console* answering = nullptr) override;
    void Backup() override { backup_.Backup(); }
    void Restore() override { backup_.Restore(); }
    std::string LastBackupCaption() const override { return backup_.LastBackupCaption(); }
    std::string LinkConfiguration(bool ngircd) const override;
    void CheckForUpdate() override;
    void Connect() override;
    std::optional<UpdateResult> LastUpdateResult() const override { return update_.Result(); }
    OperatorConsole& Operators() override { return services_.operatorConsole; }
    bool LoadBot(const std::string& fileName) override { return services_.bot.LoadBot(fileName); }
    // The web server on General/Webserver Address and Port.
    bool StartWebServer() override;
    void StopWebServer() override { webServer_.Stop(); }
    bool WebServerRunning() const override { return webServer_.IsRunning(); }
    void MakePage(StatisticsPage page) override { pages_.Make(page); }
    const StatisticsView& Statistics() const override { return statistics_; }
    Settings& SettingsStore() override { return services_.settings; }
    void RestrictNick(const std::string& pattern) override;
    void UnrestrictNick(std::optional<std::size_t> index) override;
    void RestrictChannel(const std::string& pattern) override;
    void UnrestrictChannel(std::optional<std::size_t> index) override;
    void MemoToAll(bool operatorsOnly, const std::string& text) override;
    void DropNick(const std::string& nick) override;
    void DropChannel(const std::string& channel) override;
    void EditNick(const std::string& nick, const std::string& field, const std::string& value) override;
    void EditChannel(const std::string& channel, const std::string& field, const std::string& value) override;
    std::vector<std::string> List(const std::string& which) override;
    StatisticsPages& Pages() { return pages_; }
    const WebServer& Web() const { return webServer_; }

    boost::asio::io_context& Loop() { return io_; }
    // The wiring itself, for the tests of the modules.
    Services& Internals() { return services_; }

private:
    struct OwnPlatform;
    // Either `showRawTraffic` (a platform of its own) or the three parts given.
    Program(const std::filesystem::path& dataDir, std::optional<bool> showRawTraffic, Clock* clock, Timers* timers,
            Console* console, Workers* workers);
    void RefreshPagesEvery(long long seconds);

    boost::asio::io_context io_;
    std::unique_ptr<OwnPlatform> own_;
    Clock& clock_;
    Timers& timers_;
    Console& console_;
    std::unique_ptr<ThreadWorkers> ownWorkers_;  // unless given
    Workers& workers_;
    // What the services talk to: every front end sees the logs, the one running an operation
    // gets its questions.
    ConsoleRouter router_;
    WebConsole web_;
    Services services_;
    std::unique_ptr<ServerLink> link_;
    ServicesStatistics statistics_;
    WebServer webServer_;
    StatisticsPages pages_;
    DatabaseBackup backup_;
    UpdateCheck update_;
    std::unique_ptr<TerminalFrontEnd> terminal_;  // only at a terminal
    AdminServer admin_;
    TimerId refreshTimer_ = 0;
};

}  // namespace nb
