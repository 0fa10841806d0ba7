// The demo's way of running the program: the settings file it writes with the
// panel's hidden option, and the panel offscreen against lumiquad-sim with its
// demo preset, pressing GO and saving the live view.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "data/settings_doc.h"
#include "tests/qt/qt_fixture.h"

extern char** environ;

namespace lq::qt {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int Shell(const std::string& cmd) {
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A folder of its own for each test, removed again at the end.
class DemoRun : public ::testing::Test {
  protected:
    void SetUp() override {
        TestApp();
        dir_ = fs::temp_directory_path() /
               ("lq_demo_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
                std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Panel() const { return std::string(LQ_RUNTIME_DIR) + "/lumiquad-panel"; }
    fs::path dir_;
};

TEST_F(DemoRun, WriteTcpSettingsGivesTheCommunicationSectionsInTheProgramsFormat) {
    const fs::path cfg = dir_ / "PanelSettings.cfg";
    ASSERT_EQ(Shell("'" + Panel() + "' --write-tcp-settings '" + cfg.string() + "' 127.0.0.1 5000"),
              0);
    EXPECT_EQ(ReadFile(cfg),
              "[GENERAL INFO]\r\n"
              "FILE TYPE: = \"Panel Settings\"\r\n"
              "KELVO VERSION: = \"LUMIQUAD TALVERN Kelvo V1.2\"\r\n"
              "\r\n"
              "[COMMUNICATION SETTINGS]\r\n"
              "COMPROTOCOL = 1\r\n"
              "COMPORT = 1\r\n"
              "BAUDRATE = 4\r\n"
              "IP ADRESS = \"127.0.0.1\"\r\n"
              "PORT NUMBER = \"5000\"\r\n"
              "\r\n"
              "[IP ADDRESSES]\r\n"
              "LIST ITEMS = 1\r\n"
              "IP ADDR 1 = \"127.0.0.1\"\r\n"
              "\r\n");
    // The program reads it as a TCP link with one remembered host, and keeps
    // its own window place and language.
    PanelSettingsData d;
    ASSERT_TRUE(ReadPanelSettingsFile(cfg.string(), d));
    EXPECT_EQ(d.protocol, 1);
    EXPECT_EQ(d.host, "127.0.0.1");
    EXPECT_EQ(d.tcpPortText, "5000");
    EXPECT_EQ(d.hosts, std::vector<std::string>{"127.0.0.1"});
    EXPECT_FALSE(d.geometry);
    EXPECT_FALSE(d.language);
    EXPECT_FALSE(d.paraFilePath);

    // A folder that cannot be written is reported, not taken for success.
    EXPECT_NE(Shell("'" + Panel() + "' --write-tcp-settings '" +
                    (dir_ / "no/such/dir/x.cfg").string() + "' 127.0.0.1 5000 2>/dev/null"),
              0);
}

// lumiquad-sim as a child process with a pipe to its commands and one from its output.
struct SimProcess {
    pid_t pid = -1;
    FILE* out = nullptr;
    int in = -1;
    int port = 0;

    bool Start(const std::string& exe, std::vector<std::string> args) {
        int toSim[2], fromSim[2];
        if (pipe(toSim) != 0 || pipe(fromSim) != 0) return false;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, toSim[0], 0);
        posix_spawn_file_actions_adddup2(&fa, fromSim[1], 1);
        posix_spawn_file_actions_addclose(&fa, toSim[1]);
        posix_spawn_file_actions_addclose(&fa, fromSim[0]);
        args.insert(args.begin(), exe);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        close(toSim[0]);
        close(fromSim[1]);
        in = toSim[1];
        out = fdopen(fromSim[0], "r");
        if (rc != 0) {
            pid = -1;
            return false;
        }
        // "lumiquad-sim: listening on 127.0.0.1:PORT"
        const std::string line = Line();
        const auto colon = line.rfind(':');
        if (line.find("listening on") == std::string::npos || colon == std::string::npos)
            return false;
        port = std::atoi(line.c_str() + colon + 1);
        return port > 0;
    }
    std::string Line() {
        char buf[512];
        return out && std::fgets(buf, sizeof buf, out) ? std::string(buf) : std::string();
    }
    // Sends a command and collects its answer up to a line starting with `last`.
    std::string Ask(const std::string& command, const std::string& last) {
        const std::string c = command + "\n";
        if (write(in, c.data(), c.size()) != static_cast<ssize_t>(c.size())) return {};
        std::string all;
        for (std::string l = Line(); !l.empty(); l = Line()) {
            all += l;
            if (l.rfind(last, 0) == 0) break;
        }
        return all;
    }
    ~SimProcess() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        if (in >= 0) close(in);
        if (out) fclose(out);
    }
};

TEST_F(DemoRun, PanelShowsTheLiveViewOfTheDemoPresetAndKeepsItsTaughtTable) {
    const fs::path sim = fs::path(LQ_RUNTIME_DIR) / "lumiquad-sim";
    if (!fs::exists(sim)) GTEST_SKIP() << "lumiquad-sim is not built";
    SimProcess s;
    ASSERT_TRUE(s.Start(sim.string(), {"--tcp", "0", "--preset", "demo"}));

    // The program beside its own settings file, the way the demo sets it up.
    const fs::path bin = fs::path(LQ_RUNTIME_DIR);
    for (const char* f : {"lumiquad-panel", "LumiquadTalvernV1_2.uir", "logoZEB.bmp"})
        fs::copy_file(bin / f, dir_ / f);
    const std::string panel = (dir_ / "lumiquad-panel").string();
    ASSERT_EQ(
        Shell("'" + panel + "' --write-tcp-settings '" + (dir_ / "PanelSettings.cfg").string() +
              "' 127.0.0.1 " + std::to_string(s.port)),
        0);

    const fs::path shot = dir_ / "live.png";
    const fs::path log = dir_ / "log.txt";
    EXPECT_EQ(Shell("QT_QPA_PLATFORM=offscreen timeout 60 '" + panel +
                    "' --press-go --after-ms 800 --screenshot '" + shot.string() + "' >'" +
                    (dir_ / "out.txt").string() + "' 2>'" + log.string() + "'"),
              0)
        << ReadFile(log);
    EXPECT_EQ(ReadFile(dir_ / "out.txt"), shot.string() + "\n");
    const QImage image(QString::fromStdString(shot.string()));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(1014, 690));
    // The start-up question was answered NO, so nothing was written to the sensor.
    EXPECT_NE(ReadFile(log).find("Default Parameter zum Sensor senden?\" -> NO"), std::string::npos)
        << ReadFile(log);

