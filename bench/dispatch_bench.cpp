// How many received lines per second the dispatch, the user table and a service command take.
#include <benchmark/benchmark.h>

#include "link/irc_line.h"
#include "link/line_framer.h"
#include "support/fixture.h"

namespace nb {
namespace {

void Route(test::ServicesFixture& f, const std::string& text) { f.services.OnLine(*ParseIrcLine(text)); }

void BM_FrameParseAndDispatchPing(benchmark::State& state) {
    test::ServicesFixture f;
    f.StartLinked();
    LineFramer framer;
    for (auto _ : state) {
        for (const auto& text : framer.Append("PING :irc.example.org\r\n").lines) Route(f, text);
        f.link.lines.clear();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FrameParseAndDispatchPing);

// A user connects, joins a channel and quits, with 500 others online.
void BM_UserChurnWithFiveHundredOnline(benchmark::State& state) {
    test::ServicesFixture f;
    f.StartLinked();
    for (int i = 0; i < 500; ++i)
        Route(f, "NICK u" + std::to_string(i) + " 1 1765055235 u h.example.org irc.example.org 0 :U");
    f.link.lines.clear();
    for (auto _ : state) {
        Route(f, "NICK churn 1 1765055235 c h.example.org irc.example.org 0 :C");
        Route(f, ":churn JOIN #lobby");
        Route(f, ":churn QUIT :bye");
        f.link.lines.clear();
    }
    state.SetItemsProcessed(state.iterations() * 3);
}
BENCHMARK(BM_UserChurnWithFiveHundredOnline);

// NickServ info through the shared command dispatcher, and the password masking of the log.
void BM_ServiceCommandAndMasking(benchmark::State& state) {
    test::ServicesFixture f;
    f.StartLinked();
    f.IntroduceUser("joe");
    Route(f, ":joe PRIVMSG NickServ :register secret1");
    f.link.lines.clear();
    IrcLine info = *ParseIrcLine(":joe PRIVMSG NickServ :info joe");
    IrcLine identify = *ParseIrcLine(":joe PRIVMSG NickServ :identify\t secret1");
    for (auto _ : state) {
        f.services.OnLine(info);
        benchmark::DoNotOptimize(f.services.router);
        f.services.router.LogReceivedLine(identify);
        f.link.lines.clear();
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_ServiceCommandAndMasking);

}  // namespace
}  // namespace nb
