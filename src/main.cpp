// nimbral2: IRC network services. Runs until SIGINT or SIGTERM.
#include <unistd.h>

#include <boost/program_options.hpp>
#include <iostream>

#include "app/program.h"
#include "core/version.h"

namespace nb {
// Written at build time by cmake/build_commit.cmake.
extern const char* const kBuildCommit;
}  // namespace nb

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
    options.add_options()("help,h", "show this help")("version", "show the version and the commit it was built from")(
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
    if (args.count("version")) {
        std::cout << "nimbral2 " << nb::kVersion << " (commit " << nb::kBuildCommit << ")\n";
        return 0;
    }
    nb::Program program(args["data-dir"].as<std::string>(), args.count("raw") > 0);
    if (!program.Start(LocalHostName())) return 1;
    if (args.count("no-connect")) return 0;
    return program.Run();
}
