// lumiquad-sim: a simulated LUMIQUAD sensor on TCP and/or a pseudo-terminal,
// steered by a few commands on standard input.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>

#include "sim/simulator.h"

namespace {

const char kUsage[] =
    "usage: lumiquad-sim [options]\n"
    "  --tcp PORT          serve TCP on PORT (default 5000; 0 picks a free port)\n"
    "  --bind ADDR         address to listen on (default 127.0.0.1)\n"
    "  --pty               serve on a pseudo-terminal (prints its path)\n"
    "  --link PATH         with --pty: symlink PATH to the pseudo-terminal\n"
    "  --model v4|qx|qxr|unsupported   sensor model (default qx)\n"
    "  --firmware TEXT     firmware text instead of the model's\n"
    "  --name TEXT         sensor name (order 15)\n"
    "  --serial N          serial number (order 15)\n"
    "  --plausibility N    report N reset parameters on every write and EEPROM load\n"
    "  --fault NAME        silent|bad-sync|bad-header|bad-data|error1|error2|\n"
    "                      fragment|close|oversize\n"
    "  --fault-every N     the fault hits every N-th request (default 1)\n"
    "  --baud RATE         pace answers to the wire time of RATE baud\n"
    "  --seed N            noise seed\n"
    "  --preset demo       start with five taught colours (RAM and EEPROM,\n"
    "                      MAX VEC NO 5) and present the second of them\n"
    "  --cycle SECONDS     with --preset: present the next taught colour every\n"
    "                      SECONDS (1 to 3600)\n"
    "  --help              this text\n"
    "Without --tcp or --pty it serves TCP on port 5000.\n";

const char kCommands[] =
    "commands:\n"
    "  color R G B         present another colour (raw values at POWER 1000, GAIN 1)\n"
    "  fault NAME [EVERY]  inject a fault (none to end it)\n"
    "  plausibility N      force the plausibility count (-1: real count)\n"
    "  drop                close the TCP client connection\n"
    "  status              parameters in RAM, taught vectors, one measurement\n"
    "  requests            how many requests of each order arrived (order:count)\n"
    "  help                this text\n"
    "  quit                end the simulator\n";

bool ParseInt(const char* s, long lo, long hi, long& v) {
    char* end = nullptr;
    errno = 0;
    v = std::strtol(s, &end, 10);
    return errno == 0 && end != s && *end == '\0' && v >= lo && v <= hi;
}

// The colours of the demo preset, in teach order. They are chosen to match the
// program's circle colours of the first five rows (red, green, blue, black,
// pink) and to lie apart in every graph (X/Y, X/INT, Y/INT) at the connection
// defaults, so each tolerance circle stands on its own.
struct PresetColour {
    int r, g, b;
};
constexpr std::array<PresetColour, 5> kDemoColours = {{
    {1250, 350, 200},  // red
    {350, 1100, 350},  // green
    {100, 200, 500},   // blue
    {400, 400, 400},   // grey
    {1300, 650, 870},  // pink
}};
constexpr int kDemoTolerance = 500;
constexpr size_t kDemoFirstPresented = 1;

struct Options {
    lqsim::SimConfig config;
    bool demoPreset = false;
    int cycleSeconds = 0;
    std::optional<int> tcpPort;
    std::string bind = "127.0.0.1";
    bool pty = false;
    std::string link;
};

// Returns 0 to run, 1 for a usage error, 2 after --help.
int ParseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "lumiquad-sim: %s needs a value\n", a.c_str());
                return nullptr;
            }
            return argv[++i];
        };
        long n = 0;
        const char* v = nullptr;
        bool ok = true;
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 2;
        } else if (a == "--pty") {
            o.pty = true;
        } else if (!(v = value())) {
            return 1;
        } else if (a == "--tcp") {
            ok = ParseInt(v, 0, 65535, n);
            o.tcpPort = static_cast<int>(n);
        } else if (a == "--bind") {
            o.bind = v;
        } else if (a == "--link") {
            o.link = v;
        } else if (a == "--model") {
            o.config.model = v;
            ok = o.config.model == "v4" || o.config.model == "qx" || o.config.model == "qxr" ||
                 o.config.model == "unsupported";
        } else if (a == "--firmware") {
            o.config.firmware = v;
        } else if (a == "--name") {
            o.config.name = v;
        } else if (a == "--serial") {
            ok = ParseInt(v, 0, 65535, n);
            o.config.serial = static_cast<uint16_t>(n);
        } else if (a == "--plausibility") {
            ok = ParseInt(v, 0, 65535, n);
            o.config.plausibility = static_cast<int>(n);
        } else if (a == "--fault") {
            ok = lqsim::ParseFault(v, o.config.fault);
        } else if (a == "--fault-every") {
            ok = ParseInt(v, 1, 1000000, n);
            o.config.faultEvery = static_cast<int>(n);
        } else if (a == "--baud") {
            ok = ParseInt(v, 0, 10000000, n);
            o.config.baud = static_cast<int>(n);
        } else if (a == "--preset") {
            ok = std::string(v) == "demo";
            o.demoPreset = ok;
        } else if (a == "--cycle") {
            ok = ParseInt(v, 1, 3600, n);
            o.cycleSeconds = static_cast<int>(n);
        } else if (a == "--seed") {
            ok = ParseInt(v, 0, 4294967295L, n);
            o.config.seed = static_cast<uint32_t>(n);
        } else {
            std::fprintf(stderr, "lumiquad-sim: unknown option %s\n%s", a.c_str(), kUsage);
            return 1;
        }
        if (!ok) {
            std::fprintf(stderr, "lumiquad-sim: bad value '%s' for %s\n", v, a.c_str());
            return 1;
        }
    }
    if (!o.link.empty() && !o.pty) {
        std::fprintf(stderr, "lumiquad-sim: --link needs --pty\n");
        return 1;
    }
    if (o.cycleSeconds > 0 && !o.demoPreset) {
        std::fprintf(stderr, "lumiquad-sim: --cycle needs --preset demo\n");
        return 1;
    }
    if (!o.pty && !o.tcpPort) o.tcpPort = 5000;
    return 0;
}

