#include "sim/io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>

namespace lqsim::io {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFragmentPauseMs = 20;

// Waits until `deadline` (to the microsecond, not rounded to milliseconds) or
// until the wake-up fires; true when woken.
bool SleepUntil(Clock::time_point deadline, int wakeFd) {
    for (;;) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) return false;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        pollfd p{wakeFd, POLLIN, 0};
        const int r = ppoll(&p, 1, &ts, nullptr);
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return false;
    }
}

// Writes one piece completely; waits for room while the peer is slow.
WriteResult WriteAll(int fd, bool socket, const uint8_t* data, size_t n, int wakeFd) {
    while (n > 0) {
        const ssize_t w = socket ? send(fd, data, n, MSG_NOSIGNAL) : write(fd, data, n);
        if (w > 0) {
            data += w;
            n -= static_cast<size_t>(w);
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p[2] = {{fd, POLLOUT, 0}, {wakeFd, POLLIN, 0}};
            if (poll(p, 2, -1) < 0 && errno != EINTR) return WriteResult::Failed;
            if (p[1].revents & POLLIN) return WriteResult::Woken;
            if (p[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return WriteResult::Failed;
            continue;
        }
        return WriteResult::Failed;
    }
    return WriteResult::Done;
}

}  // namespace

Wake::Wake() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

Wake::~Wake() {
    if (fd_ >= 0) close(fd_);
}

void Wake::Signal() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t r = write(fd_, &one, sizeof one);
}

void Wake::Drain() {
    uint64_t v;
    [[maybe_unused]] const ssize_t r = read(fd_, &v, sizeof v);
}

bool Errand::Ask(Wake& wake) {
    std::unique_lock<std::mutex> lock(mu_);
    if (!open_) return false;
    const uint64_t ticket = ++asked_;
    wake.Signal();
    cv_.wait(lock, [&] { return done_ >= ticket || !open_; });
    return done_ >= ticket && ok_;
}

void Errand::Open() {
    std::lock_guard<std::mutex> lock(mu_);
    open_ = true;
}

bool Errand::Pending() {
    std::lock_guard<std::mutex> lock(mu_);
    return done_ < asked_;
}

void Errand::Done(bool ok) {
    std::lock_guard<std::mutex> lock(mu_);
    done_ = asked_;
    ok_ = ok;
    cv_.notify_all();
}

void Errand::Close() {
    std::lock_guard<std::mutex> lock(mu_);
    open_ = false;
    done_ = asked_;
    ok_ = false;
    cv_.notify_all();
}

void SetNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

WriteResult WritePaced(int fd, bool socket, const std::vector<uint8_t>& bytes,
                       const std::vector<size_t>& pauses, const Pace& pace, int wakeFd) {
    using Seconds = std::chrono::duration<double>;
    const int baud = pace.baud;
    const double byteTime = baud > 0 ? 10.0 / baud : 0.0;
    // A dripping line hands over one byte at a time, never faster than the wire.
    const double dripTime =
        pace.drip ? std::max(byteTime, std::chrono::duration<double>(kDripGap).count()) : 0.0;
    // Pieces of about a millisecond of wire, as a USB adapter hands them over.
    size_t chunk = baud > 0 ? std::max<size_t>(1, static_cast<size_t>(baud) / 10000) : bytes.size();
    if (pace.drip) chunk = 1;
    if (baud > 0 || pace.drip) {
        // The default slack of 50 us would be a tenth of a record's wire time
        // at 921600 baud; this thread's timed waits are the pacing itself.
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    }
    // An absolute schedule: byte i of the answer is due when its stop bit has
    // arrived, counted from the end of the request's own wire time. A piece is
    // written when its last byte is due, never before, so the answer cannot
    // outrun the wire, and late wake-ups do not add up from piece to piece.
    auto start = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                    Seconds(byteTime * static_cast<double>(pace.requestBytes)));
    auto dueOf = [&](size_t end) {
        const double t = pace.drip ? dripTime * static_cast<double>(end - 1) + byteTime
                                   : byteTime * static_cast<double>(end);
        return start + std::chrono::duration_cast<Clock::duration>(Seconds(t));
    };
    size_t done = 0;
    size_t nextPause = 0;
    while (done < bytes.size()) {
        size_t end = std::min(bytes.size(), done + chunk);
        while (nextPause < pauses.size() && pauses[nextPause] <= done) ++nextPause;
        if (nextPause < pauses.size()) end = std::min(end, pauses[nextPause]);
        if ((baud > 0 || pace.drip) && SleepUntil(dueOf(end), wakeFd)) return WriteResult::Woken;
        const WriteResult r = WriteAll(fd, socket, bytes.data() + done, end - done, wakeFd);
        if (r != WriteResult::Done) return r;
        done = end;
        if (done < bytes.size() && nextPause < pauses.size() && pauses[nextPause] == done) {
            const auto p = std::chrono::milliseconds(kFragmentPauseMs);
            if (SleepUntil(Clock::now() + p, wakeFd)) return WriteResult::Woken;
            start += p;  // the line was idle meanwhile
        }
    }
    return WriteResult::Done;
}

WriteResult Outbox::Send(int fd, const Reply& reply, const Pace& pace, int wakeFd) {
    if (!reply.late.empty()) {
        if (late_.size() >= kMaxLate) late_.pop_front();
        late_.push_back({Clock::now() + kLateDelay, reply.late});
    }
    if (reply.bytes.empty()) return WriteResult::Done;
    return WritePaced(fd, socket_, reply.bytes, reply.pauses, pace, wakeFd);
}

WriteResult Outbox::SendDue(int fd, int baud, int wakeFd) {
    while (!late_.empty() && late_.front().due <= Clock::now()) {
        const std::vector<uint8_t> bytes = std::move(late_.front().bytes);
        late_.pop_front();
        Pace pace;
        pace.baud = baud;
        const WriteResult r = WritePaced(fd, socket_, bytes, {}, pace, wakeFd);
        if (r != WriteResult::Done) return r;
    }
    return WriteResult::Done;
}

bool Outbox::NextDue(timespec& left) const {
    if (late_.empty()) return false;
    const auto d = late_.front().due - Clock::now();
    const long long ns =
        std::max<long long>(0, std::chrono::duration_cast<std::chrono::nanoseconds>(d).count());
    left.tv_sec = static_cast<time_t>(ns / 1000000000);
    left.tv_nsec = static_cast<long>(ns % 1000000000);
    return true;
}

}  // namespace lqsim::io
