// Live records per second over a pseudo-terminal paced to the wire time of
// 115200 and 921600 baud, divided by what the wire allows (58 bytes per
// record: 8 request + 50 response, 10 bits per byte), beside a bare blocking
// client on the same line.
//
// Two lines are measured: the simulator's own PtyServer with its `--baud`
// pacing (an absolute schedule: each piece of the answer is written when its
// last byte is due, after the request's own wire time), and a line emulated
// here that feeds the simulator's protocol engine on the same principle. The
// bare client's ratio to the wire limit shows how closely the line itself is
// paced (at most 1.0 when it never outruns the wire).
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cli/console_platform.h"
#include "cli/tool.h"
#include "link/link.h"
#include "sim/simulator.h"

namespace {

constexpr double kSeconds = 0.5;  // one round
constexpr int kRounds = 5;        // alternating, medians reported
constexpr double kBytesPerRecord = 58.0;

double Now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void SleepUntil(double t) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(t);
    ts.tv_nsec = static_cast<long>((t - static_cast<double>(ts.tv_sec)) * 1e9);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

// A pseudo-terminal whose far end is the simulator's protocol engine behind
// a line of `baud`: a byte is handed over when its last bit has arrived.
class PacedLine {
  public:
    PacedLine(lqsim::Sensor& sensor, int baud) : sensor_(sensor), byteTime_(10.0 / baud) {}
    ~PacedLine() { Stop(); }

    bool Start() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return false;
        char name[128];
        if (ptsname_r(master_, name, sizeof name) != 0) return false;
        slave_ = name;
        termios t{};
        tcgetattr(master_, &t);
        cfmakeraw(&t);
        tcsetattr(master_, TCSANOW, &t);
        holder_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);  // keeps the line up
        if (holder_ < 0) return false;
        tcgetattr(holder_, &t);
        cfmakeraw(&t);
        tcsetattr(holder_, TCSANOW, &t);
        thread_ = std::thread([this] { Serve(); });
        return true;
    }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (holder_ >= 0) close(holder_);
        if (master_ >= 0) close(master_);
        holder_ = master_ = -1;
    }
    const std::string& SlavePath() const { return slave_; }

  private:
    void Serve() {
        std::vector<uint8_t> in(4096), out;
        // About a millisecond of wire per write, as a USB adapter hands bytes over.
        const size_t chunk = std::max<size_t>(1, static_cast<size_t>(1e-3 / byteTime_));
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            const double got = Now();
            const ssize_t n = read(master_, in.data(), in.size());
            if (n <= 0) continue;
            out.clear();
            sensor_.Feed(in.data(), static_cast<size_t>(n), out);
            // The request took its wire time to come in; the answer follows it.
            const double start = got + static_cast<double>(n) * byteTime_;
            for (size_t i = 0; i < out.size(); i += chunk) {
                const size_t len = std::min(chunk, out.size() - i);
                SleepUntil(start + static_cast<double>(i + len) * byteTime_);
                if (write(master_, out.data() + i, len) < 0) break;
            }
        }
    }

    lqsim::Sensor& sensor_;
    double byteTime_;
    int master_ = -1, holder_ = -1;
    std::string slave_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

// The program's loop over COM1 -> `slave`; records per second or -1.
double ProgramRate(const std::string& slave, int baudIndex, const std::string& dir) {
    const std::string link = dir + "/ttyS0";
    std::filesystem::remove(link);
    if (symlink(slave.c_str(), link.c_str()) != 0) return -1;
    lq::cli::ConsolePlatform platform;
    auto app = std::make_unique<lq::App>(platform);
    lq::App& a = *app;
    lq::CopyText(a.dev.deviceDir, dir);
    a.s.link.protocol = lq::PROTOCOL_RS232;
    a.s.link.comPort = 1;
    a.s.link.baudIndex = static_cast<uint16_t>(baudIndex);
    lq::InitRS232(a);
    if (a.s.linkResult < 0) return -1;
    long n = 0;
    const double start = Now();
    while (Now() - start < kSeconds) {
        lq::FillTxBuf(a, lq::ORDER_LIVE, 0, 0);
        if (lq::DataExchange(a, lq::kHeaderSize) != 1) return -1;
        ++n;
    }
    const double rate = static_cast<double>(n) / (Now() - start);
    lq::CloseCom(a, 1);
    return rate;
}

double ThreadCpu() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// The same loop without the program: blocking write, blocking reads.
// `cpuPerRecord` receives this thread's CPU seconds per record.
double BareRate(const std::string& slave, double* cpuPerRecord = nullptr) {
    const int fd = open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &t);
    uint8_t req[8], rx[64];
    lq::BuildFrameHeader(req, lq::ORDER_LIVE, 0, 0);
    long n = 0;
    const double cpu0 = ThreadCpu();
    const double start = Now();
    while (Now() - start < kSeconds) {
        if (write(fd, req, 8) != 8) return -1;
        size_t got = 0;
        while (got < 50) {
            const ssize_t r = read(fd, rx + got, 50 - got);
            if (r <= 0) return -1;
            got += static_cast<size_t>(r);
        }
        if (!lq::HeaderValid(rx)) return -1;
        ++n;
    }
    const double rate = static_cast<double>(n) / (Now() - start);
    if (cpuPerRecord && n > 0) *cpuPerRecord = (ThreadCpu() - cpu0) / static_cast<double>(n);
    close(fd);
    return rate;
}

