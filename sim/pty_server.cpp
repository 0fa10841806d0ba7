// Serves the sensor on a pseudo-terminal. The server keeps the slave side
// open itself, so the master never reports a hang-up while no program has
// the port open, and a program can open and close it as often as it likes.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "sim/io.h"
#include "sim/simulator.h"

namespace lqsim {

struct PtyServer::Impl {
    Sensor& sensor;
    int masterFd = -1;
    int slaveFd = -1;
    std::string slavePath;
    std::vector<std::string> links;
    std::atomic<bool> stop{false};
    io::Wake wake;
    io::Outbox outbox{false};
    io::Errand unsolicited;
    std::thread thread;
    std::mutex mu;

    explicit Impl(Sensor& s) : sensor(s) {}

    bool Write(const Reply& r, size_t requestBytes) {
        io::Pace pace;
        pace.baud = sensor.Baud();
        pace.drip = r.drip;
        pace.requestBytes = requestBytes;
        return outbox.Send(masterFd, r, pace, wake.Fd()) == io::WriteResult::Done;
    }

    void Serve() {
        std::vector<uint8_t> in(4096);
        Reply reply;
        while (!stop) {
            pollfd p[2] = {{wake.Fd(), POLLIN, 0}, {masterFd, POLLIN, 0}};
            timespec left{};
            const bool timed = outbox.NextDue(left);
            const int ready = ppoll(p, 2, timed ? &left : nullptr, nullptr);
            if (ready < 0) {
                if (errno == EINTR) continue;
                break;
            }
            outbox.SendDue(masterFd, sensor.Baud(), wake.Fd());
            if (ready == 0) continue;
            if (p[0].revents & POLLIN) {
                wake.Drain();
                if (unsolicited.Pending()) {
                    reply.Clear();
                    sensor.AppendLiveFrame(reply.bytes);
                    unsolicited.Done(Write(reply, 0));
                }
                continue;
            }
            if (!(p[1].revents & POLLIN)) {
                // Cannot happen while the slave is held open; avoid spinning anyway.
                if (p[1].revents & (POLLHUP | POLLERR)) usleep(10000);
                continue;
            }
            const ssize_t n = read(masterFd, in.data(), in.size());
            if (n <= 0) continue;
            reply.Clear();
            // A serial line cannot be closed by the sensor: Fault::Close stays silent.
            sensor.Feed(in.data(), static_cast<size_t>(n), reply);
            Write(reply, static_cast<size_t>(n));
        }
    }

    void Close() {
        if (masterFd >= 0) close(masterFd);
        if (slaveFd >= 0) close(slaveFd);
        masterFd = slaveFd = -1;
        for (const std::string& l : links) unlink(l.c_str());
        links.clear();
    }
};

PtyServer::PtyServer(Sensor& sensor) : impl_(std::make_unique<Impl>(sensor)) {}

PtyServer::~PtyServer() {
    Stop();
}

bool PtyServer::Start() {
    Impl& d = *impl_;
    std::lock_guard<std::mutex> lock(d.mu);
    if (d.thread.joinable()) return true;
    if (!d.wake.Ok()) return false;
    d.masterFd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (d.masterFd < 0) return false;
    char name[128];
    if (grantpt(d.masterFd) != 0 || unlockpt(d.masterFd) != 0 ||
        ptsname_r(d.masterFd, name, sizeof name) != 0) {
        d.Close();
        return false;
    }
    d.slavePath = name;
    termios t{};
    if (tcgetattr(d.masterFd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(d.masterFd, TCSANOW, &t);
    }
    d.slaveFd = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (d.slaveFd < 0) {
        d.Close();
        return false;
    }
    if (tcgetattr(d.slaveFd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(d.slaveFd, TCSANOW, &t);
    }
    io::SetNonBlocking(d.masterFd);
    d.stop = false;
    d.outbox.Clear();
    d.unsolicited.Open();
    d.thread = std::thread([&d] { d.Serve(); });
    return true;
}

void PtyServer::Stop() {
    Impl& d = *impl_;
    std::lock_guard<std::mutex> lock(d.mu);
    if (d.thread.joinable()) {
        d.stop = true;
        d.wake.Signal();
        d.thread.join();
    }
    d.unsolicited.Close();
    d.Close();
}

std::string PtyServer::SlavePath() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->slavePath;
}

bool PtyServer::SendUnsolicited() {
    return impl_->unsolicited.Ask(impl_->wake);
}

bool PtyServer::Link(const std::string& linkPath) {
    Impl& d = *impl_;
    std::lock_guard<std::mutex> lock(d.mu);
    if (d.slavePath.empty() || linkPath.empty()) return false;
    struct stat st {};
    // Replace an old link (a previous run), never a real file.
    if (lstat(linkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) return false;
        unlink(linkPath.c_str());
    }
    if (symlink(d.slavePath.c_str(), linkPath.c_str()) != 0) return false;
    d.links.push_back(linkPath);
    return true;
}

}  // namespace lqsim
