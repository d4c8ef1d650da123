// How many received lines per second the dispatch and the user table handle.
#include <benchmark/benchmark.h>

#include "core/line_framer.h"
#include "support/fixture.h"

namespace nb {
namespace {

void BM_FrameAndDispatchPing(benchmark::State& state) {
    test::ServicesFixture f;
    f.StartLinked();
    LineFramer framer;
    for (auto _ : state) {
        for (const auto& line : framer.Append("PING :irc.example.org\r\n").lines) f.services.dispatcher.DispatchLine(line);
        f.link.lines.clear();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FrameAndDispatchPing);

// A user connects, joins a channel and quits, with 500 others online.
void BM_UserChurnWithFiveHundredOnline(benchmark::State& state) {
    test::ServicesFixture f;
    f.StartLinked();
    for (int i = 0; i < 500; ++i) f.services.dispatcher.DispatchLine("NICK u" + std::to_string(i) + " 1 1765055235 u h.example.org irc.example.org 0 :U");
    f.link.lines.clear();
    for (auto _ : state) {
        f.services.dispatcher.DispatchLine("NICK churn 1 1765055235 c h.example.org irc.example.org 0 :C");
        f.services.dispatcher.DispatchLine(":churn JOIN #lobby");
        f.services.dispatcher.DispatchLine(":churn QUIT :bye");
        f.link.lines.clear();
    }
    state.SetItemsProcessed(state.iterations() * 3);
}
BENCHMARK(BM_UserChurnWithFiveHundredOnline);

}  // namespace
}  // namespace nb
