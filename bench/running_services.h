// The program as it runs, for the benchmarks: the services over a temporary data directory,
// a terminal console that does not show the raw traffic, and a link that counts the lines
// without keeping them; and the road a received block takes into it.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

#include "app/program.h"
#include "app/services.h"
#include "app/startup.h"
#include "link/irc_line.h"
#include "link/line_framer.h"
#include "support/fixture.h"

namespace nb::bench {

struct NullBuffer : std::streambuf {
    int overflow(int c) override { return c; }
};

struct CountingLink : LineSink, LinkControl {
    void SendLine(std::string_view) override { ++lines; }
    bool IsLinkConnected() const override { return true; }
    void ConnectToServer() override {}
    void Disconnect(const std::string&) override {}
    std::size_t lines = 0;
};

struct RunningServices {
    // `dataFiles` maps a path below the data directory to what the file holds at start-up.
    explicit RunningServices(const std::map<std::string, std::string>& dataFiles = {}, bool syncWrites = false) {
        for (const auto& [relative, content] : dataFiles) {
            std::filesystem::path file = dir.Path() / "data" / relative;
            std::filesystem::create_directories(file.parent_path());
            std::ofstream(file, std::ios::binary) << content;
        }
        program.Start("benchhost");
        // Files are written as they are in use, but the disk's sync is not what most
        // benchmarks measure.
        services.settings.Set("General", "Sync Writes", syncWrites ? "1" : "0");
        services.ReadFileSettings();
        services.OnLinkUp();
        link.lines = 0;
    }
    test::TempDir dir;
    FakeClock clock{test::TestStartTime()};
    ManualTimers timers;
    NullBuffer nothing;
    std::ostream quiet{&nothing};
    TerminalConsole console{quiet, false};
    CountingLink link;
    Program program{dir.Path() / "data", clock, timers, console, link, link};
    Services& services = program.Internals();
};

// Framing, one parse, the logs and the dispatch, block by block as the link reads (8 KiB).
inline void Feed(RunningServices& f, std::string_view bytes) {
    LineFramer framer;
    for (std::size_t at = 0; at < bytes.size(); at += 8192) {
        for (const auto& text : framer.Append(bytes.substr(at, 8192)).lines) {
            auto line = ParseIrcLine(text);
            if (!line) continue;
            f.services.OnWireLine(*line);
            f.services.OnLine(*line);
        }
        f.services.OnBlockEnd();
    }
}

}  // namespace nb::bench
