// Live-record exchanges per second over TCP loopback against the simulator:
// the program's DataExchange (event dispatch on every pass, descriptor watch)
// beside a bare blocking client doing the same request/response loop. Also
// counts heap allocations per exchange on the program's thread.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "bench/bare_client.h"
#include "cli/console_platform.h"
#include "link/link.h"
#include "link/link_internal.h"
#include "sim/simulator.h"

// ---- allocation counting (this thread only: the simulator has its own) ----------

namespace {
thread_local long tAllocations = 0;
}

void* operator new(std::size_t n) {
    ++tAllocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    ++tAllocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kRoundSeconds = 0.3;
constexpr int kRounds = 15;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double ThreadCpu() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// CPU time of this thread per exchange in the last Run(), microseconds.
thread_local double tCpuPerExchange = 0;

// The program's loop: FillTxBuf + DataExchange over the link layer.
struct ProgramClient {
    lq::cli::ConsolePlatform platform;
    std::unique_ptr<lq::App> app = std::make_unique<lq::App>(platform);

    bool Connect(int port) {
        lq::App& a = *app;
        a.s.link.protocol = lq::PROTOCOL_TCPIP;
        lq::CopyText(a.s.link.host, "127.0.0.1");
        a.s.link.tcpPort = port;
        lq::InitTCP_IP(a);
        return a.s.tcpOpen == 1;
    }
    // Exchanges for `seconds`; returns exchanges per second (-1 on failure).
    double Run(double seconds, long* allocations = nullptr, long* count = nullptr) {
        lq::App& a = *app;
        long n = 0;
        const long before = tAllocations;
        const double cpu0 = ThreadCpu();
        const auto start = Clock::now();
        const auto end = start + std::chrono::duration<double>(seconds);
        while (Clock::now() < end) {
            for (int i = 0; i < 50; ++i) {
                lq::FillTxBuf(a, lq::ORDER_LIVE, 0, 0);
                if (lq::DataExchange(a, lq::kHeaderSize) != 1 || a.s.respLength != 42) return -1;
                ++n;
            }
        }
        const double rate = static_cast<double>(n) / Seconds(Clock::now() - start);
        tCpuPerExchange = (ThreadCpu() - cpu0) * 1e6 / static_cast<double>(n);
        if (allocations) *allocations = tAllocations - before;
        if (count) *count = n;
        return rate;
    }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    lqsim::Sensor sensorA, sensorB;
    lqsim::TcpServer serverA(sensorA), serverB(sensorB);
    if (!serverA.Start() || !serverB.Start()) {
        std::fprintf(stderr, "cannot start the simulator\n");
        return 1;
    }
    ProgramClient program;
    lqbench::BareLiveClient bare;
    if (!program.Connect(serverA.Port()) || !bare.Connect(serverB.Port())) {
        std::fprintf(stderr, "cannot connect\n");
        return 1;
    }
    // Warm-up, then the allocation count over a steady run.
    program.Run(0.2);
    bare.Run(0.2);
    long allocations = 0, counted = 0;
    program.Run(0.5, &allocations, &counted);

    std::vector<double> ours, theirs, ratios, cpuOurs, cpuBare;
    for (int r = 0; r < kRounds; ++r) {
        const double o = program.Run(kRoundSeconds);
        cpuOurs.push_back(tCpuPerExchange);
        double bareCpu = 0;
        const double b = bare.Run(kRoundSeconds, 0, &bareCpu);
        cpuBare.push_back(bareCpu * 1e6);
        if (o < 0 || b < 0) {
            std::fprintf(stderr, "exchange failed in round %d\n", r);
            return 1;
        }
        ours.push_back(o);
        theirs.push_back(b);
        ratios.push_back(o / b);
        std::printf("round %d: DataExchange %.0f/s  bare client %.0f/s  ratio %.3f\n", r + 1, o, b,
                    o / b);
    }
    std::printf("TCP loopback live exchanges: DataExchange %.0f/s, bare blocking client %.0f/s\n",
                Median(ours), Median(theirs));
    std::printf("ratio DataExchange / bare (median of %d rounds): %.3f  (goal >= 0.9)\n", kRounds,
                Median(ratios));
    std::printf("ratio range %.3f-%.3f; best rounds: DataExchange %.0f/s, bare %.0f/s\n",
                *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()),
                *std::max_element(ours.begin(), ours.end()),
                *std::max_element(theirs.begin(), theirs.end()));
    std::printf("client-thread CPU per exchange: DataExchange %.2f us, bare %.2f us, ratio %.3f\n",
                Median(cpuOurs), Median(cpuBare), Median(cpuOurs) / Median(cpuBare));
    std::printf("heap allocations per exchange: %.4f  (%ld in %ld exchanges; goal 0)\n",
                counted ? static_cast<double>(allocations) / static_cast<double>(counted) : 0.0,
                allocations, counted);
    return 0;
}
