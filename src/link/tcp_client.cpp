// The TCP client link: resolving and connecting within the time limit, the
// descriptor watch that turns readiness into ClientTCPCB events, reads into
// rxBuffer and writes of the request.
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>

#include "app/core/event_loop.h"
#include "link/link.h"
#include "link/link_internal.h"

namespace lq {
namespace {

using Clock = std::chrono::steady_clock;

// Connects one resolved address; 0 or an errno value.
int ConnectOne(int fd, const addrinfo* ai, Clock::time_point deadline,
               const std::function<void()>& whileWaiting) {
    if (connect(fd, ai->ai_addr, ai->ai_addrlen) == 0) return 0;
    if (errno != EINPROGRESS) return errno;
    // Short waits, so that the window can repaint between them.
    constexpr long kSliceMs = 20;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return ETIMEDOUT;
        pollfd p{fd, POLLOUT, 0};
        const int r = poll(&p, 1, static_cast<int>(std::min(left, kSliceMs)));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return errno;
        if (r == 0) {
            if (whileWaiting) whileWaiting();
            continue;
        }
        int err = 0;
        socklen_t len = sizeof err;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return errno;
        return err;
    }
}

void CloseTcpSocket(App& a) {
    a.dev.tcpWatch.Stop();
    a.dev.tcpFd.Reset();
}

// The watch callback: the descriptor is readable, which is data or the
// server's close; ClientTCPCB's read tells them apart.
void TcpReadable(App& a) {
    if (a.dev.tcpFd >= 0) ClientTCPCB(a, a.s.tcpHandle, TCP_DATAREADY, 0);
}

// Reads what the connection holds into `buffer` (or drops it when `buffer`
// is null): the bytes read, 0 when the server has closed, -1 when nothing is
// there now.
ssize_t ReadAvailable(int fd, uint8_t* buffer, size_t room) {
    uint8_t scratch[512];
    if (buffer == nullptr) {
        buffer = scratch;
        room = sizeof scratch;
    }
    for (;;) {
        const ssize_t n = recv(fd, buffer, room, MSG_DONTWAIT);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return -1;
        return 0;  // reset or another error: the connection is gone
    }
}

// A greeting that came in just after the first request had gone out would be
// taken for its answer, so a new connection is used once it is quiet. A peer
// that never stops talking holds the connect up for kSettleMax at most.
constexpr std::chrono::milliseconds kSettleQuiet{20};
constexpr std::chrono::milliseconds kSettleMax{250};

}  // namespace

void SettleNewConnection(int fd) {
    const Clock::time_point end = Clock::now() + kSettleMax;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) return;
        pollfd p{fd, POLLIN, 0};
        const int r = poll(&p, 1, static_cast<int>(std::min(left, kSettleQuiet).count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return;  // quiet
        ssize_t n;
        while ((n = ReadAvailable(fd, nullptr, 0)) > 0) {
        }
        // Closed already: the descriptor stays readable, and the watch reports
        // the close like any other.
        if (n == 0) return;
    }
}

int TcpConnect(const char* host, int port, int timeoutMs,
               const std::function<void()>& whileWaiting) {
    if (port <= 0 || port > 65535) return kTcpInvalidParameter;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    char service[8];
    std::snprintf(service, sizeof service, "%d", port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* list = nullptr;
    const int gai = getaddrinfo(host, service, &hints, &list);
    if (gai != 0) return TcpCodeOfGaiError(gai);

    int lastErr = ETIMEDOUT;
    int result = -1;
    for (const addrinfo* ai = list; ai != nullptr && result < 0; ai = ai->ai_next) {
        if (Clock::now() >= deadline) {
            lastErr = ETIMEDOUT;
            break;
        }
        UniqueFd fd(
            socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol));
        if (fd < 0) {
            lastErr = errno;
            continue;
        }
        lastErr = ConnectOne(fd, ai, deadline, whileWaiting);
        if (lastErr == 0) {
            // One small request, one answer: do not hold the request back.
            const int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            result = fd.Release();
        }
    }
    freeaddrinfo(list);
    return result >= 0 ? result : TcpCodeOfErrno(lastErr);
}

int ClientTCPWrite(App& a, const uint8_t* buffer, int count, double timeoutSeconds) {
    const int fd = a.dev.tcpFd;
    if (fd < 0 || count <= 0) return 0;
    const double start = a.loop.Timer();
    int done = 0;
    while (done < count) {
        const ssize_t n =
            send(fd, buffer + done, static_cast<size_t>(count - done), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) break;
        if (a.loop.Timer() - start >= timeoutSeconds) break;
        a.loop.Sleep(1);
    }
    return done;
}

bool DiscardTcpInput(App& a) {
    if (a.dev.tcpFd < 0) return false;
    bool dropped = false;
    while (ReadAvailable(a.dev.tcpFd, nullptr, 0) > 0) dropped = true;
    return dropped;
}

void AdoptTcpSocket(App& a, int fd) {
    CloseTcpSocket(a);
    a.dev.tcpFd.Reset(fd);
    a.s.tcpHandle = fd;
    App* app = &a;
    a.dev.tcpWatch.Start(a.loop, fd, [app] { TcpReadable(*app); });
    a.s.tcpOpen = 1;
}

void InitTCP_IP(App& a) {
    if (a.s.tcpOpen) DisconnectFromTCPServer(a);
    CloseTcpSocket(a);
    a.events->Waiting(true);
    const int r =
        TcpConnect(a.s.link.host, a.s.link.tcpPort, 5000, [&a] { a.loop.RepaintWhileBlocked(); });
    a.events->Waiting(false);
    if (r >= 0) {
        SettleNewConnection(r);
        a.s.linkResult = 0;
        AdoptTcpSocket(a, r);
        return;
    }
    a.s.linkResult = r;
    ReportFailure(a, TcpErrorText(r));
    a.s.tcpOpen = 0;
}

void DisconnectFromTCPServer(App& a) {
    CloseTcpSocket(a);
    a.s.tcpOpen = 0;
    a.s.tcpHandle = 0;
}

int ClientTCPCB(App& a, int handle, int event, int /*error*/) {
    if (a.dev.tcpFd < 0 || handle != a.s.tcpHandle) return 0;  // stale event
    if (event == TCP_DATAREADY) {
        ssize_t n;
        const int room = kFrameBufferSize - a.s.rxCount;
        if (room > 0) {
            n = ReadAvailable(a.dev.tcpFd, a.s.rxBuffer + a.s.rxCount, static_cast<size_t>(room));
            if (n > 0) a.s.rxCount += static_cast<int>(n);
        } else {
            // What does not fit into rxBuffer is dropped, so the descriptor
            // does not stay readable and the event loop does not spin on it.
            while ((n = ReadAvailable(a.dev.tcpFd, nullptr, 0)) > 0) {
            }
        }
        if (n != 0) return 0;
        event = TCP_DISCONNECT;  // readable with nothing to read: the server has closed
    }
    if (event == TCP_DISCONNECT) {
        CloseTcpSocket(a);
        ReportFailure(a, kTextServerClosed);
        a.s.tcpHandle = 0;
        a.s.tcpOpen = 0;
    }
    return 0;
}

}  // namespace lq
