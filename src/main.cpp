// nimbral2: IRC network services. Runs until SIGINT or SIGTERM.
#include <unistd.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/program_options.hpp>
#include <iostream>

#include "app/services.h"
#include "app/startup.h"
#include "core/console.h"
#include "link/server_link.h"

namespace {

std::string LocalHostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
    return name;
}

}  // namespace

int main(int argc, char** argv) {
    namespace po = boost::program_options;
    po::options_description options("nimbral2 options");
    options.add_options()("help,h", "show this help")(
        "data-dir", po::value<std::string>()->default_value("./data"), "the data directory")(
        "no-connect", "stop after start-up, without linking")("raw", "show the raw server traffic");
    po::variables_map args;
    try {
        po::store(po::parse_command_line(argc, argv, options), args);
        po::notify(args);
    } catch (const po::error& error) {
        std::cerr << "nimbral2: " << error.what() << "\n" << options;
        return 2;
    }
    if (args.count("help")) {
        std::cout << options;
        return 0;
    }

    boost::asio::io_context io;
    nb::SystemClock clock;
    nb::AsioTimers timers(io);
    nb::TerminalConsole console(std::cout, args.count("raw") > 0);
    nb::Services services(args["data-dir"].as<std::string>(), clock, timers, console);
    nb::ServerLink link(io, timers, console, services.debugLog, services.linkSettings, services);
    services.AttachLink(&link, &link);

    if (!nb::RunStartup(services, LocalHostName())) return 1;
    if (args.count("no-connect")) return 0;

    boost::asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](const boost::system::error_code&, int) {
        console.AppendLogText(nb::LogBox::Status, "Stopping.");
        link.Shutdown();
        io.stop();
    });
    link.ConnectToServer();
    io.run();
    return 0;
}