void Print(const char* line, int baud, double ours, double bare) {
    const double limit = baud / 10.0 / kBytesPerRecord;
    std::printf("%-22s %7d baud: DataExchange %8.1f/s  bare %8.1f/s  wire limit %7.1f/s\n", line,
                baud, ours, bare, limit);
    std::printf(
        "%-22s %7d baud: ratio DataExchange / wire limit %.3f  (goal >= 0.9)  "
        "bare / wire limit %.3f  DataExchange / bare %.3f\n",
        line, baud, ours / limit, bare / limit, ours / bare);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Alternating rounds of the program and the bare client on one line.
bool Measure(const char* name, const std::string& slave, int baud, int index,
             const std::string& dir) {
    std::vector<double> ours, bare;
    for (int r = 0; r < kRounds; ++r) {
        ours.push_back(ProgramRate(slave, index, dir));
        bare.push_back(BareRate(slave));
        if (ours.back() < 0 || bare.back() < 0) {
            std::printf("%s %d baud: exchange failed\n", name, baud);
            return false;
        }
    }
    Print(name, baud, Median(ours), Median(bare));
    return true;
}

// `lumiquad-cli live --count N` on COM1 -> `slave` (start-up, connection and
// identification included, output to /dev/null); records per second or -1.
double CliRate(const std::string& slave, int baud, long count, const std::string& dir,
               double* cpuPerRecord) {
    const std::string link = dir + "/ttyS0";
    std::filesystem::remove(link);
    if (symlink(slave.c_str(), link.c_str()) != 0) return -1;
    const std::string b = std::to_string(baud), c = std::to_string(count);
    const char* argv[] = {"lumiquad-cli", "--com",     "1",    "--baud",  b.c_str(),
                          "--device-dir", dir.c_str(), "live", "--count", c.c_str()};
    FILE* sink = std::fopen("/dev/null", "w");
    const double cpu0 = ThreadCpu();
    const double start = Now();
    const int rc = lq::cli::Main(10, argv, sink, stderr);
    const double seconds = Now() - start;
    *cpuPerRecord = (ThreadCpu() - cpu0) / static_cast<double>(count);
    std::fclose(sink);
    return rc == 0 ? static_cast<double>(count) / seconds : -1;
}

struct Spread {
    std::vector<double> v;
    double Median() const {
        std::vector<double> s = v;
        std::sort(s.begin(), s.end());
        return s.empty() ? 0 : s[s.size() / 2];
    }
    double Min() const { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }
    double Max() const { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }
};

// The command-line tool against the bare client on the simulator's
// pseudo-terminal, in alternating rounds.
bool MeasureCli(const std::string& slave, int baud, const std::string& dir) {
    const long count = baud >= 921600 ? 2000 : 300;
    Spread ratio, cli, bare, cliCpu, bareCpu;
    for (int r = 0; r < kRounds; ++r) {
        double cc = 0, bc = 0;
        const double c = CliRate(slave, baud, count, dir, &cc);
        const double b = BareRate(slave, &bc);
        if (c < 0 || b < 0) {
            std::printf("lumiquad-cli %d baud: exchange failed\n", baud);
            return false;
        }
        ratio.v.push_back(c / b);
        cli.v.push_back(c);
        bare.v.push_back(b);
        cliCpu.v.push_back(cc * 1e6);
        bareCpu.v.push_back(bc * 1e6);
    }
    std::printf(
        "lumiquad-cli live %7d baud: tool %.1f/s, bare %.1f/s (best rounds); ratio per round "
        "pair: median %.3f, range %.3f-%.3f; CPU per record (medians): tool %.1f us, bare "
        "%.1f us\n",
        baud, cli.Max(), bare.Max(), ratio.Median(), ratio.Min(), ratio.Max(), cliCpu.Median(),
        bareCpu.Median());
    return true;
}

}  // namespace

int main() {
    char dirTemplate[] = "/tmp/lqbench.XXXXXX";
    const std::string dir = mkdtemp(dirTemplate);
    bool ok = true;
    for (const auto& [baud, index] : {std::pair{115200, 4}, std::pair{921600, 7}}) {
        {
            lqsim::Sensor sensor;
            PacedLine line(sensor, baud);
            if (!line.Start()) return 1;
            ok = Measure("emulated line", line.SlavePath(), baud, index, dir) && ok;
        }
        {
            lqsim::SimConfig cfg;
            cfg.baud = baud;
            lqsim::Sensor sensor(cfg);
            lqsim::PtyServer pty(sensor);
            if (!pty.Start()) return 1;
            ok = Measure("simulator PtyServer", pty.SlavePath(), baud, index, dir) && ok;
            ok = MeasureCli(pty.SlavePath(), baud, dir) && ok;
        }
    }
    std::filesystem::remove_all(dir);
    return ok ? 0 : 1;
}
