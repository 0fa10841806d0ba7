// `lumiquad-cli live --count 10000` against the simulated sensor on TCP
// loopback, side by side with a bare blocking client that runs the same
// request/response loop (order 8, 8-byte request, 50-byte answer) without any
// event dispatch, display or output. The ratio of the two rates is the cost
// of going through the program's session, link and console platform.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bare_client.h"
#include "cli/tool.h"
#include "link/crc8.h"
#include "sim/simulator.h"

namespace {

constexpr int kRecords = 10000;
constexpr int kRounds = 5;

using Clock = std::chrono::steady_clock;

// Records per second of the bare client on a connection of its own; 0 when
// the exchange broke.
double BareRate(int port) {
    lqbench::BareLiveClient bare;
    if (!bare.Connect(port)) return 0;
    const double rate = bare.Run(0, kRecords);
    return rate > 0 ? rate : 0;
}

// Records per second of the tool, start-up, connection and identification included.
double CliRate(int port, FILE* sink) {
    const std::string link = "127.0.0.1:" + std::to_string(port);
    const std::string count = std::to_string(kRecords);
    const char* argv[] = {"lumiquad-cli", "--tcp", link.c_str(), "live", "--count", count.c_str()};
    const Clock::time_point start = Clock::now();
    const int rc = lq::cli::Main(6, argv, sink, stderr);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return rc == 0 ? kRecords / seconds : 0;
}

void BM_CliLiveVersusBareClient(benchmark::State& state) {
    lqsim::Sensor sensor;
    lqsim::TcpServer server(sensor);
    if (!server.Start()) {
        state.SkipWithError("cannot start the simulator");
        return;
    }
    FILE* sink = std::fopen("/dev/null", "w");
    double bare = 0, cli = 0;
    std::vector<double> ratios;
    for (auto _ : state) {
        // Alternating rounds, so that both see the same machine: the ratio of
        // each pair of rounds, their median, and each one's best round.
        for (int round = 0; round < kRounds; ++round) {
            const double b = BareRate(server.Port());
            const double c = CliRate(server.Port(), sink);
            if (b > 0 && c > 0) ratios.push_back(c / b);
            bare = std::max(bare, b);
            cli = std::max(cli, c);
        }
    }
    std::fclose(sink);
    if (bare <= 0 || cli <= 0 || ratios.empty()) {
        state.SkipWithError("an exchange failed");
        return;
    }
    std::sort(ratios.begin(), ratios.end());
    const double median = ratios[ratios.size() / 2];
    state.counters["bare_records_per_s"] = bare;
    state.counters["cli_records_per_s"] = cli;
    state.counters["ratio"] = median;
    std::printf(
        "live --count %d: tool %.0f records/s, bare client %.0f records/s (best rounds); ratio "
        "per round pair: median %.3f, range %.3f-%.3f (goal >= 0.9)\n",
        kRecords, cli, bare, median, ratios.front(), ratios.back());
}

BENCHMARK(BM_CliLiveVersusBareClient)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