// Teaches the demo colours into RAM and EEPROM the way the sensor itself would
// see them: each vector holds the X, Y and INT the model measures for its
// colour with the connection defaults, so presenting it gives its C-No.
void LoadDemoPreset(lqsim::Sensor& sensor) {
    lq::ParaBlock para;
    lq::TeachTable teach;
    lq::LoadDefaultParaValues(para, teach, 1);
    para[lq::MAX_VEC_NO] = static_cast<uint16_t>(kDemoColours.size());
    sensor.SetRam(para, teach);
    constexpr int kSamples = 16;
    for (size_t n = 0; n < kDemoColours.size(); ++n) {
        const PresetColour& c = kDemoColours[n];
        sensor.SetColor(c.r, c.g, c.b);
        long x = 0, y = 0, intensity = 0;
        for (int i = 0; i < kSamples; ++i) {
            const auto w = sensor.Measure();
            x += w[3];
            y += w[4];
            intensity += w[5];
        }
        lq::TeachVector& v = teach[static_cast<int>(n)];
        v[lq::CELL0] = static_cast<uint16_t>(x / kSamples);
        v[lq::CELL1] = static_cast<uint16_t>(y / kSamples);
        v[lq::CELL2] = static_cast<uint16_t>(intensity / kSamples);
        v[lq::CELL3] = kDemoTolerance;
    }
    sensor.SetRam(para, teach);
    sensor.SetEeprom(para, teach);
    const PresetColour& shown = kDemoColours[kDemoFirstPresented];
    sensor.SetColor(shown.r, shown.g, shown.b);
}

