// The live loop through the Qt platform, painting included, against the
// simulator on TCP loopback, side by side with a bare blocking client on the
// same simulator. Each pacing (an unpaced simulator, and the wire time of
// 115200 and 921600 baud) is measured in alternating rounds of three: the bare
// client, the program with its window shown, the program with its window
// hidden (unmapped, so nothing is painted). Printed per pacing: the record
// rates and their ratios (median, range and best round of each side), the
// program's CPU per record and as a share of a core, the frames it painted and
// the CPU of one painted frame, and the X server's CPU per record.
//
// Without arguments it runs itself twice: on a private Xvfb with the xcb
// platform (a real X server: the frame goes out to it), then on the offscreen
// platform. `--platform xcb` uses the X server of $DISPLAY; `--platform
// offscreen` runs without one.
#if __has_include(<QApplication>)
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/core/session_state.h"
#include "app/qt/qt_platform.h"
#include "app/winmain.h"
#include "bench/bare_client.h"
#include "data/para.h"
#include "link/crc8.h"
#include "link/link.h"
#include "sim/simulator.h"
#include "ui/screen_events.h"
#include "ui/view/view.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 5;

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

double ClockSeconds(clockid_t id) {
    timespec ts{};
    clock_gettime(id, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// The CPU clock of another thread of this process, by its kernel thread id.
clockid_t ThreadClock(pid_t tid) {
    return static_cast<clockid_t>((~static_cast<unsigned>(tid) << 3) | 6u);
}

std::set<pid_t> Tasks() {
    std::set<pid_t> out;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') out.insert(static_cast<pid_t>(std::atoi(e->d_name)));
        closedir(d);
    }
    return out;
}

// CPU seconds of another process (user + system), at the kernel's tick.
double ProcessCpu(pid_t pid) {
    if (pid <= 0) return 0;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    FILE* f = std::fopen(path, "r");
    if (!f) return 0;
    char buf[1024] = {};
    const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = '\0';
    const char* p = std::strrchr(buf, ')');  // the name may hold blanks
    unsigned long utime = 0, stime = 0;
    if (!p || std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime,
                          &stime) != 2)
        return 0;
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Counts the frames the toolkit paints (the update requests of top-level
// windows: every changed widget painted, the backing store flushed) and the
// CPU this thread spends in them.
class BenchApp : public QApplication {
  public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            const double t0 = ClockSeconds(CLOCK_THREAD_CPUTIME_ID);
            const bool r = QApplication::notify(receiver, e);
            PaintTime& t = paintTimes[receiver->metaObject()->className()];
            t.cpu += ClockSeconds(CLOCK_THREAD_CPUTIME_ID) - t0;
            ++t.count;
            return r;
        }
        if (e->type() != QEvent::UpdateRequest || depth_ > 0)
            return QApplication::notify(receiver, e);
        ++depth_;
        const double t0 = ClockSeconds(CLOCK_THREAD_CPUTIME_ID);
        const bool r = QApplication::notify(receiver, e);
        frameCpu += ClockSeconds(CLOCK_THREAD_CPUTIME_ID) - t0;
        ++frames;
        --depth_;
        return r;
    }
    long frames = 0;
    double frameCpu = 0;
    // Paint events by the class of the widget painted.
    struct PaintTime {
        double cpu = 0;
        long count = 0;
    };
    std::map<std::string, PaintTime> paintTimes;

  private:
    int depth_ = 0;
};

BenchApp* gApp = nullptr;

std::string UirPath() {
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / lq::kUirFileName)
        .string();
}

// A simulator on a thread of its own; its thread is known so that its CPU
// can be told apart from the program's.
struct SimServer {
    lqsim::Sensor sensor;
    lqsim::TcpServer server{sensor};
    std::vector<pid_t> tids;

    explicit SimServer(int baud) : sensor(Config(baud)) {}
    static lqsim::SimConfig Config(int baud) {
        lqsim::SimConfig c;
        c.baud = baud;
        return c;
    }
    bool Start() {
        const std::set<pid_t> before = Tasks();
        if (!server.Start()) return false;
        for (pid_t t : Tasks())
            if (!before.count(t)) tids.push_back(t);
        return true;
    }
    double Cpu() const {
        double s = 0;
        for (pid_t t : tids) s += ClockSeconds(ThreadClock(t));
        return s;
    }
};

