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
#include "app/services_statistics.h"
#include "core/clock.h"
#include "core/console.h"
#include "core/timers.h"
#include "link/line_sink.h"
#include "webserver/statistics_pages.h"
#include "webserver/web_server.h"

namespace nb {

class ServerLink;

class Program {
public:
    // The real program: its own clock, timers, terminal console and server link.
    Program(const std::filesystem::path& dataDir, bool showRawTraffic);
    // For tests and benchmarks: their clock, timers, console and link; the loop is the
    // program's own but runs only when they run it.
    Program(const std::filesystem::path& dataDir, Clock& clock, Timers& timers, Console& console, LineSink& sink,
            LinkControl& control);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The data tree, the settings and the databases; the web server when it starts with the
    // program, and the pages' refresh. False when the data directory cannot be used.
    bool Start(const std::string& hostName);
    // Links and runs until SIGINT or SIGTERM.
    int Run();
    void Stop();

    // What the front ends offer.
    Bot& BotScripts() { return services_.bot; }
    OperatorConsole& Operators() { return services_.operatorConsole; }
    const StatisticsView& Statistics() const { return statistics_; }
    StatisticsPages& Pages() { return pages_; }
    // The web server on General/Webserver Address and Port.
    bool StartWebServer();
    void StopWebServer() { webServer_.Stop(); }
    const WebServer& Web() const { return webServer_; }

    boost::asio::io_context& Loop() { return io_; }
    // The wiring itself, for the tests of the modules.
    Services& Internals() { return services_; }

private:
    struct OwnPlatform;
    // Either `showRawTraffic` (a platform of its own) or the three parts given.
    Program(const std::filesystem::path& dataDir, std::optional<bool> showRawTraffic, Clock* clock, Timers* timers,
            Console* console);
    void RefreshPagesEvery(long long seconds);

    boost::asio::io_context io_;
    std::unique_ptr<OwnPlatform> own_;
    Clock& clock_;
    Timers& timers_;
    Console& console_;
    Services services_;
    std::unique_ptr<ServerLink> link_;
    ServicesStatistics statistics_;
    WebServer webServer_;
    StatisticsPages pages_;
    TimerId refreshTimer_ = 0;
};

}  // namespace nb
