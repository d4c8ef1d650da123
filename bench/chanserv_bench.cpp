// ChanServ at network scale: a burst of users who each join three registered channels, with
// every entry enforced (op, voice, ban and kick) and every greet sent, through the road a
// received block takes: framing, one parse, the logs, the dispatch.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

#include "running_services.h"

namespace nb {
namespace {

constexpr int kRegisteredChannels = 3000;
constexpr int kAccessEntries = 10000;
constexpr int kChannelsPerUser = 3;

using bench::Feed;
using bench::RunningServices;

std::string Nick(int user) { return "u" + std::to_string(user); }
std::string Host(int user) { return "h" + std::to_string(user) + ".example.org"; }
// The user's n-th channel: users spread evenly over the registered channels.
int ChannelOf(int user, int n) { return (user * 7 + n * 1013) % kRegisteredChannels; }
std::string ChannelName(int channel) { return "#r" + std::to_string(channel); }

// Every third channel greets; every channel keeps its topic and modes.
std::string ChannelFile() {
    std::string file;
    for (int channel = 0; channel < kRegisteredChannels; ++channel) {
        file += ChannelName(channel) + " secret1 owner owner@example.org (Bench channel) [nt] [Kept topic] "
                "{Welcome to the channel} 12/6/2026 1 1 " + std::string(channel % 3 == 0 ? "1" : "0") + "\r\n";
    }
    return file;
}

// Entries for the first users on channels they join, with every kind of level: op, voice,
// nothing, and ban and kick.
std::string AccessFile() {
    constexpr int kLevels[] = {500, 200, 150, 100, 50, 1};
    std::string file;
    for (int entry = 0; entry < kAccessEntries; ++entry) {
        int user = entry / 2;
        file += ChannelName(ChannelOf(user, entry % 2)) + " " + Nick(user) + " *!*@" + Host(user) + " none none " +
                std::to_string(kLevels[entry % 6]) + "\r\n";
    }
    return file;
}

// Each user is introduced and joins its three channels in one JOIN line.
std::string BurstText(int users) {
    std::string text;
    for (int user = 0; user < users; ++user) {
        text += "NICK " + Nick(user) + " 1 1765055235 " + Nick(user) + " " + Host(user) +
                " irc.example.org 0 :Load user\r\n:" + Nick(user) + " JOIN ";
        for (int n = 0; n < kChannelsPerUser; ++n) text += (n > 0 ? "," : "") + ChannelName(ChannelOf(user, n));
        text += "\r\n";
    }
    text += "PING :irc.example.org\r\n";
    return text;
}


void BM_JoinBurstToRegisteredChannels(benchmark::State& state) {
    std::string burst = BurstText(static_cast<int>(state.range(0)));
    std::size_t sent = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto f = std::make_unique<RunningServices>(
            std::map<std::string, std::string>{{"ChanServ/ChanServ.nb2", ChannelFile()}, {"ChanServ/Access.nb2", AccessFile()}});
        state.ResumeTiming();
        Feed(*f, burst);
        state.PauseTiming();
        sent = f->link.lines;
        f.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    // What the services answered in one burst: statuses, bans, kicks, greets and the PONGs.
    state.counters["lines_sent"] = static_cast<double>(sent);
}
BENCHMARK(BM_JoinBurstToRegisteredChannels)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace nb
