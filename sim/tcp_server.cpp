// Serves one TCP client at a time; further clients wait in the listen queue
// until the current one has gone. Late frames (Repeat, Unsolicited) are
// written when due, between the answers to the requests that come meanwhile.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "sim/io.h"
#include "sim/simulator.h"

namespace lqsim {

struct TcpServer::Impl {
    Sensor& sensor;
    int requestedPort;
    std::string bindAddress;
    int listenFd = -1;
    int clientFd = -1;
    std::atomic<int> port{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> drop{false};
    std::atomic<bool> hasClient{false};
    io::Wake wake;
    io::Outbox outbox{true};
    io::Errand unsolicited;
    std::thread thread;
    std::mutex startMu;

    Impl(Sensor& s, int p, std::string addr)
        : sensor(s), requestedPort(p), bindAddress(std::move(addr)) {}

    void CloseClient() {
        if (clientFd >= 0) close(clientFd);
        clientFd = -1;
        hasClient = false;
        outbox.Clear();
        sensor.ResetInput();
    }

    // Writes a reply to the client; false when the connection broke.
    bool Write(const Reply& r, size_t requestBytes) {
        io::Pace pace;
        pace.baud = sensor.Baud();
        pace.drip = r.drip;
        pace.requestBytes = requestBytes;
        // Woken: the loop picks up the stop or drop request.
        return outbox.Send(clientFd, r, pace, wake.Fd()) != io::WriteResult::Failed;
    }

    void Accept(Reply& reply) {
        const int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        clientFd = fd;
        hasClient = true;
        reply.Clear();
        sensor.Connected(reply);
        if (!Write(reply, 0)) CloseClient();
    }

    void Serve() {
        std::vector<uint8_t> in(4096);
        Reply reply;
        while (!stop) {
            pollfd p[2] = {{wake.Fd(), POLLIN, 0},
                           {clientFd >= 0 ? clientFd : listenFd, POLLIN, 0}};
            timespec left{};
            const bool timed = clientFd >= 0 && outbox.NextDue(left);
            const int ready = ppoll(p, 2, timed ? &left : nullptr, nullptr);
            if (ready < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (clientFd >= 0 &&
                outbox.SendDue(clientFd, sensor.Baud(), wake.Fd()) == io::WriteResult::Failed)
                CloseClient();
            if (ready == 0) continue;
            if (p[0].revents & POLLIN) {
                wake.Drain();
                if (stop) break;
                if (drop.exchange(false)) {
                    // A client whose connection is still waiting to be accepted
                    // counts as the current one.
                    if (clientFd < 0) clientFd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
                    CloseClient();
                }
                if (unsolicited.Pending()) {
                    reply.Clear();
                    if (clientFd >= 0) sensor.AppendLiveFrame(reply.bytes);
                    const bool ok = clientFd >= 0 && Write(reply, 0);
                    if (clientFd >= 0 && !ok) CloseClient();
                    unsolicited.Done(ok);
                }
                continue;
            }
            if (!(p[1].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            if (clientFd < 0) {
                Accept(reply);
                continue;
            }
            const ssize_t n = recv(clientFd, in.data(), in.size(), 0);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n <= 0) {
                CloseClient();
                continue;
            }
            reply.Clear();
            const bool keep = sensor.Feed(in.data(), static_cast<size_t>(n), reply);
            if (!Write(reply, static_cast<size_t>(n))) {
                CloseClient();
                continue;
            }
            if (!keep) CloseClient();
        }
        CloseClient();
    }
};

TcpServer::TcpServer(Sensor& sensor, int port, const std::string& bindAddress)
    : impl_(std::make_unique<Impl>(sensor, port, bindAddress)) {}

TcpServer::~TcpServer() {
    Stop();
}

bool TcpServer::Start() {
    Impl& d = *impl_;
    std::lock_guard<std::mutex> lock(d.startMu);
    if (d.thread.joinable()) return true;
    if (!d.wake.Ok()) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(d.requestedPort));
    if (inet_pton(AF_INET, d.bindAddress.c_str(), &a.sin_addr) != 1) return false;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 4) != 0) {
        close(fd);
        return false;
    }
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    d.port = ntohs(a.sin_port);
    d.listenFd = fd;
    d.stop = false;
    d.unsolicited.Open();
    d.thread = std::thread([&d] { d.Serve(); });
    return true;
}

void TcpServer::Stop() {
    Impl& d = *impl_;
    std::lock_guard<std::mutex> lock(d.startMu);
    if (!d.thread.joinable()) return;
    d.stop = true;
    d.wake.Signal();
    d.thread.join();
    d.unsolicited.Close();
    if (d.listenFd >= 0) close(d.listenFd);
    d.listenFd = -1;
}

int TcpServer::Port() const {
    return impl_->port;
}

void TcpServer::DropClient() {
    impl_->drop = true;
    impl_->wake.Signal();
}

bool TcpServer::HasClient() const {
    return impl_->hasClient;
}

bool TcpServer::SendUnsolicited() {
    return impl_->unsolicited.Ask(impl_->wake);
}

}  // namespace lqsim
