// A line of independent sensors on consecutive ports, in-process and as
// `lumiquad-sim --sensors N`.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "frames.h"
#include "peer.h"
#include "sim/simulator.h"

using simtest::Connect;
using simtest::Exchange;
using simtest::Parse;
using simtest::ReadResponses;
using simtest::Request;
using simtest::Response;
using simtest::Text;
using simtest::WriteAll;

namespace {

// Writes a parameter block with `gain` into the sensor's RAM and stores it
// in its EEPROM, over the connection `fd`.
void Commission(int fd, uint16_t gain) {
    lq::ParaBlock p = simtest::Defaults();
    p[lq::GAIN] = gain;
    EXPECT_EQ(
        Exchange(fd, Request(lq::ORDER_WRITE, lq::kArgParaBlock, simtest::ParaBytes(p))).order,
        lq::ORDER_WRITE);
    EXPECT_EQ(Exchange(fd, Request(lq::ORDER_STORE_EEPROM)).order, lq::ORDER_STORE_EEPROM);
}

TEST(SensorLine, EachSensorHasItsOwnPortIdentityAndMemory) {
    lqsim::SensorLine line(3);
    ASSERT_TRUE(line.Start());
    ASSERT_GT(line.FirstPort(), 0);
    int fds[3];
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(line.Port(i), line.FirstPort() + i);
        EXPECT_EQ(line.Server(i).Port(), line.Port(i));
        // All connections open at once: each sensor has its own server.
        fds[i] = Connect(line.Port(i));
        ASSERT_GE(fds[i], 0);
    }
    for (int i = 0; i < 3; ++i) {
        const Response name = Exchange(fds[i], Request(lq::ORDER_NAME));
        EXPECT_EQ(Text(name), "LUMIQUAD SIMULATOR " + std::to_string(i + 1));
        EXPECT_EQ(name.status, 4711 + i);
    }
    Commission(fds[1], 4);
    EXPECT_EQ(line.At(1).Eeprom()[lq::GAIN], 4);
    EXPECT_EQ(line.At(0).Eeprom()[lq::GAIN], 6) << "the other sensors keep their own EEPROM";
    EXPECT_EQ(line.At(2).Ram()[lq::GAIN], 6);
    for (int fd : fds) close(fd);
}

TEST(SensorLine, ABusySensorDoesNotHoldUpTheOthers) {
    lqsim::SensorLine line(2);
    ASSERT_TRUE(line.Start());
    // Sensor 1 drips its teach table: 520 bytes a millisecond apart.
    line.At(0).SetFault(lqsim::Fault::Drip);
    const int slow = Connect(line.Port(0));
    const int fast = Connect(line.Port(1));
    ASSERT_GE(slow, 0);
    ASSERT_GE(fast, 0);
    WriteAll(slow, Request(lq::ORDER_READ, lq::kArgTeachTable));
    EXPECT_EQ(Exchange(fast, Request(lq::ORDER_READ, lq::kArgTeachTable)).length, 512);
    int waiting = 0;
    ioctl(slow, FIONREAD, &waiting);
    EXPECT_LT(waiting, 8 + 512) << "the second sensor answered while the first was still sending";
    const auto r = Parse(ReadResponses(slow, 1));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_TRUE(r[0].dataOk);
    close(slow);
    close(fast);
}

TEST(SensorLine, ConfigurationOfOneSensorIsTheBaseAndOfManyNumbered) {
    lqsim::SimConfig base;
    base.name = "LINE";
    base.serial = 100;
    const lqsim::SimConfig one = lqsim::LineSensorConfig(base, 0, 1);
    EXPECT_EQ(one.name, "LINE");
    EXPECT_EQ(one.serial, 100);
    const lqsim::SimConfig third = lqsim::LineSensorConfig(base, 2, 5);
    EXPECT_EQ(third.name, "LINE 3");
    EXPECT_EQ(third.serial, 102);
    EXPECT_NE(third.seed, base.seed);
}

TEST(SensorLine, PortsInUseAreRefused) {
    lqsim::SensorLine a(2);
    ASSERT_TRUE(a.Start());
    lqsim::SensorLine b(2);
    EXPECT_FALSE(b.Start(a.Port(1)));
    EXPECT_EQ(b.FirstPort(), 0);
    // The line that failed left nothing behind that blocks a later start.
    EXPECT_TRUE(b.Start());
    EXPECT_NE(b.FirstPort(), a.FirstPort());
}

// ---- the executable -------------------------------------------------------

std::string Exe() {
    return std::string(LQ_RUNTIME_DIR) + "/lumiquad-sim";
}

// A running lumiquad-sim with a command pipe; stopped by `quit`.
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> args) {
        args.insert(args.begin(), Exe());
        c_ = simtest::Spawn(args, true);
    }
    ~SimProcess() {
        if (c_.pid > 0) {
            Say("quit");
            waitpid(c_.pid, nullptr, 0);
        }
        if (c_.out) fclose(c_.out);
        if (c_.in >= 0) close(c_.in);
    }
    void Say(const std::string& cmd) {
        const std::string line = cmd + "\n";
        [[maybe_unused]] const ssize_t w = write(c_.in, line.data(), line.size());
    }
    // The next output line that starts with `prefix` ("" at end of output).
    std::string LineStartingWith(const std::string& prefix) {
        char buf[8192];
        while (fgets(buf, sizeof buf, c_.out)) {
            const std::string line = buf;
            if (line.rfind(prefix, 0) == 0) return line;
        }
        return "";
    }
    // The first port, from the first line.
    int Port() {
        int port = 0;
        sscanf(LineStartingWith("lumiquad-sim: listening").c_str(),
               "lumiquad-sim: listening on 127.0.0.1:%d", &port);
        return port;
    }

  private:
    simtest::Child c_;
};

