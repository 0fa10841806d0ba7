// The serial port over termios: raw 8N1 without handshake, an input queue of
// 1024 bytes that the port's descriptor watch fills, reads and writes bounded
// by the port's time-out, and the driver's line-error counters.
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "app/core/event_loop.h"
#include "link/link.h"
#include "link/link_internal.h"

namespace lq {
namespace {

bool SpeedOf(int baud, speed_t& out) {
    switch (baud) {
        case 9600:
            out = B9600;
            return true;
        case 19200:
            out = B19200;
            return true;
        case 38400:
            out = B38400;
            return true;
        case 57600:
            out = B57600;
            return true;
        case 115200:
            out = B115200;
            return true;
        case 230400:
            out = B230400;
            return true;
        case 460800:
            out = B460800;
            return true;
        case 921600:
            out = B921600;
            return true;
        default:
            return false;
    }
}

// The driver's error counters; false where the driver keeps none (pseudo-terminals).
bool ReadCounters(int fd, int32_t (&c)[4]) {
    serial_icounter_struct ic{};
    if (ioctl(fd, TIOCGICOUNT, &ic) != 0) return false;
    c[0] = ic.frame;
    c[1] = ic.overrun + ic.buf_overrun;
    c[2] = ic.parity;
    c[3] = ic.brk;
    return true;
}

// A driver that keeps no error counters does not start keeping them: it is
// asked once per opening, not on every exchange.
void ResetCounters(App& a) {
    if (a.dev.icountMissing || !ReadCounters(a.dev.serialFd, a.dev.icountBase)) {
        a.dev.icountMissing = true;
        std::memset(a.dev.icountBase, 0, sizeof a.dev.icountBase);
    }
}

void RemoveSerialWatch(App& a) {
    a.dev.serialWatch.Stop();
}

// Moves what the driver holds into the input queue. What does not fit is
// read and dropped, as from a full queue, so that a readable descriptor never
// stays readable (the event loop would spin on it). The descriptor is
// non-blocking: each read takes what is there, EAGAIN says nothing is, and 0
// that the line hung up (device unplugged, peer of a pseudo-terminal gone);
// then the watch stops, so the event loop does not spin, and waits time out.
void PumpSerial(App& a) {
    const int fd = a.dev.serialFd;
    if (fd < 0) return;
    for (;;) {
        const int room = static_cast<int>(sizeof a.dev.serialQueue) - a.dev.serialQueueLen;
        uint8_t scratch[256];
        uint8_t* into = room > 0 ? a.dev.serialQueue + a.dev.serialQueueLen : scratch;
        const size_t want = room > 0 ? static_cast<size_t>(room) : sizeof scratch;
        const ssize_t n = read(fd, into, want);
        if (n > 0) {
            if (room > 0) a.dev.serialQueueLen += static_cast<int>(n);
            if (static_cast<size_t>(n) < want) return;  // the driver is empty
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0 || errno != EAGAIN) RemoveSerialWatch(a);
        return;
    }
}

void CloseSerial(App& a) {
    RemoveSerialWatch(a);
    a.dev.serialFd.Reset();
    a.dev.serialPort = 0;
    a.dev.serialQueueLen = 0;
    a.dev.icountMissing = false;
}

}  // namespace

bool ComDevicePath(const char* deviceDir, int comPort, char* out, size_t outSize) {
    if (out == nullptr || outSize == 0) return false;
    out[0] = '\0';
    const char* family;
    int index;
    if (comPort >= 1 && comPort <= 32) {
        family = "ttyS";
        index = comPort - 1;
    } else if (comPort >= 33 && comPort <= 64) {
        family = "ttyUSB";
        index = comPort - 33;
    } else if (comPort >= 65 && comPort <= 96) {
        family = "ttyACM";
        index = comPort - 65;
    } else {
        return false;
    }
    const int n = snprintf(out, outSize, "%s/%s%d", deviceDir, family, index);
    if (n < 0 || static_cast<size_t>(n) >= outSize) {
        out[0] = '\0';
        return false;
    }
    return true;
}

int OpenComConfig(App& a, int comPort, int baud) {
    CloseSerial(a);
    char path[300];
    if (!ComDevicePath(a.dev.deviceDir, comPort, path, sizeof path)) return kComInvalidPort;
    speed_t speed;
    if (!SpeedOf(baud, speed)) return kComInvalidBaud;

    UniqueFd fd(open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (fd < 0) return Rs232CodeOfErrno(errno);
    termios t{};
    if (tcgetattr(fd, &t) != 0) return Rs232CodeOfErrno(errno);
    cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // VMIN 1 on a non-blocking descriptor: an empty port reads EAGAIN, a
    // hung-up one 0, so the two can be told apart.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    termios check{};
    if (tcsetattr(fd, TCSANOW, &t) != 0 || tcgetattr(fd, &check) != 0 ||
        cfgetospeed(&check) != speed) {
        const int err = errno;
        return err == 0 ? kComInvalidBaud : Rs232CodeOfErrno(err);
    }
    // USB adapters otherwise hold received bytes back for several ms.
    serial_struct ss{};
    if (ioctl(fd, TIOCGSERIAL, &ss) == 0) {
        ss.flags |= ASYNC_LOW_LATENCY;
        (void)ioctl(fd, TIOCSSERIAL, &ss);
    }

    a.dev.serialFd = std::move(fd);
    a.dev.serialPort = comPort;
    a.dev.serialQueueLen = 0;
    a.dev.icountMissing = false;
    ResetCounters(a);
    App* app = &a;
    a.dev.serialWatch.Start(a.loop, a.dev.serialFd, [app] { PumpSerial(*app); });
    return 0;
}

bool SerialOpen(const App& a) {
    return a.dev.serialFd >= 0;
}

void SetComTime(App& a, double seconds) {
    a.dev.serialTimeout = seconds;
}

void FlushInQ(App& a) {
    if (a.dev.serialFd < 0) return;
    tcflush(a.dev.serialFd, TCIFLUSH);
    a.dev.serialQueueLen = 0;
    // Errors of earlier traffic belong to it, not to what follows.
    ResetCounters(a);
}

void FlushOutQ(App& a) {
    if (a.dev.serialFd >= 0) tcflush(a.dev.serialFd, TCOFLUSH);
}

int GetInQLen(App& a) {
    PumpSerial(a);
    return a.dev.serialQueueLen;
}

int GetComStat(App& a) {
    int bits = 0;
    int32_t now[4];
    if (a.dev.serialFd >= 0 && !a.dev.icountMissing && ReadCounters(a.dev.serialFd, now)) {
        static constexpr int kBit[4] = {kLineFraming, kLineOverrun, kLineParity, kLineBreak};
        for (int i = 0; i < 4; ++i) {
            if (now[i] != a.dev.icountBase[i]) bits |= kBit[i];
            a.dev.icountBase[i] = now[i];
        }
    }
    return bits;
}

int ComRd(App& a, uint8_t* buffer, int count) {
    if (a.dev.serialFd < 0 || count <= 0) return 0;
    const double start = a.loop.Timer();
    int got = 0;
    for (;;) {
        // What the queue already holds is read from it; the driver is asked
        // only for what is still missing.
        if (a.dev.serialQueueLen < count - got) PumpSerial(a);
        int take = a.dev.serialQueueLen < count - got ? a.dev.serialQueueLen : count - got;
        if (take > 0) {
            std::memcpy(buffer + got, a.dev.serialQueue, static_cast<size_t>(take));
            a.dev.serialQueueLen -= take;
            std::memmove(a.dev.serialQueue, a.dev.serialQueue + take,
                         static_cast<size_t>(a.dev.serialQueueLen));
            got += take;
        }
        if (got >= count || a.loop.Timer() - start >= a.dev.serialTimeout) break;
        a.loop.Sleep(1);  // a blocking read: no event dispatch
    }
    return got;
}

int ComWrt(App& a, const uint8_t* buffer, int count) {
    if (a.dev.serialFd < 0 || count <= 0) return 0;
    const double start = a.loop.Timer();
    int done = 0;
    while (done < count) {
        const ssize_t n = write(a.dev.serialFd, buffer + done, static_cast<size_t>(count - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) break;
        if (a.loop.Timer() - start >= a.dev.serialTimeout) break;
        a.loop.Sleep(1);
    }
    return done;
}

void CloseCom(App& a, int comPort) {
    if (a.dev.serialFd >= 0 && a.dev.serialPort == comPort) CloseSerial(a);
}

void InitRS232(App& a) {
    a.s.running = 0;
    CloseCom(a, a.s.link.comPort);
    const int baud = BaudRateOf(a.s.link.baudIndex);
    errno = 0;
    a.s.linkResult = OpenComConfig(a, a.s.link.comPort, baud);
    const int openErrno = errno;
    if (a.s.linkResult >= 0) {
        SetComTime(a, 2.0);
        FlushInQ(a);
        FlushOutQ(a);
        return;  // handshake is off from the line settings
    }
    const char* text = Rs232ErrorText(a.s.linkResult);
    if (const char* hint = Rs232PermissionHint(a.s.linkResult, openErrno)) {
        std::snprintf(a.s.statusText, sizeof a.s.statusText, "%s\n%s", text, hint);
        text = a.s.statusText;
    }
    ReportFailure(a, text);
}

}  // namespace lq
