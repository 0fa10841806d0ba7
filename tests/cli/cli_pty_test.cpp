// lumiquad-cli over a serial link: the simulated sensor behind a
// pseudo-terminal, reached as a COM number through a folder of device links.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "data/para.h"
#include "link/link.h"
#include "sim/simulator.h"
#include "tests/cli/cli_run.h"
#include "tests/cli/lagging_sensor.h"
#include "tests/support/unprivileged.h"

namespace lq::test {
namespace {

class CliPty : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.Start());
        // COM 1 is ttyS0, COM 33 ttyUSB0 inside the device folder.
        ASSERT_TRUE(server.Link(dir.File("ttyUSB0")));
    }
    CliResult Cli(std::vector<std::string> args) {
        args.insert(args.begin(), {"--com", "33", "--baud", "921600", "--device-dir", dir.path()});
        sensor.ClearRequests();
        return RunCli(dir, args);
    }

    TempDir dir;
    lqsim::Sensor sensor;
    lqsim::PtyServer server{sensor};
};

TEST_F(CliPty, IdentifyLiveAndRoundTripOverTheSerialLink) {
    CliResult r = Cli({"identify"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("model: LUMIQUAD QX V1.", Lines(r.out).at(0));

    r = Cli({"live", "--count", "20"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(21u, Lines(r.out).size());

    ParaBlock p;
    TeachTable t;
    LoadDefaultParaValues(p, t, 1);
    p[POWER] = 800;
    p[GAIN] = 2;
    for (int n = 0; n < kSensorTeachVectors; ++n) t[n][CELL0] = static_cast<uint16_t>(n + 40);
    for (int n = kSensorTeachVectors; n < kTeachVectors; ++n) t[n] = TeachVector{};
    sensor.SetRam(p, t);
    sensor.SetEeprom(p, t);
    const std::string file = dir.File("serial.ini");
    ASSERT_EQ(0, Cli({"get", "--eeprom", "-o", file}).exitCode);
    ParaBlock d;
    TeachTable dt;
    LoadDefaultParaValues(d, dt, 1);
    sensor.SetRam(d, dt);
    sensor.SetEeprom(d, dt);
    r = Cli({"send", file, "--eeprom"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    const ParaBlock ram = sensor.Ram(), eeprom = sensor.Eeprom();
    const TeachTable teach = sensor.EepromTeach();
    EXPECT_EQ(0, std::memcmp(&p, &ram, sizeof p));
    EXPECT_EQ(0, std::memcmp(&p, &eeprom, sizeof p));
    EXPECT_EQ(0, std::memcmp(&t, &teach, sizeof t));
}

TEST_F(CliPty, LaggingAnswersFailEveryCommandAndWriteNoFile) {
    ExpectLaggingAnswersFailEveryCommand(dir, sensor,
                                         [this](std::vector<std::string> a) { return Cli(a); });
}

TEST_F(CliPty, ComNumberWithoutADeviceFailsWithTheLinksText) {
    const CliResult r = RunCli(dir, {"--com", "2", "--device-dir", dir.path(), "identify"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_FALSE(r.err.empty());
    EXPECT_EQ("", r.out);
    EXPECT_TRUE(sensor.Requests().empty());
}

// The tool run as a user who may not open the COM port's device prints the
// link's text and the same dialout line as the panel's status box.
TEST(CliSerialPermission, RefusedDeviceNamesTheDialoutGroup) {
    TempDir dir;
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    const std::string node = dir.File("ttyS1");  // COM2
    std::ofstream(node) << "";
    ASSERT_EQ(chmod(node.c_str(), 0), 0);
    const std::string errPath = dir.File("stderr");
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int fd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || dup2(fd, 2) < 0 || !DropRootRights()) _exit(100);
        execl(CliPath(), CliPath(), "--com", "2", "--device-dir", dir.path().c_str(), "identify",
              static_cast<char*>(nullptr));
        _exit(101);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(1, WEXITSTATUS(status));
    EXPECT_EQ(std::string("Cannot open port\n") + kTextDialoutHint + "\n", ReadWhole(errPath));
}

}  // namespace
}  // namespace lq::test
