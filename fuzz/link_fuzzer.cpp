// Fuzzes the road of a received line and the road back: bytes -> framing -> one parse ->
// dialect -> the services -> the link writer -> dialect -> the wire. The first byte of an input
// picks the dialect. Besides what the sanitizers catch, it stops at any line that would break
// the link: one longer than the IRC limit, or one holding a CR, LF or NUL.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/program.h"
#include "app/services.h"
#include "core/workers.h"
#include "link/dialect.h"
#include "link/line_framer.h"
#include "link/line_limit.h"

namespace {

using namespace nb;

class QuietConsole : public Console {
public:
    void ShowMessage(const std::string&, const std::string&) override {}
    void AskYesNo(const std::string&, const std::string&, YesNoAnswer answer) override { answer(false); }
    void PromptInput(const std::string&, const std::string&, const std::string&, InputAnswer answer) override {
        answer(std::nullopt);
    }
    void AppendLogText(LogBox, const std::string&) override {}
};

void Fail(const char* what, std::string_view line) {
    std::fprintf(stderr, "%s: %.*s\n", what, static_cast<int>(line.size()), line.data());
    std::abort();
}

bool BreaksALine(std::string_view line) { return line.find_first_of(std::string_view("\r\n\0", 3)) != line.npos; }

// The server link's side: every line through the dialect, held to the limit, checked.
class WireCheck : public LineSink, public LinkControl {
public:
    void SendLine(std::string_view line) override {
        if (line.size() > kMaxLineBytes || BreaksALine(line)) Fail("link writer sent", line);
        for (const std::string& wire : dialect->ToWire(line)) {
            for (const std::string& fitted : FitLine(wire)) {
                if (fitted.size() > kMaxLineBytes || BreaksALine(fitted)) Fail("dialect sent", fitted);
            }
        }
    }
    bool IsLinkConnected() const override { return true; }
    void ConnectToServer() override {}
    void Disconnect(const std::string&) override {}

    Dialect* dialect = nullptr;
};

// The services over a data directory of their own, made anew now and then so that what the
// inputs register does not pile up.
struct Harness {
    explicit Harness(std::filesystem::path root) : dir(std::move(root)) {
        std::filesystem::remove_all(dir);
        program = std::make_unique<Program>(dir, clock, timers, console, wire, wire, &workers);
        services = &program->Internals();
        program->Start("fuzzhost");
        services->settings.Set("General", "Sync Writes", "0");
        services->ReadFileSettings();
    }

    std::filesystem::path dir;
    FakeClock clock{TimePoint{} + std::chrono::hours(24 * 365 * 56)};
    ManualTimers timers;
    ManualWorkers workers;
    QuietConsole console;
    WireCheck wire;
    std::unique_ptr<Program> program;
    Services* services = nullptr;
};

std::unique_ptr<Harness> harness;
long inputs = 0;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    if (!harness || ++inputs % 5000 == 0) {
        harness.reset();
        harness = std::make_unique<Harness>(std::filesystem::temp_directory_path() /
                                            ("nimbral-fuzz-" + std::to_string(::getpid())));
    }
    std::unique_ptr<Dialect> dialect = MakeDialect(data[0] % 2 == 0 ? "classic" : "ngircd");
    dialect->Reset({"services.localhost", "pw", "NBII"});
    harness->wire.dialect = dialect.get();
    Services& services = *harness->services;
    services.OnLinkUp();

    LineFramer framer;
    std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    for (const std::string& text : framer.Append(bytes).lines) {
        auto line = ParseIrcLine(text);
        if (!line) continue;
        services.OnWireLine(*line);
        for (const IrcLine& classic : dialect->FromWire(*line)) services.OnLine(classic);
    }
    services.OnBlockEnd();
    harness->workers.Finish();
    // Enforcement deadlines and other timers run too.
    harness->timers.Advance(std::chrono::minutes(2));
    return 0;
}
