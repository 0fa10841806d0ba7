// Talking to a served simulator from a test: TCP connections, raw serial
// ports, whole responses read under a safety limit, and the executable
// started as a child process.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "frames.h"

namespace simtest {

// Generous safety limit so that a broken peer fails the test instead of hanging it.
inline constexpr int kSafetyMs = 10000;

inline int Connect(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

inline void WriteAll(int fd, const std::vector<uint8_t>& b) {
    size_t done = 0;
    while (done < b.size()) {
        const ssize_t w = write(fd, b.data() + done, b.size() - done);
        ASSERT_GT(w, 0);
        done += static_cast<size_t>(w);
    }
}

// Reads until `count` complete responses have arrived; returns the bytes.
// `reads` counts the read calls that delivered bytes; `eof` tells whether
// the peer closed.
inline std::vector<uint8_t> ReadResponses(int fd, size_t count, int* reads = nullptr,
                                          bool* eof = nullptr) {
    std::vector<uint8_t> got;
    if (eof) *eof = false;
    for (;;) {
        size_t rest = 0;
        if (Parse(got, &rest).size() >= count && rest == 0) break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, kSafetyMs) <= 0) break;
        uint8_t buf[4096];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) {
            if (eof) *eof = true;
            break;
        }
        if (reads) ++*reads;
        got.insert(got.end(), buf, buf + n);
    }
    return got;
}

inline Response Exchange(int fd, const std::vector<uint8_t>& req) {
    WriteAll(fd, req);
    const auto r = Parse(ReadResponses(fd, 1));
    EXPECT_EQ(r.size(), 1u);
    return r.empty() ? Response{} : r[0];
}

inline bool WaitEof(int fd) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, kSafetyMs) <= 0) return false;
    uint8_t b;
    return read(fd, &b, 1) == 0;
}

// Opens a serial port (a pseudo-terminal's slave or a link to it) raw.
inline int OpenRaw(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, B115200);
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

struct Child {
    pid_t pid = -1;
    FILE* out = nullptr;
    int in = -1;  // its standard input, when asked for
};

// Starts the executable with its output on a pipe; its input is /dev/null,
// or with `input` a pipe the test writes commands to.
inline Child Spawn(const std::vector<std::string>& args, bool input = false) {
    int pipeOut[2], pipeIn[2] = {-1, -1};
    if (pipe2(pipeOut, O_CLOEXEC) != 0) return {};
    if (input && pipe2(pipeIn, O_CLOEXEC) != 0) return {};
    std::vector<char*> argv;  // built before fork: the child only calls exec
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeOut[1], STDOUT_FILENO);
        // Without input it is started "in the background".
        const int in = input ? pipeIn[0] : open("/dev/null", O_RDONLY);
        dup2(in, STDIN_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeOut[1]);
    if (input) close(pipeIn[0]);
    return {pid, fdopen(pipeOut[0], "r"), pipeIn[1]};
}

}  // namespace simtest