std::vector<long> Numbers(const std::string& line) {
    std::istringstream in(line.substr(line.find(':') + 1));
    std::vector<long> v;
    for (long x; in >> x;) v.push_back(x);
    return v;
}

TEST(ExecutableLine, ServesNSensorsOnConsecutivePortsWithOneMisbehaving) {
    SimProcess sim({"--tcp", "0", "--sensors", "3", "--fault-at", "2", "lag"});
    const int port = sim.Port();
    ASSERT_GT(port, 0);
    for (int k = 1; k <= 3; ++k) {
        const int fd = Connect(port + k - 1);
        ASSERT_GE(fd, 0) << "sensor " << k;
        EXPECT_EQ(Exchange(fd, Request(lq::ORDER_FIRMWARE)).order, lq::ORDER_FIRMWARE);
        const Response name = Exchange(fd, Request(lq::ORDER_NAME));
        if (k == 2) {
            EXPECT_EQ(name.order, lq::ORDER_FIRMWARE) << "sensor 2 lags";
        } else {
            EXPECT_EQ(Text(name), "LUMIQUAD SIMULATOR " + std::to_string(k));
            EXPECT_EQ(name.status, 4711 + k - 1);
        }
        close(fd);
    }
}

TEST(ExecutableLine, EepromAndRamImagesReadBackPerSensor) {
    SimProcess sim({"--tcp", "0", "--sensors", "2"});
    const int port = sim.Port();
    ASSERT_GT(port, 0);
    const int fd = Connect(port + 1);
    ASSERT_GE(fd, 0);
    Commission(fd, 3);
    lq::TeachTable t{};
    for (int n = 0; n < lq::kSensorTeachVectors; ++n)
        for (int j = 0; j < lq::kTeachWords; ++j) t[n][j] = static_cast<uint16_t>(1000 + 8 * n + j);
    EXPECT_EQ(
        Exchange(fd, Request(lq::ORDER_WRITE, lq::kArgTeachTable, simtest::TeachBytes(t))).order,
        lq::ORDER_WRITE);
    close(fd);

    sim.Say("eeprom 2");
    const std::vector<long> para = Numbers(sim.LineStartingWith("eeprom 2 para:"));
    lq::ParaBlock expected = simtest::Defaults();
    expected[lq::GAIN] = 3;
    ASSERT_EQ(para.size(), static_cast<size_t>(lq::kParaWords));
    for (int i = 0; i < lq::kParaWords; ++i)
        EXPECT_EQ(para[static_cast<size_t>(i)], expected[i]) << i;
    // The teach table reached the RAM only.
    const std::vector<long> eepromTeach = Numbers(sim.LineStartingWith("eeprom 2 teach:"));
    ASSERT_EQ(eepromTeach.size(), static_cast<size_t>(lq::kSensorTeachVectors * lq::kTeachWords));
    EXPECT_EQ(eepromTeach[0], 1);
    sim.Say("ram 2");
    sim.LineStartingWith("ram 2 para:");
    const std::vector<long> ramTeach = Numbers(sim.LineStartingWith("ram 2 teach:"));
    ASSERT_EQ(ramTeach.size(), eepromTeach.size());
    for (size_t i = 0; i < ramTeach.size(); ++i)
        EXPECT_EQ(ramTeach[i], 1000 + static_cast<long>(i)) << i;

    // Without a number, every sensor in turn; sensor 1 was left alone.
    sim.Say("eeprom");
    EXPECT_EQ(Numbers(sim.LineStartingWith("eeprom 1 para:"))[lq::GAIN], 6);
    EXPECT_EQ(Numbers(sim.LineStartingWith("eeprom 2 para:"))[lq::GAIN], 3);
}

TEST(ExecutableLine, FaultCommandsReachAllOrOneSensor) {
    SimProcess sim({"--tcp", "0", "--sensors", "2"});
    const int port = sim.Port();
    ASSERT_GT(port, 0);
    sim.Say("fault unsolicited");
    EXPECT_EQ(sim.LineStartingWith("fault"), "fault unsolicited every 1\n");
    sim.Say("fault-at 1 none");
    EXPECT_EQ(sim.LineStartingWith("sensor 1"), "sensor 1: fault none every 1\n");
    // Sensor 2 greets a new connection with a live frame, sensor 1 does not.
    const int fd2 = Connect(port + 1);
    const auto hello = Parse(ReadResponses(fd2, 1));
    ASSERT_EQ(hello.size(), 1u);
    EXPECT_EQ(hello[0].order, lq::ORDER_LIVE);
    const int fd1 = Connect(port);
    EXPECT_EQ(Exchange(fd1, Request(lq::ORDER_NAME)).order, lq::ORDER_NAME);
    int waiting = -1;
    ioctl(fd1, FIONREAD, &waiting);
    EXPECT_EQ(waiting, 0);
    close(fd1);
    close(fd2);
}

TEST(ExecutableLine, BadLineOptionsAreRefused) {
    const std::vector<std::vector<std::string>> cases = {
        {"--sensors", "0"},
        {"--sensors", "1001"},
        {"--sensors", "2", "--fault-at", "3", "lag"},
        {"--sensors", "2", "--fault-at", "1", "loud"},
        {"--sensors", "2", "--fault-at", "1"},
        {"--sensors", "2", "--pty"},
    };
    for (auto args : cases) {
        args.insert(args.begin(), Exe());
        simtest::Child c = simtest::Spawn(args);
        int status = 0;
        ASSERT_EQ(waitpid(c.pid, &status, 0), c.pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << args[2] << " " << args.back();
        fclose(c.out);
    }
}

}  // namespace