std::vector<SimServer*> gSims;

// CPU of the program: the whole process but the simulators' threads.
double ProgramCpu() {
    double sims = 0;
    for (const SimServer* s : gSims) sims += s->Cpu();
    return ClockSeconds(CLOCK_PROCESS_CPUTIME_ID) - sims;
}

// The demo's situation: five taught colours apart from each other, the
// sensor presenting the second of them, so that the live point stays inside
// the extents (the axis ranges keep still and the cursors move).
void TeachDemoColours(lqsim::Sensor& sensor, lq::App& a) {
    static constexpr int kColours[5][3] = {
        {1250, 350, 200}, {350, 1100, 350}, {100, 200, 500}, {400, 400, 400}, {1300, 650, 870}};
    lq::LoadDefaultParaValues(a.para, a.teach, 1);
    for (int n = 0; n < 5; ++n) {
        sensor.SetColor(kColours[n][0], kColours[n][1], kColours[n][2]);
        long sum[3] = {};
        for (int i = 0; i < 16; ++i) {
            const auto w = sensor.Measure();
            for (int k = 0; k < 3; ++k) sum[k] += w[3 + k];
        }
        for (int k = 0; k < 3; ++k) a.teach[n][lq::CELL0 + k] = static_cast<uint16_t>(sum[k] / 16);
        a.teach[n][lq::CELL3] = 500;
    }
    sensor.SetColor(kColours[1][0], kColours[1][1], kColours[1][2]);
}

struct Program {
    lq::qt::QtPlatform qp;
    lq::ScreenApp a{qp};
    bool ok = false;

    Program() {
        if (lq::LoadProgramPanels(a, UirPath()) != 0) return;
        qp.SetAutomaticPopupAnswers(true);
        qp.DisplayPanel(a.s.dataPanel);
        qp.DisplayPanel(a.s.mainPanel);
        Window()->move(0, 0);
        Settle();
        a.s.link.protocol = lq::PROTOCOL_TCPIP;
        lq::CopyText(a.s.link.host, "127.0.0.1");
        ok = true;
    }
    ~Program() {
        if (a.s.tcpOpen != 0) lq::DisconnectFromTCPServer(a);
        qp.DiscardPanel(a.s.mainPanel);
    }
    QWidget* Window() const { return qp.PanelWidgetOf(a.s.mainPanel); }
    void Settle() {
        for (int i = 0; i < 20; ++i) {
            QApplication::processEvents();
            usleep(5000);
        }
    }
    void SetShown(bool shown) {
        if (shown == Window()->isVisible()) return;
        if (shown)
            Window()->show();
        else
            Window()->hide();
        Settle();
    }

    struct Round {
        double rate = 0, cpuPerRecord = 0, coreShare = 0, frames = 0, frameCpu = 0, xCpu = 0;
    };

    // GO for `seconds`, then STOP, as an operator would.
    Round Live(SimServer& sim, double seconds, pid_t xServer) {
        Round out;
        a.s.link.tcpPort = sim.server.Port();
        lq::InitTCP_IP(a);
        if (a.s.linkResult < 0) return out;
        a.s.connected = 1;
        sim.sensor.ClearRequests();
        QTimer::singleShot(static_cast<int>(seconds * 1000),
                           [this] { qp.OperatorCommit(a.s.mainPanel, lq::BUTTON_STOP); });
        const long frames0 = gApp->frames;
        const double frameCpu0 = gApp->frameCpu;
        const double x0 = ProcessCpu(xServer);
        const double cpu0 = ProgramCpu();
        const Clock::time_point start = Clock::now();
        qp.OperatorCommit(a.s.mainPanel, lq::BUTTON_GO);
        const Clock::time_point end = Clock::now();
        const double cpu = ProgramCpu() - cpu0;
        // Counted over the whole run: the simulator's request log keeps only the latest.
        const long n = static_cast<long>(sim.sensor.RequestCount(lq::ORDER_LIVE));
        const double wall = Seconds(start, end);
        out.rate = n / wall;
        out.cpuPerRecord = n > 0 ? cpu / n : 0;
        out.coreShare = cpu / wall;
        out.frames = static_cast<double>(gApp->frames - frames0) / wall;
        const long f = gApp->frames - frames0;
        out.frameCpu = f > 0 ? (gApp->frameCpu - frameCpu0) / static_cast<double>(f) : 0;
        out.xCpu = n > 0 ? (ProcessCpu(xServer) - x0) / n : 0;
        lq::DisconnectFromTCPServer(a);
        return out;
    }
};

