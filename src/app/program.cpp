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
    link_ = std::make_unique<ServerLink>(io_, timers_, router_, services_.debugLog, services_.linkSettings, services_);
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
      backup_(services_.data, services_.settings, router_, clock_, [this] { return services_.commit.Checkpoint(); },
              [this] { services_.ReloadRestoredDatabases(); }),
      update_(io_, router_),
      admin_(io_, *this, web_, router_, workers_) {}

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
    services_.block.End(true);
    router_.SetAnswering(nullptr);
}

bool Program::StartAdminConsole() {
    const Settings& settings = services_.settings;
    long long port = ToNumber(settings.Get("General", "Admin Port", "6680"));
    if (port <= 0) return false;
    if (!EnsureAdminPassword(services_.settings, console_)) return false;
    if (!admin_.Start(Trim(settings.Get("General", "Admin Address", "127.0.0.1")), static_cast<int>(port))) return false;
    // Only now does the page keep log lines: without it nobody reads them, and every received
    // line would be copied for nothing.
    router_.AddFrontEnd(web_);
    return true;
}

std::string Program::LinkConfiguration(bool ngircd) const {
    const Settings& settings = services_.settings;
    std::string password = settings.Get("Server Information", "Password", "");
    std::string name = settings.Get("Server Information", "Server Name", "");
    return ngircd ? NgircdServerBlock(password, name)
                  : ClassicLinkLines(settings.Get("Server Information", "IP/Host", ""), password, name);
}

void Program::Connect() {
    if (!link_) return router_.ShowMessage("NBII - Server Link", "This program has no link of its own to connect.");
    link_->ConnectToServer();
}

void Program::CheckForUpdate() { update_.Start(services_.settings.Get("General", "Update Server", "")); }

void Program::RestrictNick(const std::string& pattern) { AddKeyword(services_.nickServ.RestrictedNickList(), router_, Trim(pattern)); }

void Program::UnrestrictNick(std::optional<std::size_t> index) {
    RemoveKeyword(services_.nickServ.RestrictedNickList(), router_, index);
}

void Program::RestrictChannel(const std::string& pattern) {
    services_.chanServ.Database().Restricted().AddRestrictedChannel(Trim(pattern));
}

void Program::UnrestrictChannel(std::optional<std::size_t> index) {
    services_.chanServ.Database().Restricted().RemoveRestrictedChannel(index);
}

void Program::MemoToAll(bool operatorsOnly, const std::string& text) {
    const std::string title = "NBII - MemoServ";
    if (Trim(text).empty()) return router_.ShowMessage(title, "You must type in a message.");
    if (!HasOnlyFormattingControls(text)) return router_.ShowMessage(title, "A memo cannot hold control characters.");
    std::vector<std::string> to;
    if (operatorsOnly) {
        for (const OperatorEntry& entry : services_.operServ.Database().Operators()) to.push_back(entry.nick);
    } else {
        for (const RegisteredNick& nick : services_.nickServ.RegisteredNicks())
            if (!nick.IsDropped()) to.push_back(nick.Nick());
    }
    if (to.empty()) return router_.ShowMessage(title, operatorsOnly ? "There are no operators." : "There are no registered nicks.");
    services_.memoServ.SendFromAdministrator(to, text);
    router_.ShowMessage(title, "The memo was sent to " + std::to_string(to.size()) + (to.size() == 1 ? " nick." : " nicks."));
}

void Program::DropNick(const std::string& nick) {
    if (!services_.nickServ.DropNick(Trim(nick)))
        return router_.ShowMessage("NBII - NickServ", "The nick " + Trim(nick) + " is not registered.");
    router_.ShowMessage("NBII - NickServ", "The nick " + Trim(nick) + " was dropped.");
}

void Program::DropChannel(const std::string& channel) {
    if (!services_.chanServ.DropChannel(Trim(channel)))
        return router_.ShowMessage("NBII - ChanServ", "The channel " + Trim(channel) + " is not registered.");
    router_.ShowMessage("NBII - ChanServ", "The channel " + Trim(channel) + " was dropped.");
}

void Program::EditNick(const std::string& nick, const std::string& field, const std::string& value) {
    auto refusal = services_.nickServ.EditNick(Trim(nick), ToLower(Trim(field)), value);
    router_.ShowMessage("NBII - NickServ", refusal ? *refusal : "The " + ToLower(Trim(field)) + " of " + Trim(nick) + " was changed.");
}

void Program::EditChannel(const std::string& channel, const std::string& field, const std::string& value) {
    auto refusal = services_.chanServ.EditChannel(Trim(channel), ToLower(Trim(field)), value);
    router_.ShowMessage("NBII - ChanServ", refusal ? *refusal : "The " + ToLower(Trim(field)) + " of " + Trim(channel) + " was changed.");
}

std::vector<std::string> Program::List(const std::string& which) {
    if (which == "jupes") return services_.operServ.Jupes().Entries();
    if (which == "ignores") return services_.ignoreList.Masks().Entries();
    if (which == "restricted nicks") return services_.nickServ.RestrictedNickList().Entries();
    if (which == "restricted channels") return services_.chanServ.Database().Restricted().Patterns();
    if (which == "levels") {
        std::vector<std::string> levels;
        for (const CommandLevel& level : services_.operServ.Database().CommandLevels())
            levels.push_back(level.name + " " + std::to_string(level.level));
        return levels;
    }
    std::vector<std::string> operators;
    for (const OperatorEntry& entry : services_.operServ.Database().Operators())
        operators.push_back(entry.nick + " (level " + std::to_string(entry.level) + ")");
    return operators;
}

int Program::Run() {
    boost::asio::signal_set signals(io_, SIGINT, SIGTERM);
    signals.async_wait([this](const boost::system::error_code&, int) {
        router_.AppendLogText(LogBox::Status, "Stopping.");
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
    // A clean stop leaves every table whole in its .nb2 file and the journal empty.
    services_.commit.Checkpoint();
    timers_.CancelTimer(refreshTimer_);
    webServer_.Stop();
    admin_.Stop();
    if (link_) link_->Shutdown();
}

}  // namespace nb
