// lumiquad-cli fleet and verify as processes against a line of simulated
// sensors on TCP loopback (and one pseudo-terminal for the COM port rule).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "data/para.h"
#include "data/paramfile_doc.h"
#include "sim/simulator.h"
#include "tests/cli/cli_run.h"

namespace lq::test {
namespace {

constexpr int kLine = 20;

// An approved configuration the sensors accept as it is.
void Approved(ParaBlock& p, TeachTable& t) {
    LoadDefaultParaValues(p, t, 1);
    p[POWER] = 800;
    p[AVERAGE] = 8;
    p[GAIN] = 2;
    p[INTEGRAL] = 40;
    p[MAX_VEC_NO] = 4;
    for (int n = 0; n < kTeachVectors; ++n)
        for (int j = 0; j < kTeachWords; ++j)
            t[n][j] = n < kSensorTeachVectors ? static_cast<uint16_t>(3000 + n * 8 + j) : 0;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

bool SensorHolds(const ParaBlock& p, const TeachTable& t, const ParaBlock& held,
                 const TeachTable& heldTeach) {
    return std::memcmp(&p, &held, sizeof p) == 0 &&
           std::memcmp(&t[0], &heldTeach[0], sizeof(TeachVector) * kSensorTeachVectors) == 0;
}

class FleetLine : public ::testing::Test {
  protected:
    void SetUp() override {
        line = std::make_unique<lqsim::SensorLine>(kLine);
        ASSERT_TRUE(line->Start(0));
        std::string text = "# line 3, all stations\n\n";
        for (int i = 0; i < kLine; ++i)
            text += "tcp 127.0.0.1:" + std::to_string(line->Port(i)) + " station-" +
                    std::to_string(i + 1) + "\n";
        sensors = dir.File("sensors.txt");
        WriteText(sensors, text);
        Approved(para, teach);
        approved = dir.File("approved.ini");
        WriteText(approved, FormatParameterFile(para, teach));
    }

    TempDir dir;
    std::unique_ptr<lqsim::SensorLine> line;
    std::string sensors;
    std::string approved;
    ParaBlock para;
    TeachTable teach;
};

TEST_F(FleetLine, CommissionsTheLineAndVerifiesEverySensor) {
    const std::string report = dir.File("send.json");
    CliResult r = RunCli(dir, {"fleet", sensors, "send", approved, "--eeprom", "--report", report});
    ASSERT_EQ(0, r.exitCode) << r.err;
    for (int i = 0; i < kLine; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(SensorHolds(para, teach, line->At(i).Eeprom(), line->At(i).EepromTeach()));
    }
    // One progress line per sensor on standard error, the summary on standard output.
    EXPECT_EQ(static_cast<size_t>(kLine), Count(r.err, "/20] station-"));
    EXPECT_NE(std::string::npos, r.out.find("20 of 20 sensors succeeded"));
    const std::string json = ReadWhole(report);
    EXPECT_EQ(static_cast<size_t>(kLine), Count(json, "\"result\": \"ok\""));
    EXPECT_NE(std::string::npos, json.find("\"serialNumber\": 4730"));  // the 20th sensor
    EXPECT_EQ(static_cast<size_t>(kLine), Count(json, "\"parameterBlock\": 0"));
    EXPECT_EQ(static_cast<size_t>(kLine), Count(json, "\"teachTable\": 0"));

    // The RAM no longer matters: verify --eeprom loads the EEPROM first.
    ParaBlock scratch;
    TeachTable scratchTeach;
    LoadDefaultParaValues(scratch, scratchTeach, 1);
    for (int i = 0; i < kLine; ++i) line->At(i).SetRam(scratch, scratchTeach);
    r = RunCli(dir, {"fleet", sensors, "verify", approved, "--eeprom", "--jobs", "5"});
    EXPECT_EQ(0, r.exitCode) << r.out << r.err;
    EXPECT_NE(std::string::npos, r.out.find("20 of 20 sensors succeeded"));

    // A backup of the line: one file per sensor, named by its label.
    const std::string backup = dir.File("backup");
    r = RunCli(dir, {"fleet", sensors, "get", "--eeprom", "--out-dir", backup});
    ASSERT_EQ(0, r.exitCode) << r.err;
    for (int i = 0; i < kLine; ++i)
        EXPECT_EQ(FormatParameterFile(para, teach),
                  ReadWhole(backup + "/station-" + std::to_string(i + 1) + ".ini"));
}

TEST_F(FleetLine, VerifyPrintsExactlyTheChangedWords) {
    for (int i = 0; i < kLine; ++i) line->At(i).SetEeprom(para, teach);
    ParaBlock changed = para;
    TeachTable changedTeach = teach;
    changed[GAIN] = 3;
    changedTeach[4][2] = 77;
    const std::string file = dir.File("changed.ini");
    WriteText(file, FormatParameterFile(changed, changedTeach));
    const std::vector<std::string> two = {
        "GAIN: sensor 2, file 3",
        "TEACH VECTOR 4 / CELL 2: sensor " + std::to_string(teach[4][2]) + ", file 77",
    };

    const std::string link = "127.0.0.1:" + std::to_string(line->Port(0));
    CliResult r = RunCli(dir, {"--tcp", link, "verify", file, "--eeprom"});
    EXPECT_EQ(5, r.exitCode) << r.err;
    EXPECT_EQ(two, Lines(r.out));
    r = RunCli(dir, {"--tcp", link, "verify", approved, "--eeprom"});
    EXPECT_EQ(0, r.exitCode) << r.err;

    r = RunCli(dir, {"fleet", sensors, "verify", file, "--eeprom"});
    EXPECT_EQ(5, r.exitCode) << r.err;
    std::vector<std::string> listed;
    for (const std::string& l : Lines(r.out))
        if (l.find(": sensor ") != std::string::npos) listed.push_back(l);
    std::vector<std::string> expected;
    for (int i = 0; i < kLine; ++i)
        for (const std::string& d : two)
            expected.push_back("station-" + std::to_string(i + 1) + ": " + d);
    EXPECT_EQ(expected, listed);
}

TEST_F(FleetLine, SilentAndLaggingSensorsAreReportedWhileTheOthersSucceed) {
    for (int i = 0; i < kLine; ++i) line->At(i).SetEeprom(para, teach);
    line->At(6).SetFault(lqsim::Fault::Silent);
    line->At(11).SetFault(lqsim::Fault::Lag);
    const std::string report = dir.File("verify.json");
    const CliResult r =
        RunCli(dir, {"fleet", sensors, "verify", approved, "--eeprom", "--report", report});
    EXPECT_NE(0, r.exitCode);
    EXPECT_NE(std::string::npos, r.out.find("18 of 20 sensors succeeded")) << r.out;
    for (const std::string& l : Lines(r.out)) {
        if (l.rfind("station-", 0) != 0 || l.find(" tcp ") == std::string::npos) continue;
        const bool faulty = l.rfind("station-7 ", 0) == 0 || l.rfind("station-12 ", 0) == 0;
        EXPECT_EQ(faulty, l.find("  ok  ") == std::string::npos) << l;
    }
    EXPECT_NE(std::string::npos, r.err.find("station-7: link failure")) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("NO DATA RECEIVED!")) << r.err;
    EXPECT_EQ(std::string::npos, r.err.find("station-12: ok")) << r.err;
    const std::string json = ReadWhole(report);
    EXPECT_EQ(18u, Count(json, "\"result\": \"ok\""));
    EXPECT_NE(std::string::npos, json.find("\"succeeded\": 18"));
}

TEST_F(FleetLine, AnInvalidLineIsAUsageErrorThatNamesIt) {
    WriteText(sensors, "tcp 127.0.0.1:5000 one\n# two\ncom 0 backup\n");
    const CliResult r = RunCli(dir, {"fleet", sensors, "identify"});
    EXPECT_EQ(2, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("line 3")) << r.err;
    EXPECT_EQ(0u, line->At(0).RequestCount());
}

TEST_F(FleetLine, ARefusedFileContactsNoSensor) {
    const std::string other = dir.File("other.ini");
    WriteText(other, "[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n");
    const CliResult r = RunCli(dir, {"fleet", sensors, "send", other, "--eeprom"});
    EXPECT_EQ(3, r.exitCode);
    for (int i = 0; i < kLine; ++i) EXPECT_EQ(0u, line->At(i).RequestCount());
}

TEST_F(FleetLine, TwoSensorsOfOneNameForGetAreRefused) {
    WriteText(sensors, "tcp 127.0.0.1:" + std::to_string(line->Port(0)) + " a/b\n" +
                           "tcp 127.0.0.1:" + std::to_string(line->Port(1)) + " a_b\n");
    const CliResult r = RunCli(dir, {"fleet", sensors, "get", "--out-dir", dir.File("d")});
    EXPECT_EQ(2, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("lines 1 and 2")) << r.err;
}

// One serial line listed three times: opened by one sensor job at a time, so
// every job gets its own answers.
TEST(FleetCom, APortListedTwiceIsNeverOpenedTwiceAtOnce) {
    TempDir dir;
    lqsim::Sensor sensor;
    lqsim::PtyServer server{sensor};
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(server.Link(dir.File("ttyS2")));  // COM 3
    const std::string sensors = dir.File("sensors.txt");
    WriteText(sensors, "com 3 a\ncom 3 921600 b\ncom 3 c\n");
    const CliResult r =
        RunCli(dir, {"fleet", sensors, "identify", "--jobs", "3", "--device-dir", dir.path()});
    EXPECT_EQ(0, r.exitCode) << r.out << r.err;
    EXPECT_EQ(3u * 2u, sensor.RequestCount());
    server.Stop();
}

}  // namespace
}  // namespace lq::test
