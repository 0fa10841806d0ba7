#include "bridge/bridge.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "bridge/mqtt.h"
#include "bridge/worker.h"

namespace lq::bridge {
namespace {

constexpr const char* kWillReason = "BRIDGE CONNECTION LOST";
constexpr const char* kStopReason = "BRIDGE STOPPED";
constexpr size_t kMaxPayload = 256 * 1024;
constexpr double kShutdownSeconds = 3.0;

double Now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// One sensor's publishing side.
struct Channel {
    std::unique_ptr<SensorWorker> worker;
    std::unique_ptr<MqttClient> mqtt;
    std::string base;     // PREFIX/LABEL/
    double interval = 0;  // seconds between two live publications
    double nextLive = 0;
    uint64_t liveSent = 0;  // liveSeq last published
    uint64_t statusSent = 0;
    uint64_t configSent = 0;
    uint64_t published = 0;  // live records published
    bool connecting = false;
    bool lossReported = false;   // "unreachable" is logged once per loss
    double connectDeadline = 0;  // an attempt that is not answered by then has failed
    double nextAttempt = 0;
    Backoff backoff;
};

class Bridge {
  public:
    explicit Bridge(const BridgeConfig& c) : config_(c) {}
    int Run();

  private:
    void Wake();
    void StartAttempt(Channel& ch, double now);
    void ConnectionLost(Channel& ch, const std::string& why, double now);
    void OnConnected(Channel& ch);
    void OnCommand(Channel& ch, const std::string& topic, std::string_view payload);
    // Publishes what is new in the mailbox; returns the time the next live
    // record may go out when one waits for it (0: none waits).
    double Flush(Channel& ch, double now);
    void Shutdown();

