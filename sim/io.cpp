#include "sim/io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace lqsim::io {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFragmentPauseMs = 20;

// Waits until `deadline` or until the wake-up fires; true when woken.
bool SleepUntil(Clock::time_point deadline, int wakeFd) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd p{wakeFd, POLLIN, 0};
        const int r = poll(&p, 1, static_cast<int>(left.count()));
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
                       const std::vector<size_t>& pauses, int baud, int wakeFd) {
    // Pieces of at most ~10 ms of wire time, so pacing sleeps per piece.
    const size_t chunk =
        baud > 0 ? std::max<size_t>(1, static_cast<size_t>(baud) / 1000) : bytes.size();
    const auto start = Clock::now();
    auto pausedFor = Clock::duration::zero();
    size_t done = 0;
    size_t nextPause = 0;
    while (done < bytes.size()) {
        size_t end = std::min(bytes.size(), done + chunk);
        while (nextPause < pauses.size() && pauses[nextPause] <= done) ++nextPause;
        if (nextPause < pauses.size()) end = std::min(end, pauses[nextPause]);
        const WriteResult r = WriteAll(fd, socket, bytes.data() + done, end - done, wakeFd);
        if (r != WriteResult::Done) return r;
        done = end;
        if (done < bytes.size() && nextPause < pauses.size() && pauses[nextPause] == done) {
            const auto p = std::chrono::milliseconds(kFragmentPauseMs);
            if (SleepUntil(Clock::now() + p, wakeFd)) return WriteResult::Woken;
            pausedFor += p;
        }
        if (baud > 0) {
            const auto wire = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(10.0 * static_cast<double>(done) / baud));
            if (SleepUntil(start + pausedFor + wire, wakeFd)) return WriteResult::Woken;
        }
    }
    return WriteResult::Done;
}

}  // namespace lqsim::io
