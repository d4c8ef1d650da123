#include "app/program.h"

#include <boost/asio/signal_set.hpp>
#include <iostream>

#include "app/settings_reload.h"
#include "app/startup.h"
#include "console/admin_password.h"
#include "console/link_config.h"
#include "console/terminal_front_end.h"
#include "core/text.h"
#include "link/server_link.h"

namespace nb {

// What the real program makes for itself, and tests give.
struct Program::OwnPlatform {
    explicit OwnPlatform(boost::asio::io_context& io, bool showRawTraffic)
        : timers(io), console(std::cout, showRawTraffic) {}
    SystemClock clock;
    AsioTimers timers;
    TerminalConsole console;
};

Program::Program(const std::filesystem::path& dataDir, bool showRawTraffic)
    : Program(dataDir, showRawTraffic, nullptr, nullptr, nullptr, nullptr) {
    link_ = std::make_unique<ServerLink>(io_, timers_, console_, services_.debugLog, services_.linkSettings, services_);
    services_.AttachLink(link_.get(), link_.get());
    if (own_->console.Interactive()) terminal_ = std::make_unique<TerminalFrontEnd>(io_, *this, own_->console, std::cout);
}

Program::Program(const std::filesystem::path& dataDir, Clock& clock, Timers& timers, Console& console, LineSink& sink,
                 LinkControl& control, Workers* workers)
    : Program(dataDir, std::nullopt, &clock, &timers, &console, workers) {
    services_.AttachLink(&sink, &control);
}

Program::Program(const std::filesystem::path& dataDir, std::optional<bool> showRawTraffic, Clock* clock,
                 Timers* timers, Console* console, Workers* workers)
    : own_(showRawTraffic ? std::make_unique<OwnPlatform>(io_, *showRawTraffic) : nullptr),
      clock_(own_ ? own_->clock : *clock),
      timers_(own_ ? own_->timers : *timers),
      console_(own_ ? own_->console : *console),
      // Two threads: password hashes for a 2-core machine, leaving the loop a core.
      ownWorkers_(workers ? nullptr : std::make_unique<ThreadWorkers>(io_, 2)),
      workers_(workers ? *workers : *ownWorkers_),
      router_(console_),
      services_(dataDir, clock_, timers_, router_, workers_),
      statistics_(services_),
      webServer_(io_, dataDir / "Webserver", clock_, router_),
      pages_(statistics_, dataDir / "Webserver", clock_, router_),
      backup_(services_.data, services_.settings, router_, clock_, [this] { services_.ReloadRestoredDatabases(); }),
      update_(io_, router_),
      admin_(io_, *this, web_, router_) {
    router_.AddFrontEnd(web_);
}

Program::~Program() { Stop(); }

bool Program::Start(const std::string& hostName) {
    if (!RunStartup(services_, hostName)) return false;
    if (Trim(services_.settings.Get("General", "Webserver Autostart", "0")) == "1") StartWebServer();
    RefreshPagesEvery(ToNumber(services_.settings.Get("General", "Webstats Refresh", "0")));
    return true;
}

bool Program::StartWebServer() {
    const Settings& settings = services_.settings;
    return webServer_.Start(Trim(settings.Get("General", "Webserver Address", "0.0.0.0")),
                            static_cast<int>(ToNumber(settings.Get("General", "Webserver Port", "80"))));
}

void Program::RefreshPagesEvery(long long seconds) {
    if (seconds <= 0) return;
    pages_.MakeAll();
    refreshTimer_ = timers_.StartTimer(std::chrono::seconds(seconds), [this, seconds] { RefreshPagesEvery(seconds); });
}

void Program::RunOperation(const std::function<void()>& operation, Console* answering) {
    router_.SetAnswering(answering);
    services_.block.Begin();
    operation();
    services_.block.End();
    router_.SetAnswering(nullptr);
}

bool Program::StartAdminConsole() {
    const Settings& settings = services_.settings;
    long long port = ToNumber(settings.Get("General", "Admin Port", "6680"));
    if (port <= 0) return false;
    if (!EnsureAdminPassword(services_.settings, console_)) return false;
    return admin_.Start(Trim(settings.Get("General", "Admin Address", "127.0.0.1")), static_cast<int>(port));
}

std::string Program::LinkConfiguration(bool ngircd) const {
    const Settings& settings = services_.settings;
    std::string password = settings.Get("Server Information", "Password", "");
    std::string name = settings.Get("Server Information", "Server Name", "");
    return ngircd ? NgircdServerBlock(password, name)
                  : ClassicLinkLines(settings.Get("Server Information", "IP/Host", ""), password, name);
}

void Program::CheckForUpdate() { update_.Start(services_.settings.Get("General", "Update Server", "")); }

std::vector<std::string> Program::List(const std::string& which) {
    if (which == "jupes") return services_.operServ.Jupes().Entries();
    if (which == "ignores") return services_.ignoreList.Masks().Entries();
    std::vector<std::string> operators;
    for (const OperatorEntry& entry : services_.operServ.Database().Operators())
        operators.push_back(entry.nick + " (level " + std::to_string(entry.level) + ")");
    return operators;
}

int Program::Run() {
    boost::asio::signal_set signals(io_, SIGINT, SIGTERM);
    signals.async_wait([this](const boost::system::error_code&, int) {
        console_.AppendLogText(LogBox::Status, "Stopping.");
        Stop();
        io_.stop();
    });
    StartAdminConsole();
    // SIGHUP (systemctl reload) reads settings.ini again, as often as it comes.
    boost::asio::signal_set hangups(io_, SIGHUP);
    std::function<void()> awaitHangup = [&] {
        hangups.async_wait([&](const boost::system::error_code& error, int) {
            if (error) return;
            ReloadSettings(services_);
            awaitHangup();
        });
    };
    awaitHangup();
    if (link_) link_->ConnectToServer();
    if (terminal_) terminal_->Start();
    io_.run();
    return 0;
}

void Program::Stop() {
    timers_.CancelTimer(refreshTimer_);
    webServer_.Stop();
    admin_.Stop();
    if (link_) link_->Shutdown();
}

}  // namespace nb
