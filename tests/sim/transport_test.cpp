// The simulator served over TCP and over a pseudo-terminal, and the
// lumiquad-sim executable answering over TCP.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "frames.h"
#include "peer.h"
#include "sim/simulator.h"

using simtest::Child;
using simtest::Connect;
using simtest::Exchange;
using simtest::Parse;
using simtest::ReadResponses;
using simtest::Request;
using simtest::Response;
using simtest::Spawn;
using simtest::WaitEof;
using simtest::WriteAll;

namespace {

TEST(TcpServer, AnswersOneClientAfterAnother) {
    lqsim::Sensor sensor;
    lqsim::TcpServer server(sensor, 0);
    ASSERT_TRUE(server.Start());
    ASSERT_GT(server.Port(), 0);

    for (int round = 0; round < 2; ++round) {
        const int fd = Connect(server.Port());
        ASSERT_GE(fd, 0);
        const Response fw = Exchange(fd, Request(lq::ORDER_FIRMWARE));
        EXPECT_EQ(std::string(fw.data.begin(), fw.data.end()), "LUMIQUAD QX V1.5.7 SIM");
        const Response teach = Exchange(fd, Request(lq::ORDER_READ, lq::kArgTeachTable));
        EXPECT_EQ(teach.length, 512);
        EXPECT_TRUE(teach.dataOk);
        close(fd);
    }
    server.Stop();
    server.Stop();  // twice is harmless
}

TEST(TcpServer, DropClientClosesTheConnectionAndTheNextOneIsServed) {
    lqsim::Sensor sensor;
    lqsim::TcpServer server(sensor);
    ASSERT_TRUE(server.Start());
    const int fd = Connect(server.Port());
    ASSERT_GE(fd, 0);
    server.DropClient();
    EXPECT_TRUE(WaitEof(fd));
    close(fd);
    const int fd2 = Connect(server.Port());
    EXPECT_EQ(Exchange(fd2, Request(lq::ORDER_NAME)).status, 4711);
    close(fd2);
}

TEST(TcpServer, CloseFaultEndsTheConnection) {
    lqsim::Sensor sensor;
    lqsim::TcpServer server(sensor);
    ASSERT_TRUE(server.Start());
    const int fd = Connect(server.Port());
    sensor.SetFault(lqsim::Fault::Close);
    WriteAll(fd, Request(lq::ORDER_LIVE));
    EXPECT_TRUE(WaitEof(fd));
    close(fd);
}

TEST(TcpServer, FragmentedAndPacedAnswersArriveWhole) {
    lqsim::SimConfig c;
    c.baud = 115200;
    lqsim::Sensor sensor(c);
    lqsim::TcpServer server(sensor);
    ASSERT_TRUE(server.Start());
    const int fd = Connect(server.Port());
    sensor.SetFault(lqsim::Fault::Fragment);
    WriteAll(fd, Request(lq::ORDER_LIVE));
    int reads = 0;
    const auto r = Parse(ReadResponses(fd, 1, &reads));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_TRUE(r[0].headerOk);
    EXPECT_TRUE(r[0].dataOk);
    EXPECT_EQ(r[0].length, 42);
    EXPECT_GE(reads, 2) << "the header came in pieces";
    close(fd);
}

TEST(TcpServer, StopsWhileAClientIsConnected) {
    lqsim::Sensor sensor;
    auto server = std::make_unique<lqsim::TcpServer>(sensor);
    ASSERT_TRUE(server->Start());
    const int fd = Connect(server->Port());
    ASSERT_GE(fd, 0);
    Exchange(fd, Request(lq::ORDER_LIVE));
    server.reset();  // must not hang
    EXPECT_TRUE(WaitEof(fd));
    close(fd);
}

TEST(TcpServer, PortInUseFailsToStart) {
    lqsim::Sensor sensor;
    lqsim::TcpServer a(sensor);
    ASSERT_TRUE(a.Start());
    lqsim::TcpServer b(sensor, a.Port());
    EXPECT_FALSE(b.Start());
}

TEST(PtyServer, RoundTripThroughTheSlaveAndItsLink) {
    lqsim::Sensor sensor;
    lqsim::PtyServer server(sensor);
    ASSERT_TRUE(server.Start());
    const std::string slave = server.SlavePath();
    ASSERT_FALSE(slave.empty());
    char dir[] = "/tmp/lqsim-ptyXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string link = std::string(dir) + "/ttyS7";
    ASSERT_TRUE(server.Link(link));
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(slave, target);

    for (int round = 0; round < 2; ++round) {  // the port can be opened again
        const int fd = open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        cfsetspeed(&t, B115200);
        tcsetattr(fd, TCSANOW, &t);
        const Response live = Exchange(fd, Request(lq::ORDER_LIVE));
        EXPECT_EQ(live.order, lq::ORDER_LIVE);
        EXPECT_TRUE(live.dataOk);
        const Response t2 = Exchange(fd, Request(lq::ORDER_READ, lq::kArgTeachTable));
        EXPECT_EQ(t2.length, 512);
        EXPECT_TRUE(t2.dataOk) << "raw mode: every byte value passes unchanged";
        close(fd);
    }
    server.Stop();
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "the link goes with the server";
    rmdir(dir);
}

TEST(PtyServer, LinkNeverReplacesARealFile) {
    lqsim::Sensor sensor;
    lqsim::PtyServer server(sensor);
    ASSERT_TRUE(server.Start());
    char path[] = "/tmp/lqsim-fileXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_FALSE(server.Link(path));
    unlink(path);
}

// ---- the executable -------------------------------------------------------

TEST(Executable, ServesTcpOnAnEphemeralPortUntilSignalled) {
    const std::string exe = std::string(LQ_RUNTIME_DIR) + "/lumiquad-sim";
    Child c = Spawn({exe, "--tcp", "0", "--model", "v4", "--serial", "99", "--name", "DEMO"});
    ASSERT_GT(c.pid, 0);
    ASSERT_NE(c.out, nullptr);
    char line[256] = {};
    ASSERT_NE(fgets(line, sizeof line, c.out), nullptr);
    int port = 0;
    ASSERT_EQ(sscanf(line, "lumiquad-sim: listening on 127.0.0.1:%d", &port), 1) << line;
    ASSERT_GT(port, 0);

    // Its input is at end of file already; it must still be serving.
    const int fd = Connect(port);
    ASSERT_GE(fd, 0);
    const Response fw = Exchange(fd, Request(lq::ORDER_FIRMWARE));
    EXPECT_EQ(std::string(fw.data.begin(), fw.data.end()), "LUMIQUAD V4.1 SIM");
    const Response name = Exchange(fd, Request(lq::ORDER_NAME));
    EXPECT_EQ(std::string(name.data.begin(), name.data.end()), "DEMO");
    EXPECT_EQ(name.status, 99);
    close(fd);

    kill(c.pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(c.pid, &status, 0), c.pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    fclose(c.out);
}

TEST(Executable, QuitCommandEndsIt) {
    const std::string exe = std::string(LQ_RUNTIME_DIR) + "/lumiquad-sim";
    int in[2], out[2];
    ASSERT_EQ(pipe2(in, O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        execl(exe.c_str(), exe.c_str(), "--tcp", "0", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    const std::string cmds = "color 100 200 300\nstatus\nquit\n";
    ASSERT_EQ(write(in[1], cmds.data(), cmds.size()), static_cast<ssize_t>(cmds.size()));
    FILE* f = fdopen(out[0], "r");
    std::string all;
    char line[512];
    while (fgets(line, sizeof line, f)) all += line;
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(all.find("colour 100 200 300"), std::string::npos) << all;
    EXPECT_NE(all.find("MAX VEC NO"), std::string::npos) << all;
    EXPECT_NE(all.find("lumiquad-sim: stopped"), std::string::npos) << all;
    fclose(f);
    close(in[1]);
}

TEST(Executable, BadOptionIsRefused) {
    const std::string exe = std::string(LQ_RUNTIME_DIR) + "/lumiquad-sim";
    Child c = Spawn({exe, "--fault", "loud"});
    int status = 0;
    ASSERT_EQ(waitpid(c.pid, &status, 0), c.pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 0);
    fclose(c.out);
}

}  // namespace
