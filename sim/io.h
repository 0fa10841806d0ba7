// Helpers shared by the simulator's transports: a wake-up event, paced,
// fragmented and dripped writes that a stop request interrupts, and the
// outbox that writes a sensor's late frames when they fall due.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <deque>
#include <mutex>
#include <vector>

#include "sim/simulator.h"

namespace lqsim::io {

// An eventfd the transport thread polls beside its descriptors.
class Wake {
  public:
    Wake();
    ~Wake();
    Wake(const Wake&) = delete;
    Wake& operator=(const Wake&) = delete;
    bool Ok() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    void Signal();
    void Drain();

  private:
    int fd_ = -1;
};

enum class WriteResult { Done, Failed, Woken };

// How the bytes of one write are spread over time.
struct Pace {
    int baud = 0;             // > 0: every byte takes the wire time of this rate (10 bits)
    bool drip = false;        // one byte at a time, kDripGap apart (or slower at a low baud)
    size_t requestBytes = 0;  // with baud: the answer starts after the request's wire time
};

// Writes `bytes` to the non-blocking descriptor `fd`. After each offset in
// `pauses` it pauses for a short while. Returns Woken as soon as `wakeFd`
// becomes readable (the wake-up is left pending for the caller).
WriteResult WritePaced(int fd, bool socket, const std::vector<uint8_t>& bytes,
                       const std::vector<size_t>& pauses, const Pace& pace, int wakeFd);

// Writes a sensor's replies to one descriptor: the immediate part at once
// (shaped as the reply says), the late part kLateDelay later, while the
// transport goes on serving requests in between.
class Outbox {
  public:
    explicit Outbox(bool socket) : socket_(socket) {}
    WriteResult Send(int fd, const Reply& reply, const Pace& pace, int wakeFd);
    // Writes the late frames that are due.
    WriteResult SendDue(int fd, int baud, int wakeFd);
    // The time left until the next late frame; false when none waits.
    bool NextDue(timespec& left) const;
    void Clear() { late_.clear(); }

  private:
    using Clock = std::chrono::steady_clock;
    struct Late {
        Clock::time_point due;
        std::vector<uint8_t> bytes;
    };
    // A client that asks faster than the delay keeps a few frames in flight;
    // beyond this many the oldest goes, so memory stays bounded.
    static constexpr size_t kMaxLate = 256;
    bool socket_;
    std::deque<Late> late_;
};

// A job another thread hands to the transport thread (SendUnsolicited):
// Ask() blocks until the transport has carried it out, or has stopped.
class Errand {
  public:
    // Asking thread. True when the transport reported success.
    bool Ask(Wake& wake);
    // Transport thread.
    void Open();
    bool Pending();
    void Done(bool ok);
    void Close();  // wakes every asker with false

  private:
    std::mutex mu_;
    std::condition_variable cv_;
    uint64_t asked_ = 0, done_ = 0;
    bool ok_ = false;
    bool open_ = false;
};

void SetNonBlocking(int fd);

}  // namespace lqsim::io