    // The sensor still holds the five taught colours and recognises the presented one.
    const std::string status = s.Ask("status", "live:");
    EXPECT_NE(status.find("MAX VEC NO 5"), std::string::npos) << status;
    for (const char* row : {"  0: X ", "  4: X "})
        EXPECT_NE(status.find(row), std::string::npos) << status;
    EXPECT_NE(status.find("TOL 500"), std::string::npos) << status;
    EXPECT_NE(status.find("C-No 1\n"), std::string::npos) << status;
    // No settings were stored by the screenshot run: the file is still the demo's.
    EXPECT_EQ(ReadFile(dir_ / "PanelSettings.cfg").find("PANEL POSITION"), std::string::npos);
}

TEST_F(DemoRun, ScreenshotWithGoFailsWhenNoSensorAnswers) {
    // A port nobody listens on: the panel works offline and has no live view to show.
    const std::string shot = (dir_ / "none.png").string();
    const fs::path bin = fs::path(LQ_RUNTIME_DIR);
    for (const char* f : {"lumiquad-panel", "LumiquadTalvernV1_2.uir", "logoZEB.bmp"})
        fs::copy_file(bin / f, dir_ / f);
    const std::string panel = (dir_ / "lumiquad-panel").string();
    ASSERT_EQ(Shell("'" + panel + "' --write-tcp-settings '" +
                    (dir_ / "PanelSettings.cfg").string() + "' 127.0.0.1 1"),
              0);
    EXPECT_EQ(Shell("QT_QPA_PLATFORM=offscreen timeout 60 '" + panel +
                    "' --press-go --after-ms 300 --screenshot '" + shot + "' >/dev/null 2>&1"),
              1);
    EXPECT_FALSE(fs::exists(shot));
}

}  // namespace
}  // namespace lq::qt