struct Stats {
    std::vector<double> v;
    void Add(double x) { v.push_back(x); }
    double Median() const {
        if (v.empty()) return 0;
        std::vector<double> s = v;
        std::sort(s.begin(), s.end());
        return s[s.size() / 2];
    }
    double Min() const { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }
    double Max() const { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }
};

void PrintRatio(const char* what, const Stats& s) {
    std::printf("  %-28s median %.3f  range %.3f-%.3f\n", what, s.Median(), s.Min(), s.Max());
}

// Alternating rounds: bare client, window shown, window hidden.
void MeasurePacing(Program& program, SimServer& sim, const char* name, double seconds,
                   pid_t xServer) {
    Stats bare, shown, hidden, shownBare, hiddenBare, shownHidden;
    Stats cpuShown, cpuHidden, coreShown, coreHidden, fps, frameCpu, xShown, xHidden, bareCpu;
    for (int round = 0; round < kRounds; ++round) {
        double bc = 0;
        double b = 0;
        {
            lqbench::BareLiveClient client;
            if (client.Connect(sim.server.Port())) b = std::max(client.Run(seconds, 0, &bc), 0.0);
        }
        program.SetShown(true);
        const Program::Round s = program.Live(sim, seconds, xServer);
        program.SetShown(false);
        const Program::Round h = program.Live(sim, seconds, xServer);
        if (b <= 0 || s.rate <= 0 || h.rate <= 0) {
            std::printf("%s: an exchange failed in round %d\n", name, round + 1);
            return;
        }
        bare.Add(b);
        shown.Add(s.rate);
        hidden.Add(h.rate);
        bareCpu.Add(bc * 1e6);
        shownBare.Add(s.rate / b);
        hiddenBare.Add(h.rate / b);
        shownHidden.Add(s.rate / h.rate);
        cpuShown.Add(s.cpuPerRecord * 1e6);
        cpuHidden.Add(h.cpuPerRecord * 1e6);
        coreShown.Add(s.coreShare * 100);
        coreHidden.Add(h.coreShare * 100);
        fps.Add(s.frames);
        if (s.frameCpu > 0) frameCpu.Add(s.frameCpu * 1e3);
        xShown.Add(s.xCpu * 1e6);
        xHidden.Add(h.xCpu * 1e6);
    }
    program.SetShown(true);
    std::printf("%s, %d rounds of %.1f s per side:\n", name, kRounds, seconds);
    std::printf(
        "  records/s (best round): bare %.0f, window shown %.0f, hidden %.0f; medians %.0f, "
        "%.0f, %.0f\n",
        bare.Max(), shown.Max(), hidden.Max(), bare.Median(), shown.Median(), hidden.Median());
    PrintRatio("shown / bare client:", shownBare);
    PrintRatio("hidden / bare client:", hiddenBare);
    PrintRatio("shown / hidden:", shownHidden);
    std::printf(
        "  program CPU per record (median): shown %.1f us, hidden %.1f us (bare client's "
        "thread %.1f us)\n",
        cpuShown.Median(), cpuHidden.Median(), bareCpu.Median());
    std::printf(
        "  program CPU, share of a core (median): shown %.2f %% (range %.2f-%.2f), "
        "hidden %.2f %%\n",
        coreShown.Median(), coreShown.Min(), coreShown.Max(), coreHidden.Median());
    std::printf(
        "  frames painted per second (median) %.1f; CPU per painted frame median %.3f ms "
        "(range %.3f-%.3f)\n",
        fps.Median(), frameCpu.Median(), frameCpu.Min(), frameCpu.Max());
    std::printf("  X server CPU per record (median): shown %.1f us, hidden %.1f us\n",
                xShown.Median(), xHidden.Median());
    std::fflush(stdout);
}

