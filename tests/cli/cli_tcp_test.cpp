// lumiquad-cli as a process against the simulated sensor over TCP loopback.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/session_state.h"
#include "cli/console_platform.h"
#include "data/para.h"
#include "data/paramfile_doc.h"
#include "link/link.h"
#include "link/link_internal.h"
#include "session/session.h"
#include "sim/simulator.h"
#include "tests/cli/cli_run.h"
#include "tests/cli/cli_sim.h"
#include "tests/cli/lagging_sensor.h"
#include "ui/paramfile.h"

namespace lq::test {
namespace {

bool Same(const ParaBlock& x, const ParaBlock& y) {
    return std::memcmp(&x, &y, sizeof x) == 0;
}
bool Same(const TeachTable& x, const TeachTable& y) {
    return std::memcmp(&x, &y, sizeof x) == 0;
}

std::vector<int> Orders(const lqsim::Sensor& s) {
    std::vector<int> v;
    for (const lqsim::SeenRequest& r : s.Requests()) v.push_back(r.order);
    return v;
}

// A configuration that the sensor accepts as it is, and unlike its defaults.
void Configuration(ParaBlock& p, TeachTable& t, int seed) {
    LoadDefaultParaValues(p, t, 1);
    p[POWER] = static_cast<uint16_t>(700 + seed);
    p[AVERAGE] = 16;
    p[GAIN] = 3;
    p[INTEGRAL] = static_cast<uint16_t>(20 + seed);
    p[MAX_VEC_NO] = 5;
    p[CORRECTION_VALUE_X] = 100;
    for (int n = 0; n < kTeachVectors; ++n)
        for (int j = 0; j < kTeachWords; ++j)
            t[n][j] = n < kSensorTeachVectors ? static_cast<uint16_t>(seed * 1000 + n * 10 + j) : 0;
}

class CliTcp : public CliSimTest {};

// ---- identify -----------------------------------------------------------------------

struct ModelCase {
    const char* model;
    const char* modelString;
    int type;
};

TEST_F(CliTcp, IdentifiesEverySupportedModelWithoutTouchingItsMemory) {
    const ModelCase cases[] = {
        {"v4", "LUMIQUAD V4.", 1},
        {"qx", "LUMIQUAD QX V1.", 2},
        {"qxr", "LUMIQUAD QXR V1.", 3},
    };
    for (const ModelCase& c : cases) {
        SCOPED_TRACE(c.model);
        lqsim::SimConfig config;
        config.model = c.model;
        config.name = "LINE 3 STATION 7";
        config.serial = 65535;
        Start(config);
        ParaBlock ram, eeprom;
        TeachTable ramTeach, eepromTeach;
        Configuration(ram, ramTeach, 1);
        Configuration(eeprom, eepromTeach, 2);
        sensor->SetRam(ram, ramTeach);
        sensor->SetEeprom(eeprom, eepromTeach);

        const CliResult r = Cli({"identify"});
        ASSERT_EQ(0, r.exitCode) << r.err;
        const std::vector<std::string> expected = {
            std::string("model: ") + c.modelString,
            "sensor type: " + std::to_string(c.type),
            "firmware: " + sensor->FirmwareText(),
            "sensor name: LINE 3 STATION 7",
            "serial number: 65535",
        };
        EXPECT_EQ(expected, Lines(r.out));
        EXPECT_EQ((std::vector<int>{7, 15}), Orders(*sensor));
        EXPECT_TRUE(Same(ram, sensor->Ram()));
        EXPECT_TRUE(Same(eeprom, sensor->Eeprom()));
        EXPECT_TRUE(Same(ramTeach, sensor->RamTeach()));
    }
}

TEST_F(CliTcp, UnsupportedSensorEndsWithTheProgramsMessageAndStatus3) {
    struct Case {
        const char* firmware;  // "" : the simulator's unsupported model
        const char* shown;     // piece 1 "." piece 2
    };
    const Case cases[] = {
        {"ACME COLOUR V2.3.1 X", "ACME COLOUR V2.3"},
        {"lumiquad qx v1.5.7 abc", "lumiquad qx v1.5"},
        {"NO DOTS AT ALL", "NO DOTS AT ALL."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firmware);
        lqsim::SimConfig config;
        config.firmware = c.firmware;
        Start(config);
        for (const char* command : {"identify", "get"}) {
            std::vector<std::string> args = {command};
            if (std::string(command) == "get") args = {"get", "-o", dir.File("never.ini")};
            const CliResult r = Cli(args);
            EXPECT_EQ(3, r.exitCode);
            EXPECT_EQ("", r.out);
            EXPECT_NE(std::string::npos,
                      r.err.find(std::string("Lumiquad Talvern Kelvo doesn't support the connected "
                                             "sensor! \nFirmware of connected sensor is: ") +
                                 c.shown + "\n\nClose window or work in offline mode!"))
                << r.err;
            // Nothing beyond the firmware question reaches an unsupported sensor.
            EXPECT_EQ(std::vector<int>{7}, Orders(*sensor));
        }
    }
    lqsim::SimConfig config;
    config.model = "unsupported";
    Start(config);
    EXPECT_EQ(3, Cli({"identify"}).exitCode);
}

// ---- get and send -----------------------------------------------------------------

TEST_F(CliTcp, GetThenSendRestoresRamAndEepromByteForByte) {
    ParaBlock p;
    TeachTable t;
    Configuration(p, t, 3);
    sensor->SetRam(p, t);
    sensor->SetEeprom(p, t);
    const ParaBlock ramBefore = sensor->Ram(), eepromBefore = sensor->Eeprom();
    const TeachTable ramTeachBefore = sensor->RamTeach(), eepromTeachBefore = sensor->EepromTeach();

    const std::string file = dir.File("backup.ini");
    CliResult r = Cli({"get", "--eeprom", "-o", file});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ((std::vector<int>{7, 15, 4, 2, 2}), Orders(*sensor));

    // Another configuration in both memories, then the backup goes back.
    ParaBlock other;
    TeachTable otherTeach;
    LoadDefaultParaValues(other, otherTeach, 1);
    sensor->SetRam(other, otherTeach);
    sensor->SetEeprom(other, otherTeach);

    r = Cli({"send", file, "--eeprom"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ((std::vector<int>{7, 15, 1, 1, 3}), Orders(*sensor));
    EXPECT_EQ((std::vector<std::string>{"parameter block written to RAM, plausibility count 0",
                                        "teach table written to RAM, plausibility count 0",
                                        "stored in EEPROM"}),
              Lines(r.out));
    EXPECT_TRUE(Same(ramBefore, sensor->Ram()));
    EXPECT_TRUE(Same(eepromBefore, sensor->Eeprom()));
    EXPECT_TRUE(Same(ramTeachBefore, sensor->RamTeach()));
    EXPECT_TRUE(Same(eepromTeachBefore, sensor->EepromTeach()));
}

TEST_F(CliTcp, RamTargetsLeaveTheEepromAlone) {
    ParaBlock ram, eeprom;
    TeachTable ramTeach, eepromTeach;
    Configuration(ram, ramTeach, 4);
    Configuration(eeprom, eepromTeach, 5);
    sensor->SetRam(ram, ramTeach);
    sensor->SetEeprom(eeprom, eepromTeach);

    CliResult r = Cli({"get", "-o", "-"});  // the RAM is the default
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ((std::vector<int>{7, 15, 2, 2}), Orders(*sensor));
    EXPECT_EQ(FormatParameterFile(ram, ramTeach), r.out);

    const std::string file = dir.File("eeprom-image.ini");
    ASSERT_TRUE(Ini_WriteToFile(BuildParameterDocument(eeprom, eepromTeach).get(), file) >= 0);
    r = Cli({"send", file, "--ram"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ((std::vector<int>{7, 15, 1, 1}), Orders(*sensor));
    EXPECT_EQ(2u, Lines(r.out).size());
    EXPECT_TRUE(Same(eeprom, sensor->Ram()));
    EXPECT_TRUE(Same(eeprom, sensor->Eeprom()));  // was already this; no store happened
}

TEST_F(CliTcp, GetWritesWhatThePanelsSendToFileWrites) {
    ParaBlock p;
    TeachTable t;
    Configuration(p, t, 6);
    p[POWER_MODE] = 0;
    sensor->SetRam(p, t);
    sensor->SetEeprom(p, t);
    const std::string cliFile = dir.File("cli.ini");
    const CliResult r = Cli({"get", "--eeprom", "-o", cliFile});
    ASSERT_EQ(0, r.exitCode) << r.err;

    // The panel's own SEND to FILE on the same data, on the console platform.
    cli::ConsolePlatform ui;
    ui.messages = nullptr;
    App a(ui);
    a.para = sensor->Eeprom();
    a.teach = sensor->EepromTeach();  // the sensor's 32 vectors; the rest were never set
    ui.fileAnswer = dir.File("panel.ini");
    SendParaToFile(a);

    const std::string written = ReadWhole(cliFile);
    EXPECT_EQ(ReadWhole(dir.File("panel.ini")), written);
    EXPECT_EQ(FormatParameterFile(p, t), written);
    EXPECT_EQ(672u, Lines(written).size());
    EXPECT_EQ("[GENERAL INFO]\r", Lines(written).front());
}

TEST_F(CliTcp, PlausibilityCountOfEachWriteIsPrinted) {
    ParaBlock p;
    TeachTable t;
    Configuration(p, t, 7);
    p[POWER] = 5;  // outside 500-1000: the sensor resets it
    const std::string file = dir.File("implausible.ini");
    ASSERT_TRUE(Ini_WriteToFile(BuildParameterDocument(p, t).get(), file) >= 0);

    const CliResult r = Cli({"send", file, "--eeprom"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ((std::vector<std::string>{"parameter block written to RAM, plausibility count 1",
                                        "teach table written to RAM, plausibility count 0",
                                        "stored in EEPROM"}),
              Lines(r.out));
    EXPECT_NE(std::string::npos,
              r.err.find("INFO!\n1 PARAMETER IN RAM DID NOT PASS PLAUSIBILITY CHECK AND WERE SET "
                         "TO DEFAULT VALUE!"));
    EXPECT_EQ((std::vector<int>{7, 15, 1, 1, 3}), Orders(*sensor));
    EXPECT_EQ(ConnectionDefault(POWER), sensor->Eeprom()[POWER]);
}

TEST_F(CliTcp, DefaultsGoIntoTheSensor) {
    ParaBlock p;
    TeachTable t;
    Configuration(p, t, 8);
    sensor->SetRam(p, t);
    sensor->SetEeprom(p, t);
    const CliResult r = Cli({"defaults", "--eeprom"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    ParaBlock d;
    TeachTable dt;
    LoadDefaultParaValues(d, dt, 1);
    for (int n = kSensorTeachVectors; n < kTeachVectors; ++n) dt[n] = TeachVector{};
    EXPECT_TRUE(Same(d, sensor->Ram()));
    EXPECT_TRUE(Same(d, sensor->Eeprom()));
    EXPECT_TRUE(Same(dt, sensor->EepromTeach()));
}

// ---- files that are refused or cannot be read or written ------------------------------

TEST_F(CliTcp, FilesOfAnotherKindAreRefusedUnlessForced) {
    struct Case {
        const char* name;
        const char* text;
        const char* question;
    };
    const Case cases[] = {
        {"settings", "[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n",
         "Selected file is not a parameter file! \nDo you want to proceed anyway?"},
        {"old-version",
         "[GENERAL INFO]\r\nFILE TYPE: = \"Parameter File\"\r\nKELVO VERSION: = \"V1.1\"\r\n",
         "Selected file and kelvo version do not match! \nDo you want to proceed anyway?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir.File(std::string(c.name) + ".ini");
        {
            std::ofstream f(file, std::ios::binary);
            f << c.text;
        }
        CliResult r = Cli({"send", file});
        EXPECT_EQ(3, r.exitCode);
        EXPECT_NE(std::string::npos, r.err.find(c.question));
        EXPECT_NE(std::string::npos, r.err.find("No parameter where read!"));
        EXPECT_TRUE(Orders(*sensor).empty());  // refused before connecting

        r = Cli({"send", file, "--force"});
        EXPECT_EQ(0, r.exitCode) << r.err;
        // Every word fell back, and both reports said so.
        EXPECT_NE(std::string::npos,
                  r.err.find("Following parameter could not be read \nand where set to default "
                             "value:\n\nPOWER\n"));
        EXPECT_NE(std::string::npos, r.err.find("Following teach vectors could not be read"));
        EXPECT_EQ(FileFallback(POWER), sensor->Ram()[POWER]);
    }
}

TEST_F(CliTcp, UnreadableAndUnwritableFilesEndWithStatus4) {
    EXPECT_EQ(4, Cli({"send", dir.File("missing.ini")}).exitCode);
    EXPECT_EQ(4, Cli({"send", dir.path()}).exitCode);  // a folder
    EXPECT_TRUE(Orders(*sensor).empty());
    const CliResult r = Cli({"get", "-o", dir.File("no-such-folder/out.ini")});
    EXPECT_EQ(4, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("cannot write"));
}

// ---- live and freq ---------------------------------------------------------------------

TEST_F(CliTcp, LiveCountGivesOneCsvLinePerRecord) {
    constexpr int kRecords = 100;
    for (int i = 0; i < kRecords; ++i) {
        int16_t w[21] = {};
        w[0] = static_cast<int16_t>(100 + i);
        w[1] = static_cast<int16_t>(200 + i);
        w[2] = static_cast<int16_t>(300 + i);
        w[3] = static_cast<int16_t>(1500 + i);
        w[4] = static_cast<int16_t>(-20 - i);
        w[5] = static_cast<int16_t>(4000 + i);
        w[7] = static_cast<int16_t>(i % 2 == 0 ? 255 : i % 32);
        sensor->QueueLiveRecord(w);
    }
    const CliResult r = Cli({"live", "--count", std::to_string(kRecords)});
    ASSERT_EQ(0, r.exitCode) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(static_cast<size_t>(kRecords + 1), lines.size());
    EXPECT_EQ("time,R,G,B,X,Y,INT,C-No", lines[0]);
    double lastTime = 0;
    for (int i = 0; i < kRecords; ++i) {
        SCOPED_TRACE(i);
        const std::string& line = lines[static_cast<size_t>(i + 1)];
        const size_t comma = line.find(',');
        ASSERT_NE(std::string::npos, comma);
        const double time = std::stod(line.substr(0, comma));
        EXPECT_GE(time, lastTime);
        lastTime = time;
        const std::string expected = std::to_string(100 + i) + "," + std::to_string(200 + i) + "," +
                                     std::to_string(300 + i) + "," + std::to_string(1500 + i) +
                                     "," + std::to_string(-20 - i) + "," +
                                     std::to_string(4000 + i) + "," +
                                     std::to_string(i % 2 == 0 ? 255 : i % 32);
        EXPECT_EQ(expected, line.substr(comma + 1));
    }
    // Exactly as many live requests as records: the loop stops at the count.
    const std::vector<int> orders = Orders(*sensor);
    EXPECT_EQ(kRecords, std::count(orders.begin(), orders.end(), 8));
}

TEST_F(CliTcp, LiveTableFormatAndTheModelsValues) {
    const CliResult r = Cli({"live", "--count", "3", "--format", "table"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(0u, lines[0].find("      time      R      G      B      X      Y    INT  C-No"));
    std::istringstream row(lines[1]);
    double time;
    int rgb[3];
    row >> time >> rgb[0] >> rgb[1] >> rgb[2];
    // The model's raw values for its default colour, give or take its noise.
    const std::array<int16_t, 21> m = sensor->Measure();
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(m[static_cast<size_t>(k)], rgb[k], 60);
}

TEST_F(CliTcp, CtrlCEndsLiveCleanlyAfterTheCurrentExchange) {
    CliProcess p(dir, {"--tcp", link, "live"});
    // Wait for a few records (a safety limit only: no assertion on speed).
    for (int i = 0; i < 3000 && Lines(p.OutSoFar()).size() < 4; ++i) usleep(10000);
    ASSERT_GE(Lines(p.OutSoFar()).size(), 4u);
    kill(p.pid(), SIGINT);
    const CliResult r = p.Wait();
    EXPECT_EQ(0, r.exitCode) << r.err;
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ('\n', r.out.back());
    for (const std::string& line : Lines(r.out))
        EXPECT_EQ(7, std::count(line.begin(), line.end(), ','));
}

TEST_F(CliTcp, FreqPrintsWithThePanelsPrecision) {
    ParaBlock p;
    TeachTable t;
    Configuration(p, t, 9);
    p[AVERAGE] = 1;
    p[INTEGRAL] = 1;
    sensor->SetRam(p, t);
    const CliResult r = Cli({"freq"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    ASSERT_GT(r.out.size(), 4u);
    ASSERT_EQ(" Hz\n", r.out.substr(r.out.size() - 4));
    const std::string number = r.out.substr(0, r.out.size() - 4);
    const size_t dot = number.find('.');
    const int decimals = dot == std::string::npos ? 0 : static_cast<int>(number.size() - dot - 1);
    EXPECT_EQ(CyclePrecision(std::stod(number)), decimals) << number;
    EXPECT_EQ((std::vector<int>{7, 15, 105}), Orders(*sensor));
}

// ---- link failures and usage ------------------------------------------------------------

TEST_F(CliTcp, LinkFailuresPrintTheLinksOwnText) {
    lqsim::SimConfig config;
    config.fault = lqsim::Fault::Silent;  // costs one 3 s wait
    Start(config);
    CliResult r = Cli({"identify"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find(kTextTimeout)) << r.err;
    EXPECT_EQ("", r.out);

    // Nothing listens on the port of a stopped server.
    const std::string stopped = link;
    server->Stop();
    r = RunCli(dir, {"--tcp", stopped, "freq"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find(TcpErrorText(kTcpFailedToConnect)));
}

TEST_F(CliTcp, SensorFaultsMidwayEndWithStatus1) {
    const struct {
        lqsim::Fault fault;
        const char* text;
    } cases[] = {
        {lqsim::Fault::BadData, kTextBadData},
        {lqsim::Fault::Error1, kTextInvalidOrder},
        {lqsim::Fault::BadHeader, kTextBadHeader},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(lqsim::FaultName(c.fault));
        Start();
        sensor->SetFault(c.fault, 3);  // identification passes, the third request fails
        const CliResult r = Cli({"get", "-o", dir.File("partial.ini")});
        EXPECT_EQ(1, r.exitCode);
        EXPECT_NE(std::string::npos, r.err.find(c.text)) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.File("partial.ini")));
    }
}

TEST_F(CliTcp, LaggingAnswersFailEveryCommandAndWriteNoFile) {
    ExpectLaggingAnswersFailEveryCommand(dir, *sensor,
                                         [this](std::vector<std::string> a) { return Cli(a); });
}

TEST_F(CliTcp, UsageErrorsEndWithStatus2) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--tcp", link},
        {"--tcp", link, "reboot"},
        {"identify"},                          // no link
        {"--tcp", "127.0.0.1:0", "identify"},  // port out of range
        {"--tcp", "127.0.0.1:50x", "identify"},
        {"--tcp", link, "--com", "1", "identify"},  // two links
        {"--tcp", link, "--baud", "115200", "identify"},
        {"--com", "1", "--baud", "12345", "identify"},
        {"--tcp", link, "get"},  // no -o
        {"--tcp", link, "get", "-o"},
        {"--tcp", link, "get", "--ram", "--eeprom", "-o", "x.ini"},
        {"--tcp", link, "send"},  // no file
        {"--tcp", link, "send", "a.ini", "b.ini"},
        {"--tcp", link, "live", "--count", "0"},
        {"--tcp", link, "live", "--seconds", "-1"},
        {"--tcp", link, "live", "--format", "json"},
        {"--tcp", link, "identify", "--count", "3"},  // option of another command
        {"--tcp", link, "identify", "--verbose"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const std::string& a : args) joined += a + " ";
        SCOPED_TRACE(joined);
        const CliResult r = RunCli(dir, args);
        EXPECT_EQ(2, r.exitCode);
        EXPECT_NE(std::string::npos, r.err.find("Try 'lumiquad-cli --help'."));
        EXPECT_EQ("", r.out);
    }
    EXPECT_TRUE(sensor->Requests().empty());
}

TEST_F(CliTcp, HelpForTheToolAndEachCommand) {
    CliResult r = RunCli(dir, {"--help"});
    EXPECT_EQ(0, r.exitCode);
    EXPECT_EQ(0u, r.out.find("usage: lumiquad-cli [--tcp HOST[:PORT] | --com N [--baud RATE]]"));
    for (const char* c : {"identify", "get", "send", "defaults", "live", "freq"}) {
        SCOPED_TRACE(c);
        r = RunCli(dir, {c, "--help"});
        EXPECT_EQ(0, r.exitCode);
        EXPECT_EQ(0u, r.out.find(std::string("usage: lumiquad-cli LINK ") + c));
    }
}

}  // namespace
}  // namespace lq::test
