// The live loop through the Qt platform (offscreen) against the simulator on
// TCP loopback, side by side with a bare blocking client on the same
// simulator: the program's records per second as a share of the bare rate,
// and the display work per record (SetPanelData + ShowGraph3D).
#if __has_include(<QApplication>)
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/core/session_state.h"
#include "bench/bare_client.h"
#include "app/qt/qt_platform.h"
#include "app/winmain.h"
#include "link/crc8.h"
#include "link/link.h"
#include "sim/simulator.h"
#include "ui/view/view.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kRoundSeconds = 1.0;
constexpr int kRounds = 5;

QApplication& App() {
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "bench_qt_live_loop";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

std::string UirPath() {
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / lq::kUirFileName)
        .string();
}

// CPU seconds of the calling thread.
double ThreadCpu() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// Live requests per second of the bare client, on a connection of its own.
double BareRate(int port, double seconds, double* cpuPerRecord) {
    lqbench::BareLiveClient bare;
    if (!bare.Connect(port)) return 0;
    const double rate = bare.Run(seconds, 0, cpuPerRecord);
    return rate > 0 ? rate : 0;
}

struct Program {
    lq::qt::QtPlatform qp;
    lq::App a{qp};
    bool ok = false;

    explicit Program(int port) {
        if (lq::LoadProgramPanels(a, UirPath()) != 0) return;
        qp.SetAutomaticPopupAnswers(true);
        qp.DisplayPanel(a.s.dataPanel);
        qp.DisplayPanel(a.s.mainPanel);
        QApplication::processEvents();
        a.s.link.protocol = lq::PROTOCOL_TCPIP;
        lq::CopyText(a.s.link.host, "127.0.0.1");
        a.s.link.tcpPort = port;
        ok = true;
    }
    ~Program() {
        if (a.s.tcpOpen != 0) lq::DisconnectFromTCPServer(a);
        qp.DiscardPanel(a.s.mainPanel);
    }

    // GO for `seconds`, then STOP, as an operator would; records per second.
    double LiveRate(lqsim::Sensor& sensor, double seconds, double* cpuPerRecord) {
        lq::InitTCP_IP(a);
        if (a.s.linkResult < 0) return 0;
        a.s.connected = 1;
        sensor.ClearRequests();
        QTimer::singleShot(static_cast<int>(seconds * 1000),
                           [this] { qp.OperatorCommit(a.s.mainPanel, lq::BUTTON_STOP); });
        const double cpu0 = ThreadCpu();
        const Clock::time_point start = Clock::now();
        qp.OperatorCommit(a.s.mainPanel, lq::BUTTON_GO);
        const Clock::time_point end = Clock::now();
        const double cpu = ThreadCpu() - cpu0;
        const long n = static_cast<long>(sensor.RequestCount(lq::ORDER_LIVE));
        *cpuPerRecord = n > 0 ? cpu / n : 0;
        lq::DisconnectFromTCPServer(a);
        return n / Seconds(start, end);
    }
};

void BM_LiveLoopVersusBareClient(benchmark::State& state) {
    App();
    lqsim::Sensor sensor;
    lqsim::TcpServer server(sensor);
    if (!server.Start()) {
        state.SkipWithError("simulator cannot listen");
        return;
    }
    Program program(server.Port());
    if (!program.ok) {
        state.SkipWithError("resource not found beside the benchmark");
        return;
    }
    double bare = 0, live = 0;
    std::vector<double> ratios, bareCpu, liveCpu;
    for (auto _ : state) {
        // Alternate, so both see the same machine load: the ratio of each
        // pair of rounds, their median, and each one's best round.
        for (int round = 0; round < kRounds; ++round) {
            double bc = 0, lc = 0;
            const double b = BareRate(server.Port(), kRoundSeconds, &bc);
            const double l = program.LiveRate(sensor, kRoundSeconds, &lc);
            bareCpu.push_back(bc * 1e6);
            liveCpu.push_back(lc * 1e6);
            if (b > 0) ratios.push_back(l / b);
            bare = std::max(bare, b);
            live = std::max(live, l);
        }
    }
    std::sort(ratios.begin(), ratios.end());
    const double median = ratios.empty() ? 0 : ratios[ratios.size() / 2];
    state.counters["bare_per_s"] = bare;
    state.counters["program_per_s"] = live;
    state.counters["ratio"] = median;
    std::printf(
        "live loop: program %.0f records/s, bare client %.0f/s (best rounds); ratio per round "
        "pair: median %.3f, range %.3f-%.3f (goal >= 0.8)\n",
        live, bare, median, ratios.empty() ? 0 : ratios.front(),
        ratios.empty() ? 0 : ratios.back());
    std::sort(bareCpu.begin(), bareCpu.end());
    std::sort(liveCpu.begin(), liveCpu.end());
    if (!bareCpu.empty())
        std::printf(
            "CPU of the loop's thread per record (medians): program %.2f us, bare %.2f us\n",
            liveCpu[liveCpu.size() / 2], bareCpu[bareCpu.size() / 2]);
}
BENCHMARK(BM_LiveLoopVersusBareClient)->Iterations(1)->Unit(benchmark::kSecond);