// The painting of one frame on its own: one live record's changes, then the
// window's update request served at once (every changed widget painted, the
// backing store flushed). Two cases: only the cursors, numbers, bars and strip
// chart moved (the ranges kept still), and every record also moved the ranges.
void MeasureFramePainting(Program& program, lqsim::Sensor& sensor) {
    lq::App& a = program.a;
    lq::InitGraphs(a);
    constexpr int kFrames = 300;
    for (const bool moveRanges : {false, true}) {
        Stats ms;
        gApp->paintTimes.clear();
        for (int i = 0; i < kFrames; ++i) {
            const std::array<int16_t, 21> w = sensor.Measure();
            for (size_t k = 0; k < w.size(); ++k) a.s.liveRecord.w[k] = w[k];
            // A live point outside the extents widens the ranges.
            if (moveRanges) a.s.liveRecord.w[3] = static_cast<int16_t>(9000 + 10 * (i % 50));
            lq::SetPanelData(a);
            lq::ShowGraph3D(a);
            // Until the coalescing timer has had the frame painted.
            const long f0 = gApp->frames;
            const double c0 = gApp->frameCpu;
            for (int k = 0; k < 100 && gApp->frames == f0; ++k) program.qp.WaitForEvents(0.01);
            if (gApp->frames > f0) ms.Add((gApp->frameCpu - c0) * 1e3 / (gApp->frames - f0));
        }
        std::printf("one painted frame, %s: CPU median %.3f ms (range %.3f-%.3f) over %zu frames\n",
                    moveRanges ? "the ranges moved too" : "the ranges kept still", ms.Median(),
                    ms.Min(), ms.Max(), ms.v.size());
        std::printf("  paint events, mean CPU of one:");
        for (const auto& [cls, t] : gApp->paintTimes)
            if (t.count >= kFrames / 2)
                std::printf(" %s %.3f ms (%ld)", cls.c_str(), t.cpu * 1e3 / t.count, t.count);
        std::printf("\n");
    }
    std::fflush(stdout);
}

// The setters of one record alone (SetPanelData + ShowGraph3D), without the
// painting they cause: what the loop itself pays per record for the display.
void MeasureSetters(Program& program, lqsim::Sensor& sensor) {
    lq::App& a = program.a;
    lq::InitGraphs(a);
    Stats us;
    for (int i = 0; i < 5000; ++i) {
        const std::array<int16_t, 21> w = sensor.Measure();
        for (size_t k = 0; k < w.size(); ++k) a.s.liveRecord.w[k] = w[k];
        const Clock::time_point t0 = Clock::now();
        lq::SetPanelData(a);
        lq::ShowGraph3D(a);
        us.Add(Seconds(t0, Clock::now()) * 1e6);
        QApplication::processEvents();
    }
    std::printf("display setters per record, painting not included: median %.2f us\n", us.Median());
}

// One pass of event dispatch with nothing waiting (what the data wait runs
// when the answer came with its header), beside a bare poll() for scale, and
// the header wait's pass for a byte that is ready on a watched descriptor.
void MeasureDispatch(Program& program) {
    constexpr int kPasses = 20000;
    QApplication::processEvents();
    const Clock::time_point t0 = Clock::now();
    for (int i = 0; i < kPasses; ++i) program.qp.ProcessSystemEvents();
    const Clock::time_point t1 = Clock::now();
    pollfd p{0, 0, 0};
    for (int i = 0; i < kPasses; ++i) ::poll(&p, 1, 0);
    const Clock::time_point t2 = Clock::now();
    int fds[2];
    if (::pipe(fds) != 0) return;
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
    std::printf("dispatch pass with nothing waiting: %.2f us (a bare poll(0): %.2f us)\n",
                Seconds(t0, t1) / kPasses * 1e6, Seconds(t1, t2) / kPasses * 1e6);
    std::printf(
        "wait pass for a ready byte (write, WaitForEvents, watch reads it): %.2f us "
        "(write + read alone: %.2f us)\n",
        Seconds(t3, t4) / kPasses * 1e6, Seconds(t4, t5) / kPasses * 1e6);
}