    const BridgeConfig& config_;
    std::vector<std::unique_ptr<Channel>> channels_;
    int wakeFd_ = -1;
    int signalFd_ = -1;
};

void Bridge::Wake() {
    const uint64_t one = 1;
    ssize_t n = write(wakeFd_, &one, sizeof one);
    (void)n;  // a full counter wakes the loop as well
}

void Bridge::StartAttempt(Channel& ch, double now) {
    std::string error;
    if (ch.mqtt->StartConnect(error)) {
        ch.connecting = true;
        ch.connectDeadline = now + std::max(10, config_.broker.keepalive);
        return;
    }
    ConnectionLost(ch, error, now);
}

void Bridge::ConnectionLost(Channel& ch, const std::string& why, double now) {
    ch.connecting = false;
    ch.nextAttempt = now + ch.backoff.Next();
    if (!ch.lossReported)
        LogLine(ch.worker->Config().label + ": broker " + config_.broker.host + ":" +
                std::to_string(config_.broker.port) + " unreachable (" + why +
                "), retrying with back-off");
    ch.lossReported = true;
}

void Bridge::OnConnected(Channel& ch) {
    ch.connecting = false;
    ch.lossReported = false;
    ch.backoff.Reset();
    LogLine(ch.worker->Config().label + ": broker " + config_.broker.host + ":" +
            std::to_string(config_.broker.port) + " connected");
    ch.mqtt->Subscribe(ch.base + "cmd/+", 1);
    // The broker may have lost the retained topics: publish them again.
    ch.statusSent = 0;
    ch.configSent = 0;
}

void Bridge::OnCommand(Channel& ch, const std::string& topic, std::string_view payload) {
    const std::string prefix = ch.base + "cmd/";
    if (topic.compare(0, prefix.size(), prefix) != 0) return;
    const std::string name = topic.substr(prefix.size());
    auto reply = [&](const std::string& json) {
        ch.mqtt->Publish(ch.base + "reply", json, 1, false);
    };

    CommandKind kind;
    Command cmd;
    std::string error;
    if (!CommandFromName(name, kind)) {
        // The id is answered even for an unknown command, when it can be read.
        ParseCommand(CommandKind::Freq, payload, cmd, error);
        reply(ReplyJson(cmd.idJson, name, "error",
                        {"unknown command '" + name + "' (get, send, freq or identify)"}));
        return;
    }
    if (payload.size() > kMaxPayload) {
        reply(ReplyJson("null", name, "error", {"payload larger than 256 KiB"}));
        return;
    }
    const bool valid = ParseCommand(kind, payload, cmd, error);
    if (!config_.commands) {
        reply(ReplyJson(
            cmd.idJson, name, "refused",
            {"remote operations are off: set commands = on in the bridge configuration"}));
        return;
    }
    if (!valid) {
        reply(ReplyJson(cmd.idJson, name, "error", {error}));
        return;
    }
    Mailbox& b = ch.worker->box;
    std::string refusal;
    {
        std::lock_guard<std::mutex> lock(b.mu);
        if (!b.online)
            refusal = "the sensor is offline";
        else if (b.commands.size() >= Mailbox::kMaxCommands)
            refusal = "too many commands waiting for this sensor";
        else
            b.commands.push_back(std::move(cmd));
    }
    if (!refusal.empty()) reply(ReplyJson(cmd.idJson, name, "failed", {refusal}));
}

double Bridge::Flush(Channel& ch, double now) {
    Mailbox& b = ch.worker->box;
    MqttClient& m = *ch.mqtt;
    std::string status, config;
    std::vector<std::string> replies;
    LiveRecord live;
    double liveTime = 0;
    bool haveLive = false;
    {
        std::lock_guard<std::mutex> lock(b.mu);
        if (!m.Connected()) {
            // Nothing goes to the broker now; the latest state waits in the mailbox.
            b.wakeOnLive = true;
            return 0;
        }
        if (b.statusVersion != ch.statusSent && !b.status.empty()) {
            status = b.status;
            ch.statusSent = b.statusVersion;
        }
        if (b.configVersion != ch.configSent && !b.config.empty()) {
            config = b.config;
            ch.configSent = b.configVersion;
        }
        replies.assign(b.replies.begin(), b.replies.end());
        b.replies.clear();
        if (b.liveSeq != ch.liveSent) {
            // Newest wins: a record that could not go out is replaced, never queued.
            if (now >= ch.nextLive && !m.WantWrite()) {
                live = b.live;
                liveTime = b.liveTime;
                ch.liveSent = b.liveSeq;
                haveLive = true;
            }
        }
        b.wakeOnLive = b.liveSeq == ch.liveSent;
    }
    if (!status.empty()) m.Publish(ch.base + "status", status, 1, true);
    if (!config.empty()) m.Publish(ch.base + "config", config, 1, true);
    for (const std::string& r : replies) m.Publish(ch.base + "reply", r, 1, false);
    if (haveLive) {
        if (m.Publish(ch.base + "live", LiveJson(live, liveTime), 0, false)) ++ch.published;
        ch.nextLive = now + ch.interval;
    }
    std::lock_guard<std::mutex> lock(b.mu);
    if (b.liveSeq != ch.liveSent) return std::max(ch.nextLive, now + 0.001);
    return 0;
}

void Bridge::Shutdown() {
    LogLine("stopping");
    for (auto& ch : channels_) ch->worker->RequestStop();
    // Offline goes out first, acknowledged by the broker, then the sessions end.
    const std::string offline = StatusOffline(kStopReason);
    for (auto& ch : channels_) ch->mqtt->Publish(ch->base + "status", offline, 1, true);
    const double deadline = Now() + kShutdownSeconds;
    for (;;) {
        std::vector<pollfd> fds;
        std::vector<Channel*> owners;
        for (auto& ch : channels_) {
            if (!ch->mqtt->Connected() || ch->mqtt->Unacknowledged() == 0 || ch->mqtt->Socket() < 0)
                continue;
            fds.push_back({ch->mqtt->Socket(),
                           static_cast<short>(POLLIN | (ch->mqtt->WantWrite() ? POLLOUT : 0)), 0});
            owners.push_back(ch.get());
        }
        const double left = deadline - Now();
        if (fds.empty() || left <= 0) break;
        poll(fds.data(), fds.size(), static_cast<int>(std::ceil(std::min(left, 0.1) * 1000)));
        for (size_t i = 0; i < fds.size(); ++i) {
            std::string error;
            owners[i]->mqtt->Service((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0,
                                     (fds[i].revents & POLLOUT) != 0, error);
        }
    }
    for (auto& ch : channels_) ch->mqtt->Disconnect();
    for (auto& ch : channels_) ch->worker->Join();
    for (auto& ch : channels_) {
        std::lock_guard<std::mutex> lock(ch->worker->box.mu);
        LogLine(ch->worker->Config().label + ": " + std::to_string(ch->worker->box.recordsRead) +
                " records read, " + std::to_string(ch->published) + " published");
    }
    LogLine("stopped");
}

int Bridge::Run() {
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGINT);
    // Blocked before any thread starts, so that every thread inherits it and
    // the signals arrive only through the descriptor.
    pthread_sigmask(SIG_BLOCK, &mask, nullptr);
    signal(SIGPIPE, SIG_IGN);
    signalFd_ = signalfd(-1, &mask, SFD_CLOEXEC | SFD_NONBLOCK);
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (signalFd_ < 0 || wakeFd_ < 0) {
        LogLine(std::string("cannot set up the event loop: ") + std::strerror(errno));
        return 1;
    }

    MqttLibrary library;
    const BrokerConfig& bc = config_.broker;
    for (const SensorConfig& sc : config_.sensors) {
        auto ch = std::make_unique<Channel>();
        ch->base = config_.prefix + "/" + sc.label + "/";
        ch->interval = sc.rate > 0 ? 1.0 / sc.rate : 0;
        MqttOptions o;
        o.host = bc.host;
        o.port = bc.port;
        o.clientId = bc.clientId + "-" + sc.label;
        o.keepalive = bc.keepalive;
        o.username = bc.username;
        o.password = bc.password;
        o.tls = bc.tls;
        o.caFile = bc.caFile;
        o.willTopic = ch->base + "status";
        o.willPayload = StatusOffline(kWillReason);
        ch->mqtt = std::make_unique<MqttClient>(o);
        ch->worker = std::make_unique<SensorWorker>(sc, [this] { Wake(); });
        Channel* raw = ch.get();
        ch->mqtt->onConnect = [this, raw] { OnConnected(*raw); };
        ch->mqtt->onMessage = [this, raw](const std::string& topic, std::string_view payload) {
            OnCommand(*raw, topic, payload);
        };
        channels_.push_back(std::move(ch));
    }
    LogLine("started: " + std::to_string(channels_.size()) + " sensors, broker " + bc.host + ":" +
            std::to_string(bc.port) + ", prefix " + config_.prefix + ", commands " +
            (config_.commands ? "on" : "off"));
    const double start = Now();
    for (auto& ch : channels_) {
        ch->nextAttempt = start;
        ch->worker->Start();
    }

    std::vector<pollfd> fds;
    std::vector<Channel*> owners;
    for (;;) {
        const double now = Now();
        double wakeAt = now + 1.0;  // keep-alive work at least once a second
        for (auto& ch : channels_) {
            if (ch->connecting && now >= ch->connectDeadline) {
                // A broker that never answers (a silent network) counts as unreachable.
                ch->mqtt->Abort();
                ConnectionLost(*ch, "no answer to the connection request", now);
            }
            if (ch->connecting) wakeAt = std::min(wakeAt, ch->connectDeadline);
            if (!ch->mqtt->Connected() && !ch->connecting) {
                if (now >= ch->nextAttempt)
                    StartAttempt(*ch, now);
                else
                    wakeAt = std::min(wakeAt, ch->nextAttempt);
            }
            const double next = Flush(*ch, now);
            if (next > 0) wakeAt = std::min(wakeAt, next);
        }
        fds.clear();
        owners.clear();
        fds.push_back({signalFd_, POLLIN, 0});
        fds.push_back({wakeFd_, POLLIN, 0});
        for (auto& ch : channels_) {
            const int s = ch->mqtt->Socket();
            if (s < 0 || (!ch->mqtt->Connected() && !ch->connecting)) continue;
            fds.push_back(
                {s, static_cast<short>(POLLIN | (ch->mqtt->WantWrite() ? POLLOUT : 0)), 0});
            owners.push_back(ch.get());
        }
        const int ms = std::max(0, static_cast<int>(std::ceil((wakeAt - Now()) * 1000)));
        if (poll(fds.data(), fds.size(), ms) < 0 && errno != EINTR) {
            LogLine(std::string("poll failed: ") + std::strerror(errno));
            break;
        }
        if (fds[0].revents & POLLIN) break;  // SIGTERM or SIGINT
        if (fds[1].revents & POLLIN) {
            uint64_t n;
            ssize_t r = read(wakeFd_, &n, sizeof n);
            (void)r;
        }
        const double after = Now();
        for (size_t i = 0; i < owners.size(); ++i) {
            const short ev = fds[i + 2].revents;
            std::string error;
            if (!owners[i]->mqtt->Service((ev & (POLLIN | POLLHUP | POLLERR)) != 0,
                                          (ev & POLLOUT) != 0, error))
                ConnectionLost(*owners[i], error, after);
        }
    }
    Shutdown();
    close(wakeFd_);
    close(signalFd_);
    return 0;
}

const char* const kUsage =
    "Usage: lumiquad-bridge [--check] CONFIG\n"
    "Publishes the sensors named in CONFIG to an MQTT broker.\n"
    "  --check  only validate CONFIG and report what is wrong, with the line\n";

}  // namespace

int RunBridge(const BridgeConfig& config) {
    Bridge b(config);
    return b.Run();
}

int BridgeMain(int argc, const char* const* argv) {
    bool check = false;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--check") {
            check = true;
        } else if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "lumiquad-bridge: unknown option '%s'\n%s", a.c_str(), kUsage);
            return 2;
        } else if (path.empty()) {
            path = a;
        } else {
            std::fprintf(stderr, "lumiquad-bridge: more than one CONFIG\n%s", kUsage);
            return 2;
        }
    }
    if (path.empty()) {
        std::fprintf(stderr, "lumiquad-bridge: missing CONFIG\n%s", kUsage);
        return 2;
    }
    BridgeConfig config;
    const std::vector<ConfigProblem> problems = ReadBridgeConfig(path, config);
    for (const ConfigProblem& p : problems)
        std::fprintf(stderr, "%s\n", FormatProblem(path, p).c_str());
    if (!problems.empty()) return 1;
    if (check) {
        std::printf("%s: ok, %zu sensor%s, broker %s:%d\n", path.c_str(), config.sensors.size(),
                    config.sensors.size() == 1 ? "" : "s", config.broker.host.c_str(),
                    config.broker.port);
        return 0;
    }
    return RunBridge(config);
}

}  // namespace lq::bridge
