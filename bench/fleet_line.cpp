// Commissioning a line of simulated sensors with lumiquad-cli fleet: `send
// --eeprom` then `verify --eeprom` of one parameter file on 50 sensors served
// by one lumiquad-sim process. Compares --jobs 16 with one sensor after
// another (wall time ratio) and gives the tool's CPU per sensor; then, with
// the simulator paced at 115200 baud so that the wire dominates, the whole
// line with --jobs 50 against one sensor alone.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/beside.h"
#include "data/para.h"
#include "data/paramfile_doc.h"

namespace {

constexpr int kSensors = 50;
constexpr int kRounds = 7;

using lqbench::BesideThisProgram;

// A lumiquad-sim serving a line; stopped with the object.
class Line {
  public:
    explicit Line(int baud) {
        const std::string exe = BesideThisProgram("lumiquad-sim");
        int out[2];
        if (pipe(out) != 0) return;
        const std::string sensors = std::to_string(kSensors);
        const std::string rate = std::to_string(baud);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            const int devnull = open("/dev/null", O_RDWR);
            dup2(devnull, STDIN_FILENO);
            dup2(devnull, STDERR_FILENO);
            if (baud > 0)
                execl(exe.c_str(), exe.c_str(), "--tcp", "0", "--sensors", sensors.c_str(),
                      "--baud", rate.c_str(), static_cast<char*>(nullptr));
            else
                execl(exe.c_str(), exe.c_str(), "--tcp", "0", "--sensors", sensors.c_str(),
                      static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        f_ = fdopen(out[0], "r");
        char text[256] = {};
        if (f_ == nullptr || !fgets(text, sizeof text, f_) ||
            sscanf(text, "lumiquad-sim: listening on 127.0.0.1:%d", &port_) != 1)
            port_ = 0;
    }
    ~Line() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (f_ != nullptr) fclose(f_);
    }
    int FirstPort() const { return port_; }

  private:
    pid_t pid_ = -1;
    FILE* f_ = nullptr;
    int port_ = 0;
};

struct Run {
    bool ok = false;
    double wall = 0;  // s
    double cpu = 0;   // s, user + system of the tool's process
};

Run Cli(const std::vector<std::string>& args) {
    const std::string exe = BesideThisProgram("lumiquad-cli");
    std::vector<std::string> all{exe};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    Run r;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, STDIN_FILENO);
        dup2(devnull, STDOUT_FILENO);
        dup2(devnull, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return r;
    r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

std::string WriteSensors(const std::string& path, int port, int count) {
    std::ofstream f(path);
    for (int i = 0; i < count; ++i)
        f << "tcp 127.0.0.1:" << port + i << " station-" << i + 1 << "\n";
    return path;
}

// send --eeprom, then verify --eeprom: the two runs added.
Run Commission(const std::string& sensors, const std::string& file, int jobs) {
    const std::string j = std::to_string(jobs);
    const Run send = Cli({"fleet", sensors, "send", file, "--eeprom", "--jobs", j});
    const Run verify = Cli({"fleet", sensors, "verify", file, "--eeprom", "--jobs", j});
    return {send.ok && verify.ok, send.wall + verify.wall, send.cpu + verify.cpu};
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    char tmpl[] = "/tmp/lqfleet-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    if (dir == nullptr) return 1;
    const std::string base = dir;
    lq::ParaBlock p;
    lq::TeachTable t;
    lq::LoadDefaultParaValues(p, t, 1);
    p[lq::POWER] = 800;
    const std::string file = base + "/approved.ini";
    std::ofstream(file, std::ios::binary) << lq::FormatParameterFile(p, t);
    bool ok = true;

    {
        Line line(0);
        if (line.FirstPort() == 0) {
            std::fprintf(stderr, "cannot start lumiquad-sim\n");
            return 1;
        }
        const std::string all = WriteSensors(base + "/line.txt", line.FirstPort(), kSensors);
        std::vector<double> parallel, serial, ratio, cpu;
        for (int round = 0; round < kRounds; ++round) {
            const Run a = Commission(all, file, 16);
            const Run b = Commission(all, file, 1);
            ok = ok && a.ok && b.ok;
            parallel.push_back(a.wall);
            serial.push_back(b.wall);
            ratio.push_back(b.wall / a.wall);
            cpu.push_back((a.cpu + b.cpu) / (2.0 * kSensors));
        }
        std::printf(
            "commissioning %d sensors (send --eeprom + verify --eeprom), unpaced, "
            "median of %d rounds\n",
            kSensors, kRounds);
        std::printf("  --jobs 16:       %.3f s\n", Median(parallel));
        std::printf("  one by one:      %.3f s\n", Median(serial));
        std::printf("  ratio one by one / --jobs 16: %.2f\n", Median(ratio));
        std::printf("  tool CPU per sensor: %.2f ms\n", 1000 * Median(cpu));
    }
    {
        Line line(115200);
        if (line.FirstPort() == 0) return 1;
        const std::string all = WriteSensors(base + "/paced.txt", line.FirstPort(), kSensors);
        const std::string one = WriteSensors(base + "/one.txt", line.FirstPort(), 1);
        std::vector<double> alone, whole, ratio;
        for (int round = 0; round < kRounds; ++round) {
            const Run a = Commission(one, file, 1);
            const Run b = Commission(all, file, kSensors);
            ok = ok && a.ok && b.ok;
            alone.push_back(a.wall);
            whole.push_back(b.wall);
            ratio.push_back(b.wall / a.wall);
        }
        const Run serial = Commission(all, file, 1);
        ok = ok && serial.ok;
        const double r = Median(ratio);
        std::printf("paced at 115200 baud, median of %d rounds\n", kRounds);
        std::printf("  one sensor alone:       %.3f s\n", Median(alone));
        std::printf("  %d with --jobs %d:      %.3f s\n", kSensors, kSensors, Median(whole));
        std::printf("  %d one by one (once):   %.3f s\n", kSensors, serial.wall);
        std::printf("  ratio line / one alone: %.2f (goal <= 1.2: %s)\n", r,
                    r <= 1.2 ? "met" : "NOT MET");
    }
    std::error_code ec;
    std::filesystem::remove_all(base, ec);
    if (!ok) std::printf("a fleet run failed\n");
    return ok ? 0 : 1;
}
