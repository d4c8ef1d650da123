// The cost of taking in a whole network at link time, and of one identify, through the same
// road a received block takes: framing, one parse, the logs, the dispatch.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "running_services.h"

namespace nb {
namespace {

using bench::Feed;
using bench::RunningServices;

// What an uplink sends for `users` users who each joined 3 of users/10 channels.
std::string BurstText(int users) {
    std::string text;
    int channels = users / 10 > 3 ? users / 10 : 3;
    for (int i = 0; i < users; ++i) {
        std::string nick = "u" + std::to_string(i);
        text += "NICK " + nick + " 1 1765055235 u" + std::to_string(i) + " h" + std::to_string(i) +
                ".example.org irc.example.org 0 :Load user\r\n";
        for (int j = 0; j < 3; ++j) {
            text += ":" + nick + " JOIN #c" + std::to_string((i * 7 + j * 13) % channels) + "\r\n";
        }
    }
    text += "PING :irc.example.org\r\n";
    return text;
}

void RegisteredNickLine(std::string& file, int i) {
    file += "nick" + std::to_string(i) + " secret1 *!*@h.example.org *!*@h.example.org *!*@h.example.org "
            "[12/6/2026 9:07:15 PM] {N/A} [N/A] (N/A) 0 True NOTICE 12/6/2026 9:07:15 PM\r\n";
}


void BM_LinkBurst(benchmark::State& state) {
    std::string burst = BurstText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto f = std::make_unique<RunningServices>();
        state.ResumeTiming();
        Feed(*f, burst);
        state.PauseTiming();
        f.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LinkBurst)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// An identify with its reply and audit line, 10,000 nicks registered and online.
void BM_Identify(benchmark::State& state) {
    RunningServices f;
    std::string setup;
    for (int i = 0; i < 10000; ++i) {
        std::string nick = "u" + std::to_string(i);
        setup += "NICK " + nick + " 1 1765055235 u h.example.org irc.example.org 0 :U\r\n:" + nick +
                 " PRIVMSG NickServ :register secret1\r\n";
    }
    setup += "PING :irc.example.org\r\n";
    Feed(f, setup);
    std::string identify = ":u5000 PRIVMSG NickServ :identify secret1\r\n";
    for (auto _ : state) Feed(f, identify);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Identify);

// A new user registers while 100,000 nicks are registered: the block's durable write of the
// whole nick file included (Sync Writes on), as the user waits for it.
void BM_RegisterWithOneHundredThousandNicks(benchmark::State& state) {
    std::string nickFile;
    for (int i = 0; i < 100000; ++i) {
        RegisteredNickLine(nickFile, i);
    }
    RunningServices f({{"NickServ/NickServ.nb2", nickFile}}, state.range(0) != 0);
    long next = 0;
    for (auto _ : state) {
        std::string nick = "new" + std::to_string(next++);
        Feed(f, "NICK " + nick + " 1 1765055235 n h.example.org irc.example.org 0 :N\r\n:" + nick +
                    " PRIVMSG NickServ :register secret1\r\n");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RegisterWithOneHundredThousandNicks)->Arg(1)->Arg(0)->ArgName("sync")->Unit(benchmark::kMillisecond);

// N users in one channel all quit, one block each: a departure must cost the same however large
// the channel is.
void BM_EveryoneQuitsOneBigChannel(benchmark::State& state) {
    const int users = static_cast<int>(state.range(0));
    std::string arrive;
    std::string leave;
    for (int i = 0; i < users; ++i) {
        std::string nick = "u" + std::to_string(i);
        arrive += "NICK " + nick + " 1 1765055235 u h.example.org irc.example.org 0 :U\r\n:" + nick + " JOIN #big\r\n";
        leave += ":" + nick + " QUIT :bye\r\n";
    }
    arrive += "PING :irc.example.org\r\n";
    for (auto _ : state) {
        state.PauseTiming();
        auto f = std::make_unique<RunningServices>();
        Feed(*f, arrive);
        state.ResumeTiming();
        Feed(*f, leave);
        state.PauseTiming();
        f.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * users);
}
BENCHMARK(BM_EveryoneQuitsOneBigChannel)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace nb
