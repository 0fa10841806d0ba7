// CPU time the program uses while an exchange waits for a sensor that does
// not answer, as a share of the wall time of the wait: over TCP loopback
// (one 3 s wait) and over a pseudo-terminal (3 s wait plus the port's 2 s
// final read). Measured on the program's thread, beside a busy-polling wait
// of the same length for scale.
#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "cli/console_platform.h"
#include "link/link.h"
#include "sim/simulator.h"

namespace {

double ThreadCpu() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double Wall() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Share {
    double wall, cpu;
};

// One exchange against the silent sensor; false when it did not time out.
bool SilentExchange(lq::App& a, Share& out) {
    lq::FillTxBuf(a, lq::ORDER_LIVE, 0, 0);
    const double w0 = Wall(), c0 = ThreadCpu();
    const int r = lq::DataExchange(a, lq::kHeaderSize);
    out = {Wall() - w0, ThreadCpu() - c0};
    return r == -1 && std::string(a.s.statusText).rfind("TIMEOUT!", 0) == 0;
}

void Print(const char* what, const Share& s, const char* goal) {
    std::printf("%-38s wall %.3f s  cpu %.4f s  cpu/wall %.3f %%%s\n", what, s.wall, s.cpu,
                100.0 * s.cpu / s.wall, goal);
}

}  // namespace

int main() {
    lqsim::SimConfig silent;
    silent.fault = lqsim::Fault::Silent;
    lqsim::Sensor sensor(silent);

    // TCP loopback.
    lqsim::TcpServer server(sensor);
    if (!server.Start()) return 1;
    lq::cli::ConsolePlatform platform;
    auto app = std::make_unique<lq::App>(platform);
    lq::App& a = *app;
    a.s.link.protocol = lq::PROTOCOL_TCPIP;
    lq::CopyText(a.s.link.host, "127.0.0.1");
    a.s.link.tcpPort = server.Port();
    lq::InitTCP_IP(a);
    if (!a.s.tcpOpen) return 1;
    Share tcp{};
    if (!SilentExchange(a, tcp)) return 1;
    lq::DisconnectFromTCPServer(a);

    // Pseudo-terminal behind COM1.
    lqsim::PtyServer pty(sensor);
    char dirTemplate[] = "/tmp/lqbench.XXXXXX";
    const std::string dir = mkdtemp(dirTemplate);
    if (!pty.Start() || !pty.Link(dir + "/ttyS0")) return 1;
    lq::CopyText(a.dev.deviceDir, dir);
    a.s.link.protocol = lq::PROTOCOL_RS232;
    a.s.link.comPort = 1;
    lq::InitRS232(a);
    if (a.s.linkResult < 0) return 1;
    Share serial{};
    const bool serialOk = SilentExchange(a, serial);
    lq::CloseCom(a, 1);
    pty.Stop();
    std::filesystem::remove_all(dir);
    if (!serialOk) return 1;

    // For scale: a wait that polls without pausing, as long as the TCP one.
    Share spin{};
    {
        const double w0 = Wall(), c0 = ThreadCpu();
        while (Wall() - w0 < tcp.wall) platform.ProcessSystemEvents();
        spin = {Wall() - w0, ThreadCpu() - c0};
    }

    Print("TCP, silent sensor (one wait)", tcp, "  (goal < 3 %)");
    Print("RS-232 pty, silent sensor (+2 s read)", serial, "  (goal < 3 %)");
    Print("busy-polling wait, for scale", spin, "");
    std::printf("ratio CPU of the TCP wait / busy-polling wait: %.4f\n", tcp.cpu / spin.cpu);
    return 0;
}