int RunOn(const std::string& platform, pid_t xServer, bool framesOnly) {
    setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    SimServer unpaced(0), slow(115200), fast(921600);
    static int argc = 1;
    static char name[] = "bench_qt_live_loop";
    static char* argv[] = {name, nullptr};
    BenchApp app(argc, argv);
    gApp = &app;
    QApplication::setStyle(QStringLiteral("Fusion"));  // as the program does
    for (SimServer* s : {&unpaced, &slow, &fast}) {
        if (!s->Start()) {
            std::printf("the simulator cannot listen\n");
            return 1;
        }
        gSims.push_back(s);
    }
    auto program = std::make_unique<Program>();
    if (!program->ok) {
        std::printf("the resource was not found beside the benchmark\n");
        return 1;
    }
    for (SimServer* s : {&unpaced, &slow, &fast}) TeachDemoColours(s->sensor, program->a);
    std::printf("== platform %s%s ==\n", platform.c_str(),
                platform == "xcb" ? " (X server: the frames go out to it)" : "");
    std::fflush(stdout);
    if (!framesOnly) {
        MeasurePacing(*program, unpaced, "unpaced simulator", 1.0, xServer);
        MeasurePacing(*program, slow, "paced at 115200 baud", 2.0, xServer);
        MeasurePacing(*program, fast, "paced at 921600 baud", 2.0, xServer);
    }
    MeasureFramePainting(*program, unpaced.sensor);
    MeasureSetters(*program, unpaced.sensor);
    MeasureDispatch(*program);
    program.reset();
    gSims.clear();
    return 0;
}

// A private X server; its display name, or "" when none could be started.
std::string StartXvfb(pid_t& pid) {
    int fds[2];
    if (::pipe(fds) != 0) return "";
    pid = fork();
    if (pid == 0) {
        ::close(fds[0]);
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            dup2(null, 2);
        }
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
               "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    ::close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (pid > 0 && ::poll(&p, 1, 10000) > 0) {
        char c;
        if (::read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    ::close(fds[0]);
    if (number.empty()) {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        pid = 0;
        return "";
    }
    return ":" + number;
}

int RunChild(const char* self, const char* platform, const std::string& display, pid_t xServer) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
        const std::string x = std::to_string(xServer);
        execl(self, self, "--platform", platform, "--x-server-pid", x.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string platform;
    pid_t xServer = 0;
    bool framesOnly = false;  // only the painting of single frames, for profiling
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames-only") == 0) framesOnly = true;
        if (i + 1 == argc) break;
        if (std::strcmp(argv[i], "--platform") == 0) platform = argv[i + 1];
        if (std::strcmp(argv[i], "--x-server-pid") == 0) xServer = std::atoi(argv[i + 1]);
    }
    if (!platform.empty()) return RunOn(platform, xServer, framesOnly);

    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    int rc = 0;
    pid_t xvfb = 0;
    const std::string display = StartXvfb(xvfb);
    if (display.empty()) {
        std::printf(
            "Xvfb could not be started (scripts/install-deps installs it): no xcb figures\n");
    } else {
        rc |= RunChild(self.c_str(), "xcb", display, xvfb);
        kill(xvfb, SIGTERM);
        waitpid(xvfb, nullptr, 0);
    }
    std::fflush(stdout);
    rc |= RunChild(self.c_str(), "offscreen", "", 0);
    return rc;
}

#else  // built without the Qt layer: nothing to measure
#include <cstdio>
int main() {
    std::puts("bench_qt_live_loop: built without the Qt layer, nothing measured");
    return 0;
}
#endif
