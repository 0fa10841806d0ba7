// lumiquad-bridge under load: N simulated sensors at the simulator's full
// rate (in this process, over TCP loopback), a real Mosquitto broker on a free
// loopback port, the built bridge as a process, and a subscriber counting the
// live records it receives. Prints records read from the sensors against
// records received per second, the bridge's CPU per 1000 records read and
// its resident memory over the run (sampled, to show whether it stays flat).
//
//   bench_bridge_throughput [SECONDS=60] [SENSORS=20] [RATE=0]
//   (RATE: the bridge's publish limit per sensor; 0 publishes every record
//   the broker can take, newest wins)
#include <mosquitto.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/simulator.h"
#include "tests/bridge/mqtt_world.h"

namespace {

using lq::bridge::test::Broker;
using lq::bridge::test::Child;
using lq::bridge::test::ReadWhole;
using lq::bridge::test::TempDir;
using lq::bridge::test::WaitFor;

// utime + stime of a process, in seconds.
double CpuSeconds(pid_t pid) {
    std::string stat = ReadWhole("/proc/" + std::to_string(pid) + "/stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream in(stat.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && in >> field; ++i) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long RssKiB(pid_t pid) {
    std::istringstream in(ReadWhole("/proc/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

std::atomic<long long> received{0};

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const int sensors = argc > 2 ? std::atoi(argv[2]) : 20;
    const double rate = argc > 3 ? std::atof(argv[3]) : 0;
    TempDir dir;
    Broker broker(dir);
    if (!broker.Start()) {
        std::fprintf(stderr, "cannot start mosquitto\n");
        return 1;
    }
    const int brokerPort = broker.Port();

    // Sensors at full rate.
    std::vector<std::unique_ptr<lqsim::Sensor>> sims;
    std::vector<std::unique_ptr<lqsim::TcpServer>> servers;
    std::ofstream ini(dir.File("bridge.ini"));
    ini << "[broker]\nhost = 127.0.0.1\nport = " << brokerPort << "\n";
    for (int i = 0; i < sensors; ++i) {
        sims.push_back(std::make_unique<lqsim::Sensor>());
        servers.push_back(std::make_unique<lqsim::TcpServer>(*sims.back(), 0));
        if (!servers.back()->Start()) return 1;
        ini << "[sensor s" << i << "]\naddress = tcp 127.0.0.1:" << servers.back()->Port()
            << "\nrate = " << rate << "\n";
    }
    ini.close();

    // Subscriber.
    mosquitto_lib_init();
    mosquitto* sub = mosquitto_new(nullptr, true, nullptr);
    mosquitto_message_callback_set(sub,
                                   [](mosquitto*, void*, const mosquitto_message*) { ++received; });
    mosquitto_connect(sub, "127.0.0.1", brokerPort, 30);
    mosquitto_subscribe(sub, nullptr, "lumiquad/+/live", 0);
    mosquitto_loop_start(sub);

    const std::string bridgeLog = dir.File("bridge.log");
    Child bridgeProcess;
    if (!bridgeProcess.Start({lq::bridge::test::BridgePath(), dir.File("bridge.ini")}, bridgeLog))
        return 1;
    const pid_t bridge = bridgeProcess.Pid();
    // Measure from the moment every sensor is online.
    WaitFor(
        [&] {
            const std::string log = ReadWhole(bridgeLog);
            int online = 0;
            for (size_t at = log.find(": online:"); at != std::string::npos;
                 at = log.find(": online:", at + 1))
                ++online;
            return online >= sensors;
        },
        60);
    const auto t0 = std::chrono::steady_clock::now();
    const long long received0 = received;
    const double cpu0 = CpuSeconds(bridge);
    char limit[64] = "none";
    if (rate > 0) std::snprintf(limit, sizeof limit, "%g per second and sensor", rate);
    std::printf("sensors %d, publish rate limit %s, %d s\n", sensors, limit, seconds);
    std::printf("%8s %12s %12s %12s\n", "t [s]", "RSS [KiB]", "read/s", "received/s");
    std::vector<uint64_t> seen(sims.size());
    for (size_t i = 0; i < sims.size(); ++i) seen[i] = sims[i]->RequestCount(8);
    const int every = seconds >= 300 ? 60 : 10;
    long long readTotal = 0;
    long long readSince = 0;
    long long receivedMark = received0;
    for (int s = 1; s <= seconds; ++s) {
        std::this_thread::sleep_until(t0 + std::chrono::seconds(s));
        // Live requests the simulators answered.
        for (size_t i = 0; i < sims.size(); ++i) {
            const uint64_t n = sims[i]->RequestCount(8);
            readSince += static_cast<long long>(n - seen[i]);
            seen[i] = n;
        }
        if (s % every == 0 || s == seconds) {
            const long long r = received;
            const int span = s % every == 0 ? every : s % every;
            std::printf("%8d %12ld %12.0f %12.0f\n", s, RssKiB(bridge),
                        static_cast<double>(readSince) / span,
                        static_cast<double>(r - receivedMark) / span);
            std::fflush(stdout);
            readTotal += readSince;
            readSince = 0;
            receivedMark = r;
        }
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = CpuSeconds(bridge) - cpu0;
    const long rssEnd = RssKiB(bridge);
    const long long got = received - received0;

    bridgeProcess.Stop(SIGTERM, 30);
    mosquitto_loop_stop(sub, true);
    mosquitto_destroy(sub);
    mosquitto_lib_cleanup();
    broker.Kill();
    for (auto& s : servers) s->Stop();

    std::printf("records read from the sensors per second: %.0f\n",
                static_cast<double>(readTotal) / wall);
    std::printf(
        "records received by the subscriber per second: %.0f (%.1f%% of those read)\n",
        static_cast<double>(got) / wall,
        readTotal > 0 ? 100.0 * static_cast<double>(got) / static_cast<double>(readTotal) : 0);
    std::printf("bridge CPU per 1000 records read: %.1f ms\n",
                readTotal > 0 ? 1e6 * cpu / static_cast<double>(readTotal) : 0);
    std::printf("bridge CPU: %.2f s over %.1f s (%.0f%% of one core)\n", cpu, wall,
                100 * cpu / wall);
    std::printf("bridge CPU per 1000 records received: %.1f ms\n",
                got > 0 ? 1e6 * cpu / static_cast<double>(got) : 0);
    std::printf("bridge resident memory at the end: %ld KiB\n", rssEnd);
    return 0;
}
