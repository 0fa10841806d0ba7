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

void SetNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

WriteResult WritePaced(int fd, bool socket, const std::vector<uint8_t>& bytes,
                       const std::vector<size_t>& pauses, int baud, int wakeFd,
                       size_t requestBytes) {
    using Seconds = std::chrono::duration<double>;
    const double byteTime = baud > 0 ? 10.0 / baud : 0.0;
    // Pieces of about a millisecond of wire, as a USB adapter hands them over.
    const size_t chunk =
        baud > 0 ? std::max<size_t>(1, static_cast<size_t>(baud) / 10000) : bytes.size();
    if (baud > 0) {
        // The default slack of 50 us would be a tenth of a record's wire time
        // at 921600 baud; this thread's timed waits are the pacing itself.
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    }
    // An absolute schedule: byte i of the answer is due when its stop bit has
    // arrived, counted from the end of the request's own wire time. A piece is
    // written when its last byte is due, never before, so the answer cannot
    // outrun the wire, and late wake-ups do not add up from piece to piece.
    auto start = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                    Seconds(byteTime * static_cast<double>(requestBytes)));
    size_t done = 0;
    size_t nextPause = 0;
    while (done < bytes.size()) {
        size_t end = std::min(bytes.size(), done + chunk);
        while (nextPause < pauses.size() && pauses[nextPause] <= done) ++nextPause;
        if (nextPause < pauses.size()) end = std::min(end, pauses[nextPause]);
        if (baud > 0) {
            const auto due = start + std::chrono::duration_cast<Clock::duration>(
                                         Seconds(byteTime * static_cast<double>(end)));
            if (SleepUntil(due, wakeFd)) return WriteResult::Woken;
        }
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

}  // namespace lqsim::io
