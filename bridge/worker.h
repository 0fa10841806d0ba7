// One sensor's side of the bridge: a thread that keeps the sensor connected
// (reconnecting with back-off), reads live records one after another and
// carries out commands between two of them. It talks to the publishing side
// only through its mailbox, which keeps the latest state, never a queue of
// records.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "app/core/session_state.h"
#include "bridge/config.h"
#include "bridge/messages.h"

namespace lq::bridge {

// Writes one line to standard error per call, whole, from any thread.
void LogLine(const std::string& line);

// Back-off of reconnection attempts: 1 s, doubling to 60 s, back to 1 s after
// a success.
class Backoff {
  public:
    double Next() {
        const double d = delay_;
        delay_ = delay_ * 2 > kMax ? kMax : delay_ * 2;
        return d;
    }
    void Reset() { delay_ = 1; }

  private:
    static constexpr double kMax = 60;
    double delay_ = 1;
};

struct Mailbox {
    static constexpr size_t kMaxCommands = 8;
    static constexpr size_t kMaxReplies = 16;

    std::mutex mu;
    std::condition_variable cv;  // the worker waits here between attempts
    bool online = false;
    std::string status;  // JSON; empty until the first attempt ended
    uint64_t statusVersion = 0;
    std::string config;  // JSON; empty until read once
    uint64_t configVersion = 0;
    LiveRecord live;  // the newest record and when it was read
    double liveTime = 0;
    uint64_t liveSeq = 0;
    bool wakeOnLive = true;  // the publisher waits for a record
    std::deque<std::string> replies;
    std::deque<Command> commands;
    uint64_t recordsRead = 0;
};

class SensorWorker {
  public:
    // `wake` is called (from the worker's thread) when the mailbox has news
    // for the publisher.
    SensorWorker(const SensorConfig& config, std::function<void()> wake);
    ~SensorWorker();
    SensorWorker(const SensorWorker&) = delete;
    SensorWorker& operator=(const SensorWorker&) = delete;

    void Start();
    void RequestStop();
    void Join();

    const SensorConfig& Config() const { return config_; }
    Mailbox box;

  private:
    void Run();
    // Waits `seconds` or until stopped; false when stopped.
    bool Pause(double seconds);
    void Post(std::function<void(Mailbox&)> change);
    void GoOffline(const std::string& reason);
    // Carries out one command; false when the link failed on it.
    bool Execute(class SensorLink& link, Command& cmd);

    SensorConfig config_;
    std::function<void()> wake_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::string lastLogged_;  // the last state line, so that only changes are logged
};

}  // namespace lq::bridge
