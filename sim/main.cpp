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
#include <optional>
#include <sstream>
#include <string>

#include "sim/simulator.h"

namespace {

const char kUsage[] =
    "usage: lumiquad-sim [options]\n"
    "  --tcp PORT          serve TCP on PORT (default 5000; 0 picks a free port)\n"
    "  --sensors N         serve N independent sensors on PORT .. PORT+N-1 (1 to 1000;\n"
    "                      with --tcp 0 a block of free ports); sensor K (1..N) is\n"
    "                      named \"NAME K\", has serial number SERIAL+K-1 and its own\n"
    "                      RAM and EEPROM\n"
    "  --bind ADDR         address to listen on (default 127.0.0.1)\n"
    "  --pty               serve on a pseudo-terminal (prints its path)\n"
    "  --link PATH         with --pty: symlink PATH to the pseudo-terminal\n"
    "  --model v4|qx|qxr|unsupported   sensor model (default qx)\n"
    "  --firmware TEXT     firmware text instead of the model's\n"
    "  --name TEXT         sensor name (order 15)\n"
    "  --serial N          serial number (order 15)\n"
    "  --plausibility N    report N reset parameters on every write and EEPROM load\n"
    "  --fault NAME        inject a fault on every sensor:\n"
    "                      silent       answer nothing\n"
    "                      bad-sync     header with a wrong sync byte\n"
    "                      bad-header   header with a wrong header CRC\n"
    "                      bad-data     one data byte corrupted\n"
    "                      error1       error response, status 1\n"
    "                      error2       error response, status 2\n"
    "                      fragment     the answer in three pieces, 20 ms apart\n"
    "                      close        close the connection (a pseudo-terminal stays silent)\n"
    "                      oversize     a header announcing 3000 bytes\n"
    "                      lag          answer with the answer to the request before\n"
    "                                   (the first request of a connection gets its own)\n"
    "                      repeat       send the answer again 10 ms later\n"
    "                      unsolicited  an unrequested live frame 10 ms after the\n"
    "                                   answer, and one as a TCP connection opens\n"
    "                      drip         the answer one byte at a time, 1 ms apart\n"
    "  --fault-every N     the fault hits every N-th request (default 1)\n"
    "  --fault-at K NAME [EVERY]  the fault NAME on sensor K only, every EVERY-th\n"
    "                      request (default 1); may be given for several sensors\n"
    "  --baud RATE         pace answers to the wire time of RATE baud\n"
    "  --seed N            noise seed\n"
    "  --preset demo       start with five taught colours (RAM and EEPROM,\n"
    "                      MAX VEC NO 5) and present the second of them\n"
    "  --cycle SECONDS     with --preset: present the next taught colour every\n"
    "                      SECONDS (1 to 3600)\n"
    "  --help              this text\n"
    "Without --tcp or --pty it serves TCP on port 5000.\n"
    "\n"
    "Standard input takes the commands that help lists; among them\n"
    "  eeprom [K]          prints each sensor's EEPROM image as two lines:\n"
    "                        eeprom K para: the 26 parameter words\n"
    "                        eeprom K teach: the 32 teach vectors, 8 words each\n"
    "                      (decimal, word 0 first); ram [K] the same for the RAM.\n";

// K is a sensor number, 1 to N; without it a command acts on every sensor
// (status: on sensor 1).
const char kCommands[] =
    "commands (K: sensor 1..N; without K every sensor, status sensor 1):\n"
    "  color R G B         present another colour (raw values at POWER 1000, GAIN 1)\n"
    "  fault NAME [EVERY]  inject a fault on every sensor (none to end it)\n"
    "  fault-at K NAME [EVERY]  inject a fault on sensor K\n"
    "  plausibility N      force the plausibility count (-1: real count)\n"
    "  drop [K]            close the TCP client connection\n"
    "  unsolicited [K]     send an unrequested live frame now\n"
    "  eeprom [K]          the EEPROM image: \"eeprom K para: W0 .. W25\" and\n"
    "                      \"eeprom K teach: \" the 32 vectors x 8 words\n"
    "  ram [K]             the RAM image, as eeprom (\"ram K para: ...\")\n"
    "  sensors             port, serial number, name and fault of each sensor\n"
    "  status [K]          parameters in RAM, taught vectors, one measurement\n"
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

constexpr long kMaxSensors = 1000;

struct FaultAt {
    int sensor;  // 1-based
    lqsim::Fault fault;
    int every;
};

struct Options {
    lqsim::SimConfig config;
    int sensors = 1;
    std::vector<FaultAt> faultAt;
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
        } else if (a == "--sensors") {
            ok = ParseInt(v, 1, kMaxSensors, n);
            o.sensors = static_cast<int>(n);
        } else if (a == "--fault-at") {
            FaultAt f{0, lqsim::Fault::None, 1};
            ok = ParseInt(v, 1, kMaxSensors, n) && i + 1 < argc &&
                 lqsim::ParseFault(argv[i + 1], f.fault);
            f.sensor = static_cast<int>(n);
            if (ok) {
                ++i;
                // An optional every-count follows the name.
                if (i + 1 < argc && ParseInt(argv[i + 1], 1, 1000000, n)) {
                    f.every = static_cast<int>(n);
                    ++i;
                }
                o.faultAt.push_back(f);
            }
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
        if (!ok && a == "--fault-at") {
            std::fprintf(stderr, "lumiquad-sim: --fault-at needs K NAME [EVERY] (faults: %s)\n",
                         lqsim::FaultNames().c_str());
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
    for (const FaultAt& f : o.faultAt)
        if (f.sensor > o.sensors) {
            std::fprintf(stderr, "lumiquad-sim: --fault-at %d: there are only %d sensors\n",
                         f.sensor, o.sensors);
            return 1;
        }
    if (o.sensors > 1 && o.pty) {
        std::fprintf(stderr, "lumiquad-sim: --sensors serves TCP only, not with --pty\n");
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

// What the commands act on: the sensors and, where they run, their servers.
struct Served {
    lqsim::SensorLine& line;
    bool tcp;
    lqsim::PtyServer* pty;
};

void PrintImage(const char* what, int k, const lq::ParaBlock& p, const lq::TeachTable& t) {
    std::printf("%s %d para:", what, k);
    for (int i = 0; i < lq::kParaWords; ++i) std::printf(" %u", p[i]);
    std::printf("\n%s %d teach:", what, k);
    for (int n = 0; n < lq::kSensorTeachVectors; ++n)
        for (int j = 0; j < lq::kTeachWords; ++j) std::printf(" %u", t[n][j]);
    std::printf("\n");
}

// Reads an optional sensor number; `first`..`last` (1-based) is the range the
// command then covers. False (after a message) for a bad number.
bool SensorRange(std::istringstream& in, int count, int& first, int& last) {
    int k = 0;
    if (!(in >> k)) {
        first = 1;
        last = count;
        return true;
    }
    if (k < 1 || k > count) {
        std::printf("no sensor %d (1 to %d)\n", k, count);
        return false;
    }
    first = last = k;
    return true;
}

// Reads "NAME [EVERY]"; false when NAME is no fault.
bool FaultArgs(std::istringstream& in, lqsim::Fault& f, int& every) {
    std::string name;
    if (!(in >> name) || !lqsim::ParseFault(name, f)) return false;
    if (!(in >> every) || every < 1) every = 1;
    return true;
}

// Carries out one command line; false for quit.
bool Command(const std::string& line, Served& sv) {
    std::istringstream in(line);
    std::string cmd;
    if (!(in >> cmd)) return true;
    const int count = sv.line.Size();
    int first = 1, last = count;
    if (cmd == "quit" || cmd == "exit") return false;
    if (cmd == "help") {
        std::fputs(kCommands, stdout);
    } else if (cmd == "color" || cmd == "colour") {
        int r, g, b;
        if (in >> r >> g >> b) {
            for (int i = 0; i < count; ++i) sv.line.At(i).SetColor(r, g, b);
            std::printf("colour %d %d %d\n", r, g, b);
        } else {
            std::printf("usage: color R G B\n");
        }
    } else if (cmd == "fault") {
        lqsim::Fault f;
        int every = 1;
        if (FaultArgs(in, f, every)) {
            for (int i = 0; i < count; ++i) sv.line.At(i).SetFault(f, every);
            std::printf("fault %s every %d\n", lqsim::FaultName(f), every);
        } else {
            std::printf("usage: fault %s [EVERY]\n", lqsim::FaultNames().c_str());
        }
    } else if (cmd == "fault-at") {
        lqsim::Fault f;
        int k = 0, every = 1;
        if ((in >> k) && k >= 1 && k <= count && FaultArgs(in, f, every)) {
            sv.line.At(k - 1).SetFault(f, every);
            std::printf("sensor %d: fault %s every %d\n", k, lqsim::FaultName(f), every);
        } else {
            std::printf("usage: fault-at K NAME [EVERY] (K 1 to %d; NAME %s)\n", count,
                        lqsim::FaultNames().c_str());
        }
    } else if (cmd == "plausibility") {
        int n;
        if (in >> n) {
            for (int i = 0; i < count; ++i) sv.line.At(i).SetPlausibility(n < 0 ? -1 : n);
            std::printf("plausibility %d\n", n < 0 ? -1 : n);
        } else {
            std::printf("usage: plausibility N\n");
        }
    } else if (cmd == "drop") {
        if (!sv.tcp) {
            std::printf("no TCP server\n");
        } else if (SensorRange(in, count, first, last)) {
            for (int k = first; k <= last; ++k) sv.line.Server(k - 1).DropClient();
            std::printf("client dropped\n");
        }
    } else if (cmd == "unsolicited") {
        if (SensorRange(in, count, first, last)) {
            int sent = 0;
            for (int k = first; k <= last; ++k) {
                if (sv.tcp) sent += sv.line.Server(k - 1).SendUnsolicited();
                if (sv.pty && k == 1) sent += sv.pty->SendUnsolicited();
            }
            std::printf("unsolicited frames sent: %d\n", sent);
        }
    } else if (cmd == "eeprom" || cmd == "ram") {
        if (SensorRange(in, count, first, last)) {
            for (int k = first; k <= last; ++k) {
                const lqsim::Sensor& s = sv.line.At(k - 1);
                if (cmd == "eeprom")
                    PrintImage("eeprom", k, s.Eeprom(), s.EepromTeach());
                else
                    PrintImage("ram", k, s.Ram(), s.RamTeach());
            }
        }
    } else if (cmd == "sensors") {
        for (int k = 1; k <= count; ++k) {
            const lqsim::SimConfig c = sv.line.At(k - 1).Config();
            std::printf("sensor %d: port %d, serial %u, name \"%s\", fault %s every %d\n", k,
                        sv.line.Port(k - 1), c.serial, c.name.c_str(), lqsim::FaultName(c.fault),
                        c.faultEvery);
        }
    } else if (cmd == "status") {
        int k = 1;
        if (!(in >> k)) k = 1;
        if (k < 1 || k > count) {
            std::printf("no sensor %d (1 to %d)\n", k, count);
        } else {
            lqsim::Sensor& sensor = sv.line.At(k - 1);
            std::fputs(sensor.Summary().c_str(), stdout);
            const auto w = sensor.Measure();
            std::printf("live: R %d G %d B %d X %d Y %d INT %d C-No %d\n", w[0], w[1], w[2], w[3],
                        w[4], w[5], w[7]);
        }
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

    lqsim::SensorLine line(o.sensors, o.config);
    for (const FaultAt& f : o.faultAt) line.At(f.sensor - 1).SetFault(f.fault, f.every);
    for (int i = 0; o.demoPreset && i < line.Size(); ++i) LoadDemoPreset(line.At(i));
    lqsim::Sensor& sensor = line.At(0);
    std::optional<lqsim::PtyServer> pty;
    if (o.tcpPort) {
        if (!line.Start(*o.tcpPort, o.bind)) {
            if (o.sensors > 1)
                std::fprintf(stderr, "lumiquad-sim: cannot listen on %s:%d to %d: %s\n",
                             o.bind.c_str(), *o.tcpPort, *o.tcpPort + o.sensors - 1,
                             std::strerror(errno));
            else
                std::fprintf(stderr, "lumiquad-sim: cannot listen on %s:%d: %s\n", o.bind.c_str(),
                             *o.tcpPort, std::strerror(errno));
            return 1;
        }
        std::printf("lumiquad-sim: listening on %s:%d\n", o.bind.c_str(), line.FirstPort());
        if (o.sensors > 1)
            std::printf("lumiquad-sim: %d sensors on ports %d to %d (sensor K on port %d+K-1)\n",
                        o.sensors, line.FirstPort(), line.Port(o.sensors - 1), line.FirstPort());
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
    Served served{line, o.tcpPort.has_value(), pty ? &*pty : nullptr};
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
                for (int i = 0; i < line.Size(); ++i) line.At(i).SetColor(c.r, c.g, c.b);
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
            const std::string text = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            quit = !Command(text, served);
        }
        if (quit) break;
    }
    line.Stop();
    if (pty) pty->Stop();
    std::printf("lumiquad-sim: stopped\n");
    return 0;
}