// Carries out one command line; false for quit.
bool Command(const std::string& line, lqsim::Sensor& sensor, lqsim::TcpServer* tcp) {
    std::istringstream in(line);
    std::string cmd;
    if (!(in >> cmd)) return true;
    if (cmd == "quit" || cmd == "exit") return false;
    if (cmd == "help") {
        std::fputs(kCommands, stdout);
    } else if (cmd == "color" || cmd == "colour") {
        int r, g, b;
        if (in >> r >> g >> b) {
            sensor.SetColor(r, g, b);
            std::printf("colour %d %d %d\n", r, g, b);
        } else {
            std::printf("usage: color R G B\n");
        }
    } else if (cmd == "fault") {
        std::string name;
        int every = 1;
        lqsim::Fault f;
        if (!(in >> name) || !lqsim::ParseFault(name, f)) {
            std::printf(
                "usage: fault none|silent|bad-sync|bad-header|bad-data|error1|error2|"
                "fragment|close|oversize [EVERY]\n");
        } else {
            if (!(in >> every) || every < 1) every = 1;
            sensor.SetFault(f, every);
            std::printf("fault %s every %d\n", lqsim::FaultName(f), every);
        }
    } else if (cmd == "plausibility") {
        int n;
        if (in >> n) {
            sensor.SetPlausibility(n < 0 ? -1 : n);
            std::printf("plausibility %d\n", n < 0 ? -1 : n);
        } else {
            std::printf("usage: plausibility N\n");
        }
    } else if (cmd == "drop") {
        if (tcp) tcp->DropClient();
        std::printf(tcp ? "client dropped\n" : "no TCP server\n");
    } else if (cmd == "requests") {
        std::map<int, int> count;
        for (const lqsim::SeenRequest& r : sensor.Requests()) ++count[r.order];
        std::printf("requests:");
        for (const auto& [order, n] : count) std::printf(" %d:%d", order, n);
        std::printf("\n");
    } else if (cmd == "status") {
        std::fputs(sensor.Summary().c_str(), stdout);
        const auto w = sensor.Measure();
        std::printf("live: R %d G %d B %d X %d Y %d INT %d C-No %d\n", w[0], w[1], w[2], w[3], w[4],
                    w[5], w[7]);
    } else {
        std::printf("unknown command '%s' (help lists them)\n", cmd.c_str());
    }
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (const int r = ParseArgs(argc, argv, o)) return r == 2 ? 0 : 2;

    // The signals are taken through a descriptor, so the servers' threads
    // never see them and the main loop ends cleanly.
    sigset_t sigs;
    sigemptyset(&sigs);
    sigaddset(&sigs, SIGINT);
    sigaddset(&sigs, SIGTERM);
    sigaddset(&sigs, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &sigs, nullptr);
    signal(SIGPIPE, SIG_IGN);
    const int sigFd = signalfd(-1, &sigs, SFD_CLOEXEC);

    lqsim::Sensor sensor(o.config);
    if (o.demoPreset) LoadDemoPreset(sensor);
    std::optional<lqsim::TcpServer> tcp;
    std::optional<lqsim::PtyServer> pty;
    if (o.tcpPort) {
        tcp.emplace(sensor, *o.tcpPort, o.bind);
        if (!tcp->Start()) {
            std::fprintf(stderr, "lumiquad-sim: cannot listen on %s:%d: %s\n", o.bind.c_str(),
                         *o.tcpPort, std::strerror(errno));
            return 1;
        }
        std::printf("lumiquad-sim: listening on %s:%d\n", o.bind.c_str(), tcp->Port());
    }
    if (o.pty) {
        pty.emplace(sensor);
        if (!pty->Start()) {
            std::fprintf(stderr, "lumiquad-sim: cannot open a pseudo-terminal\n");
            return 1;
        }
        if (!o.link.empty() && !pty->Link(o.link)) {
            std::fprintf(stderr, "lumiquad-sim: cannot create the link %s\n", o.link.c_str());
            return 1;
        }
        std::printf("lumiquad-sim: pseudo-terminal %s%s%s\n", pty->SlavePath().c_str(),
                    o.link.empty() ? "" : " linked as ", o.link.c_str());
    }
    std::printf("lumiquad-sim: %s, firmware \"%s\"; type help for commands\n",
                o.config.model.c_str(), sensor.FirmwareText().c_str());
    if (o.demoPreset)
        std::printf("lumiquad-sim: demo preset, %zu colours taught%s\n", kDemoColours.size(),
                    o.cycleSeconds > 0 ? ", presented in turn" : "");
    std::fflush(stdout);

    // End of input ends the simulator only when an operator typed it at a
    // terminal; started in the background (input from /dev/null or a closed
    // pipe) it runs on until quit or a signal.
    const bool interactive = isatty(STDIN_FILENO) == 1;
    // Started with "&" from an interactive shell, the terminal belongs to the
    // foreground job: a read then fails (instead of stopping the process), and
    // the input is looked at again a little later, in case it comes to the front.
    signal(SIGTTIN, SIG_IGN);
    bool stdinOpen = true;
    bool stdinResting = false;
    std::string pending;
    // --cycle: the next taught colour is presented at each deadline.
    using CycleClock = std::chrono::steady_clock;
    const auto cyclePeriod = std::chrono::seconds(o.cycleSeconds);
    auto nextCycle = CycleClock::now() + cyclePeriod;
    size_t presented = kDemoFirstPresented;
    for (;;) {
        const bool watchInput = stdinOpen && !stdinResting;
        pollfd p[2] = {{sigFd, POLLIN, 0}, {watchInput ? STDIN_FILENO : -1, POLLIN, 0}};
        int timeoutMs = stdinResting ? 500 : -1;
        if (o.cycleSeconds > 0) {
            const auto now = CycleClock::now();
            if (now >= nextCycle) {
                presented = (presented + 1) % kDemoColours.size();
                const PresetColour& c = kDemoColours[presented];
                sensor.SetColor(c.r, c.g, c.b);
                nextCycle += cyclePeriod;
                if (nextCycle <= now) nextCycle = now + cyclePeriod;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(nextCycle - CycleClock::now())
                    .count() +
                1;
            const int cycleMs = static_cast<int>(std::max<long long>(left, 1));
            timeoutMs = timeoutMs < 0 ? cycleMs : std::min(timeoutMs, cycleMs);
        }
        const int ready = poll(p, 2, timeoutMs);
        if (ready < 0) {
            if (errno == EINTR) continue;
            break;
        }
        stdinResting = false;
        if (p[0].revents & POLLIN) break;
        if (!(p[1].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char buf[512];
        const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n < 0) {
            if (errno == EIO)
                stdinResting = true;
            else if (errno != EINTR && errno != EAGAIN)
                stdinOpen = false;
            continue;
        }
        if (n == 0) {
            stdinOpen = false;
            if (interactive) break;
            continue;
        }
        pending.append(buf, static_cast<size_t>(n));
        bool quit = false;
        for (size_t nl; !quit && (nl = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            quit = !Command(line, sensor, tcp ? &*tcp : nullptr);
        }
        if (quit) break;
    }
    if (tcp) tcp->Stop();
    if (pty) pty->Stop();
    std::printf("lumiquad-sim: stopped\n");
    return 0;
}
