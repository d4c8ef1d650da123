// The statistics pages of a large network, and the web server answering many visitors at once.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <boost/asio.hpp>
#include <memory>
#include <thread>

#include "running_services.h"

namespace nb {
namespace {

constexpr int kUsers = 10000;
constexpr int kChannels = 3000;

std::string Nick(int user) { return "u" + std::to_string(user); }

// 10,000 users online, each in two of 3,000 channels, every one of them registered, as are
// their nicks.
std::unique_ptr<bench::RunningServices> LargeNetwork() {
    std::string nicks, channels, burst;
    for (int user = 0; user < kUsers; ++user) {
        nicks += Nick(user) + " secret1 *u@*.example.org *u@*.example.org *u@*.example.org [12/6/2026 9:07:15 PM] "
                 "{N/A} [u@example.org] (http://example.org) 30 True NOTICE 12/6/2026 9:07:15 PM\r\n";
        burst += "NICK " + Nick(user) + " 1 1765055235 u h" + std::to_string(user) + ".example.org irc.example.org 0 :User\r\n:" +
                 Nick(user) + " JOIN #c" + std::to_string(user % kChannels) + ",#c" + std::to_string((user * 7) % kChannels) + "\r\n";
    }
    for (int channel = 0; channel < kChannels; ++channel)
        channels += "#c" + std::to_string(channel) + " pw " + Nick(channel) +
                    " owner@example.org (A <b>channel</b>) [nt] [Topic] {Welcome & hello} 12/6/2026 0 0 0\r\n";
    auto network = std::make_unique<bench::RunningServices>(
        std::map<std::string, std::string>{{"NickServ/NickServ.nb2", nicks}, {"ChanServ/ChanServ.nb2", channels}});
    bench::Feed(*network, burst + "PING :irc.example.org\r\n");
    return network;
}

void BM_StatisticsPagesOfALargeNetwork(benchmark::State& state) {
    auto network = LargeNetwork();
    const auto page = static_cast<StatisticsPage>(state.range(0));
    for (auto _ : state) network->program.Pages().Make(page);
    state.SetLabel(std::vector<std::string>{"index", "users", "chanserv", "nickserv"}.at(state.range(0)));
}
BENCHMARK(BM_StatisticsPagesOfALargeNetwork)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// 200 visitors connect at once and each fetches the index page; requests per second and the
// slowest one in a hundred, from connecting to the last byte.
void BM_TwoHundredVisitorsFetchTheIndex(benchmark::State& state) {
    constexpr int kVisitors = 200;
    auto network = LargeNetwork();
    network->program.Pages().MakeAll();
    boost::asio::io_context serverLoop;
    auto work = boost::asio::make_work_guard(serverLoop);
    WebServer server(serverLoop, network->dir.Path() / "data/Webserver", network->clock, network->console);
    if (!server.Start("127.0.0.1", 0)) return state.SkipWithError("no port");
    std::thread serving([&] { serverLoop.run(); });
    const boost::asio::ip::tcp::endpoint endpoint(boost::asio::ip::make_address("127.0.0.1"),
                                                  static_cast<unsigned short>(server.Port()));

    std::vector<double> latencies;
    double seconds = 0;
    int refused = 0;  // beyond the 50 connections at once
    for (auto _ : state) {
        boost::asio::io_context clients;
        const auto start = std::chrono::steady_clock::now();
        for (int visitor = 0; visitor < kVisitors; ++visitor) {
            auto socket = std::make_shared<boost::asio::ip::tcp::socket>(clients);
            auto answer = std::make_shared<std::string>();
            socket->async_connect(endpoint, [&, socket, answer](boost::system::error_code error) {
                if (error) return;
                boost::asio::write(*socket, boost::asio::buffer(std::string("GET / HTTP/1.0\r\n\r\n")));
                boost::asio::async_read(*socket, boost::asio::dynamic_buffer(*answer), [&, socket, answer](auto, std::size_t) {
                    if (!answer->starts_with("HTTP/1.0 200")) return (void)++refused;
                    latencies.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
                });
            });
        }
        clients.run();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    boost::asio::post(serverLoop, [&] { server.Stop(); });
    work.reset();
    serving.join();
    std::sort(latencies.begin(), latencies.end());
    state.counters["requests_per_s"] = static_cast<double>(latencies.size()) / seconds;
    state.counters["refused"] = refused;
    state.counters["p99_ms"] = latencies.empty() ? 0 : latencies[latencies.size() * 99 / 100];
}
BENCHMARK(BM_TwoHundredVisitorsFetchTheIndex)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace nb
