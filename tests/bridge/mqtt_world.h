// The world of the bridge's process tests: a real Mosquitto broker on a free
// loopback port, simulated sensors served over TCP from this process, the
// built lumiquad-bridge as a child process, and a subscriber that records
// what the broker delivers. Everything is started and stopped by the test
// (and by the bridge benchmark, which shares the broker and the processes).
#pragma once

#include <fcntl.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bridge/json.h"
#include "sim/simulator.h"

extern char** environ;

namespace lq::bridge::test {

inline std::string ReadWhole(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

inline void WriteWhole(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary);
    f << text;
}

// A loopback port that nothing listens on right now.
inline int FreeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
}

inline bool PortAccepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

// Waits for `done` up to `seconds`, checking every 20 ms.
inline bool WaitFor(const std::function<bool()>& done, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

class TempDir {
  public:
    TempDir() {
        std::string t = (std::filesystem::temp_directory_path() / "lqbridge-XXXXXX").string();
        if (mkdtemp(t.data()) != nullptr) path_ = t;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// A child process with its standard error in a file.
class Child {
  public:
    ~Child() { Kill(SIGKILL); }
    bool Start(const std::vector<std::string>& argv, const std::string& errPath) {
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        const int r = posix_spawn(&pid_, args[0], &fa, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        if (r != 0) pid_ = -1;
        return r == 0;
    }
    bool Running() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    // Sends `sig` and waits up to `seconds` for the end; the exit status, or -1.
    int Stop(int sig, double seconds) {
        if (pid_ <= 0) return -1;
        kill(pid_, sig);
        int status = 0;
        const bool ended =
            WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, seconds);
        if (!ended) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
        pid_ = -1;
        if (!ended || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }
    void Kill(int sig) {
        if (pid_ <= 0) return;
        kill(pid_, sig);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    pid_t pid_ = -1;
};

inline std::string MosquittoPath() {
    for (const char* p : {"/usr/sbin/mosquitto", "/usr/bin/mosquitto", "/usr/local/sbin/mosquitto"})
        if (access(p, X_OK) == 0) return p;
    return {};
}

// mosquitto on 127.0.0.1 only, without persistence: after a restart the
// retained topics are whatever the bridge publishes again.
class Broker {
  public:
    explicit Broker(const TempDir& dir) : dir_(dir), port_(FreeLoopbackPort()) {
        WriteWhole(dir_.File("mosquitto.conf"),
                   "listener " + std::to_string(port_) +
                       " 127.0.0.1\nallow_anonymous true\npersistence false\n");
    }
    bool Start() {
        const std::string exe = MosquittoPath();
        if (exe.empty()) return false;
        if (!child_.Start({exe, "-c", dir_.File("mosquitto.conf")}, dir_.File("mosquitto.log")))
            return false;
        return WaitFor([&] { return PortAccepts(port_); }, 10);
    }
    void Kill() { child_.Kill(SIGKILL); }
    int Port() const { return port_; }

  private:
    const TempDir& dir_;
    int port_;
    Child child_;
};

// What the subscriber has seen on one topic.
struct TopicLog {
    std::vector<std::string> payloads;
    std::vector<bool> retained;
};

// Subscribes to PREFIX/# and records every message.
class Subscriber {
  public:
    Subscriber(int port, const std::string& pattern) {
        m_ = mosquitto_new(nullptr, true, this);
        mosquitto_message_callback_set(
            m_, [](mosquitto*, void* self, const mosquitto_message* msg) {
                auto* s = static_cast<Subscriber*>(self);
                std::lock_guard<std::mutex> lock(s->mu_);
                TopicLog& t = s->topics_[msg->topic];
                t.payloads.emplace_back(static_cast<const char*>(msg->payload),
                                        static_cast<size_t>(msg->payloadlen));
                t.retained.push_back(msg->retain);
            });
        pattern_ = pattern;
        mosquitto_connect_callback_set(m_, [](mosquitto* m, void* self, int rc) {
            auto* s = static_cast<Subscriber*>(self);
            if (rc == 0) mosquitto_subscribe(m, nullptr, s->pattern_.c_str(), 1);
            std::lock_guard<std::mutex> lock(s->mu_);
            s->connected_ = rc == 0;
        });
        connectResult_ = mosquitto_connect(m_, "127.0.0.1", port, 30);
        mosquitto_loop_start(m_);
    }
    ~Subscriber() {
        mosquitto_disconnect(m_);
        mosquitto_loop_stop(m_, true);
        mosquitto_destroy(m_);
    }
    bool WaitConnected() {
        return connectResult_ == MOSQ_ERR_SUCCESS && WaitFor(
                                                         [&] {
                                                             std::lock_guard<std::mutex> lock(mu_);
                                                             return connected_;
                                                         },
                                                         10);
    }
    void Publish(const std::string& topic, const std::string& payload) {
        mosquitto_publish(m_, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                          payload.data(), 1, false);
    }
    TopicLog Topic(const std::string& topic) {
        std::lock_guard<std::mutex> lock(mu_);
        return topics_[topic];
    }
    size_t Count(const std::string& topic) { return Topic(topic).payloads.size(); }
    std::string Last(const std::string& topic) {
        TopicLog t = Topic(topic);
        return t.payloads.empty() ? std::string() : t.payloads.back();
    }

  private:
    mosquitto* m_ = nullptr;
    std::string pattern_;
    int connectResult_ = 0;
    std::mutex mu_;
    bool connected_ = false;
    std::map<std::string, TopicLog> topics_;
};

// A member of a JSON text ("" when it is not there or not a string).
inline std::string Member(const std::string& json, const std::string& key) {
    JsonValue v;
    std::string error;
    if (!ParseJson(json, v, error)) return {};
    const JsonValue* m = v.Find(key);
    if (!m) return {};
    if (m->type == JsonValue::Type::String) return m->text;
    if (m->type == JsonValue::Type::Number)
        return std::to_string(static_cast<long long>(m->number));
    if (m->type == JsonValue::Type::Null) return "null";
    return {};
}

inline std::string BridgePath() {
    return LQ_RUNTIME_DIR "/lumiquad-bridge";
}

// Simulated sensors on loopback, paced to 115200 baud so that a handful of
// them does not load the machine.
class SensorFarm {
  public:
    explicit SensorFarm(int n) {
        for (int i = 0; i < n; ++i) {
            lqsim::SimConfig c;
            c.name = "SENSOR " + std::to_string(i);
            c.serial = static_cast<uint16_t>(1000 + i);
            c.baud = 115200;
            sensors_.push_back(std::make_unique<lqsim::Sensor>(c));
            servers_.push_back(std::make_unique<lqsim::TcpServer>(*sensors_.back(), 0));
            started_ = servers_.back()->Start() && started_;
        }
    }
    ~SensorFarm() {
        for (auto& s : servers_) s->Stop();
    }
    bool Started() const { return started_; }
    lqsim::Sensor& Sensor(int i) { return *sensors_[static_cast<size_t>(i)]; }
    lqsim::TcpServer& Server(int i) { return *servers_[static_cast<size_t>(i)]; }
    int Size() const { return static_cast<int>(sensors_.size()); }

  private:
    std::vector<std::unique_ptr<lqsim::Sensor>> sensors_;
    std::vector<std::unique_ptr<lqsim::TcpServer>> servers_;
    bool started_ = true;
};

}  // namespace lq::bridge::test
