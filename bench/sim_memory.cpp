// The simulator's resident memory over a long run: lumiquad-sim serves live
// requests from the bare client over TCP loopback, and its VmRSS is read
// after 10^4 requests and at intervals up to 10^6. A simulator that keeps
// something per request grows by the difference; a flat one does not.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "bench/bare_client.h"

namespace {

constexpr long kFirst = 10000;
constexpr long kLast = 1000000;
constexpr long kStep = 100000;
constexpr long kLimitKb = 1024;

std::string BesideThisProgram(const char* name) {
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string(".");
    dir = dir.substr(0, dir.rfind('/'));
    return dir + "/" + name;
}

long RssKb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

}  // namespace

int main() {
    const std::string exe = BesideThisProgram("lumiquad-sim");
    int out[2];
    if (pipe(out) != 0) return 1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        const int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, STDIN_FILENO);
        execl(exe.c_str(), exe.c_str(), "--tcp", "0", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    FILE* f = fdopen(out[0], "r");
    char line[256] = {};
    int port = 0;
    if (!fgets(line, sizeof line, f) ||
        sscanf(line, "lumiquad-sim: listening on 127.0.0.1:%d", &port) != 1) {
        std::fprintf(stderr, "cannot start %s\n", exe.c_str());
        return 1;
    }
    lqbench::BareLiveClient client;
    if (!client.Connect(port)) return 1;

    std::printf("lumiquad-sim resident memory while serving live requests (TCP loopback)\n");
    std::printf("%10s  %10s  %12s\n", "requests", "VmRSS kB", "requests/s");
    long done = 0, firstKb = 0, lastKb = 0;
    bool broken = false;
    for (long target = kFirst; target <= kLast && !broken;
         target = target == kFirst ? kStep : target + kStep) {
        const double rate = client.Run(0, target - done);
        broken = rate < 0;
        done = target;
        const long kb = RssKb(pid);
        if (target == kFirst) firstKb = kb;
        lastKb = kb;
        std::printf("%10ld  %10ld  %12.0f\n", done, kb, rate);
        std::fflush(stdout);
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    fclose(f);
    if (broken) {
        std::printf("an exchange broke after %ld requests\n", done);
        return 1;
    }
    const long diff = lastKb - firstKb;
    std::printf("after %ld: %ld kB, after %ld: %ld kB, difference %ld kB (limit %ld kB): %s\n",
                kFirst, firstKb, kLast, lastKb, diff, kLimitKb, diff < kLimitKb ? "flat" : "GROWS");
    return diff < kLimitKb ? 0 : 1;
}
