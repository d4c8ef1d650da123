#include "app/program.h"

#include <boost/asio/signal_set.hpp>
#include <iostream>

#include "app/settings_reload.h"
#include "app/startup.h"
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
    : Program(dataDir, showRawTraffic, nullptr, nullptr, nullptr) {
    link_ = std::make_unique<ServerLink>(io_, timers_, console_, services_.debugLog, services_.linkSettings, services_);
    services_.AttachLink(link_.get(), link_.get());
}

Program::Program(const std::filesystem::path& dataDir, Clock& clock, Timers& timers, Console& console, LineSink& sink,
                 LinkControl& control)
    : Program(dataDir, std::nullopt, &clock, &timers, &console) {
    services_.AttachLink(&sink, &control);
}

Program::Program(const std::filesystem::path& dataDir, std::optional<bool> showRawTraffic, Clock* clock,
                 Timers* timers, Console* console)
    : own_(showRawTraffic ? std::make_unique<OwnPlatform>(io_, *showRawTraffic) : nullptr),
      clock_(own_ ? own_->clock : *clock),
      timers_(own_ ? own_->timers : *timers),
      console_(own_ ? own_->console : *console),
      services_(dataDir, clock_, timers_, console_),
      statistics_(services_),
      webServer_(io_, dataDir / "Webserver", clock_, console_),
      pages_(statistics_, dataDir / "Webserver", clock_, console_) {}

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

int Program::Run() {
    boost::asio::signal_set signals(io_, SIGINT, SIGTERM);
    signals.async_wait([this](const boost::system::error_code&, int) {
        console_.AppendLogText(LogBox::Status, "Stopping.");
        Stop();
        io_.stop();
    });
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
    io_.run();
    return 0;
}

void Program::Stop() {
    timers_.CancelTimer(refreshTimer_);
    webServer_.Stop();
    if (link_) link_->Shutdown();
}

}  // namespace nb