// The display work of one record: the seven displays, the history shift, the
// framing, the cursors and the strip chart, with Qt's coalesced repaints
// running between records as they do in the loop.
void BM_DisplayPerRecord(benchmark::State& state) {
    App();
    lqsim::Sensor sensor;
    Program program(0);
    if (!program.ok) {
        state.SkipWithError("resource not found beside the benchmark");
        return;
    }
    lq::App& a = program.a;
    lq::LoadDefaultParaValues(a.para, a.teach, 1);
    for (int i = 0; i < 31; ++i) {
        a.teach[i][lq::CELL0] = static_cast<uint16_t>(2000 + 50 * i);
        a.teach[i][lq::CELL1] = static_cast<uint16_t>(3000 + 30 * i);
        a.teach[i][lq::CELL2] = static_cast<uint16_t>(1000 + 20 * i);
        a.teach[i][lq::CELL3] = 200;
    }
    lq::InitGraphs(a);
    std::vector<double> ms;
    ms.reserve(1 << 16);
    for (auto _ : state) {
        const std::array<int16_t, 21> w = sensor.Measure();
        for (size_t i = 0; i < w.size(); ++i) a.s.liveRecord.w[i] = w[i];
        const Clock::time_point t0 = Clock::now();
        lq::SetPanelData(a);
        lq::ShowGraph3D(a);
        const Clock::time_point t1 = Clock::now();
        ms.push_back(Seconds(t0, t1) * 1000.0);
        QApplication::processEvents();
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms.empty() ? 0 : ms[ms.size() / 2];
    state.counters["median_ms"] = median;
    std::printf("display per record: median %.4f ms over %zu records (goal <= 0.2 ms)\n", median,
                ms.size());
}
BENCHMARK(BM_DisplayPerRecord)->Iterations(5000);

// One pass of event dispatch with nothing waiting (what the data wait runs
// when the answer came with its header), beside a bare poll() of the same
// descriptors for scale: the toolkit's share of each exchange.
void BM_DispatchPass(benchmark::State& state) {
    App();
    Program program(0);
    if (!program.ok) {
        state.SkipWithError("resource not found beside the benchmark");
        return;
    }
    constexpr int kPasses = 20000;
    QApplication::processEvents();
    const Clock::time_point t0 = Clock::now();
    for (int i = 0; i < kPasses; ++i) program.qp.ProcessSystemEvents();
    const Clock::time_point t1 = Clock::now();
    pollfd p{0, 0, 0};
    for (int i = 0; i < kPasses; ++i) ::poll(&p, 1, 0);
    const Clock::time_point t2 = Clock::now();
    // The header wait's pass: a byte is ready on a watched descriptor, the
    // wait blocks for at most 3 s and returns once the watch has read it.
    int fds[2];
    if (::pipe(fds) != 0) {
        state.SkipWithError("no pipe");
        return;
    }
    int got = 0;
    const int watch = program.qp.AddFdWatch(fds[0], [&] {
        char c;
        if (::read(fds[0], &c, 1) == 1) ++got;
    });
    const char one = 1;
    const Clock::time_point t3 = Clock::now();
    for (int i = 0; i < kPasses; ++i) {
        if (::write(fds[1], &one, 1) != 1) break;
        while (got <= i) program.qp.WaitForEvents(3.001);
    }
    const Clock::time_point t4 = Clock::now();
    for (int i = 0; i < kPasses; ++i) {
        char c;
        if (::write(fds[1], &one, 1) != 1 || ::read(fds[0], &c, 1) != 1) break;
    }
    const Clock::time_point t5 = Clock::now();
    program.qp.RemoveFdWatch(watch);
    ::close(fds[0]);
    ::close(fds[1]);
    const double qt = Seconds(t0, t1) / kPasses * 1e6;
    const double bare = Seconds(t1, t2) / kPasses * 1e6;
    const double wait = Seconds(t3, t4) / kPasses * 1e6;
    const double plain = Seconds(t4, t5) / kPasses * 1e6;
    for (auto _ : state) {
    }
    state.counters["pass_us"] = qt;
    state.counters["wait_pass_us"] = wait;
    std::printf("dispatch pass with nothing waiting: %.2f us (a bare poll(0): %.2f us)\n", qt,
                bare);
    std::printf(
        "wait pass for a ready byte (write, WaitForEvents, watch reads it): %.2f us "
        "(write + read alone: %.2f us)\n",
        wait, plain);
}
BENCHMARK(BM_DispatchPass)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();

#else  // built without the Qt layer: nothing to measure
#include <cstdio>
int main() {
    std::puts("bench_qt_live_loop: built without the Qt layer, nothing measured");
    return 0;
}
#endif
