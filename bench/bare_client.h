// The bare blocking client the benchmarks measure the program against: the
// same live-record request/response loop over TCP loopback with nothing else
// (no event dispatch, no display, no output), reading each answer with as
// few system calls as the kernel allows.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "link/crc8.h"

namespace lqbench {

// CPU seconds of the calling thread.
inline double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

class BareLiveClient {
  public:
    BareLiveClient() { lq::BuildFrameHeader(request_, lq::ORDER_LIVE, 0, 0); }
    ~BareLiveClient() {
        if (fd_ >= 0) close(fd_);
    }
    BareLiveClient(const BareLiveClient&) = delete;
    BareLiveClient& operator=(const BareLiveClient&) = delete;

    bool Connect(int port) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) return false;
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(static_cast<uint16_t>(port));
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return false;
        const int one = 1;
        setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        return true;
    }

    // One live exchange: the request, then the answer read until its header
    // and announced data are there, the data CRC checked. False when broken.
    bool Exchange() {
        if (send(fd_, request_, sizeof request_, MSG_NOSIGNAL) != sizeof request_) return false;
        size_t have = 0, need = lq::kHeaderSize;
        while (have < need) {
            const ssize_t r = recv(fd_, rx_ + have, sizeof rx_ - have, 0);
            if (r <= 0) return false;
            have += static_cast<size_t>(r);
            if (have >= lq::kHeaderSize) {
                if (!lq::HeaderValid(rx_)) return false;
                need = lq::kHeaderSize + static_cast<size_t>(rx_[4] | (rx_[5] << 8));
                if (need > sizeof rx_) return false;
            }
        }
        return lq::crc8Update(rx_, lq::kHeaderSize, need - lq::kHeaderSize) == rx_[6];
    }

    // Exchanges for `seconds`, or exactly `count` of them when count > 0.
    // Records per second, or -1 when an exchange broke; `cpuPerRecord`
    // receives the thread's CPU seconds per record.
    double Run(double seconds, long count = 0, double* cpuPerRecord = nullptr) {
        using Clock = std::chrono::steady_clock;
        long n = 0;
        const double cpu0 = ThreadCpuSeconds();
        const auto start = Clock::now();
        const auto end = start + std::chrono::duration<double>(seconds);
        if (count > 0) {
            for (; n < count; ++n)
                if (!Exchange()) return -1;
        } else {
            while (Clock::now() < end) {
                for (int i = 0; i < 50; ++i, ++n)
                    if (!Exchange()) return -1;
            }
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (cpuPerRecord && n > 0)
            *cpuPerRecord = (ThreadCpuSeconds() - cpu0) / static_cast<double>(n);
        return n > 0 ? static_cast<double>(n) / elapsed : 0.0;
    }

  private:
    int fd_ = -1;
    uint8_t request_[lq::kHeaderSize] = {};
    uint8_t rx_[2048] = {};
};

}  // namespace lqbench
