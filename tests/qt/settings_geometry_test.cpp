// A settings file that asks for a window far larger than the screen, and far
// off it: the window is placed on the screen and no larger than it, and the
// program opened with it uses the memory of a normal start.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/qt/qt_fixture.h"
#include "ui/settings.h"

namespace lq::qt {
namespace {

namespace fs = std::filesystem;

// A valid settings file with this window geometry (not maximised) and a link
// to a loopback port nobody listens on, so that no serial port is touched.
std::string SettingsText(int left, int top, int width, int height) {
    return "[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n"
           "KELVO VERSION: = \"LUMIQUAD TALVERN Kelvo V1.2\"\r\n\r\n"
           "[PANEL POSITION]\r\nMAINPANEL FULLSCREEN = 0\r\nMAINPANEL LEFT = " +
           std::to_string(left) + "\r\nMAINPANEL TOP = " + std::to_string(top) +
           "\r\nMAINPANEL WIDTH = " + std::to_string(width) +
           "\r\nMAINPANEL HEIGHT = " + std::to_string(height) +
           "\r\n\r\n"
           "[COMMUNICATION SETTINGS]\r\nCOMPROTOCOL = 1\r\nCOMPORT = 1\r\nBAUDRATE = 4\r\n"
           "IP ADRESS = \"127.0.0.1\"\r\nPORT NUMBER = \"1\"\r\n\r\n";
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class QtSettingsGeometryTest : public QtPanelsTest {
  protected:
    fs::path dir;
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "lq_qt_geometry_XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
    }
    void TearDown() override { fs::remove_all(dir); }
};

TEST_F(QtSettingsGeometryTest, AHugeWindowFarOffScreenIsPlacedWithinTheScreen) {
    LoadPanels(true);
    CopyText(a.s.programDir, dir.string());
    CopyText(a.s.settingsPath, (dir / "PanelSettings.cfg").string());
    WriteText(a.s.settingsPath, SettingsText(100000, 100000, 30000, 30000));
    // Not shown here: the program run below shows it, under a memory limit.
    LoadPanelSettings(a);
    QWidget* w = qp.PanelWidgetOf(a.s.mainPanel);
    ASSERT_NE(w, nullptr);
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect g = w->geometry();
    // The client area the program asked for; the toolkit adds its frame.
    EXPECT_LE(g.width(), avail.width());
    EXPECT_LE(g.height(), avail.height());
    EXPECT_TRUE(avail.contains(g.topLeft()))
        << "window " << g.width() << "x" << g.height() << "+" << g.x() << "+" << g.y()
        << ", screen " << avail.width() << "x" << avail.height();
}

// Runs a copy of the program in `dir` with the settings text, until it has
// saved its screenshot; returns its exit status and peak resident memory.
struct ProgramRun {
    int exitCode = -1;
    long peakKiB = -1;
    QSize shot;
};

ProgramRun RunProgram(const fs::path& dir, const std::string& settings) {
    ProgramRun r;
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char* f : {"lumiquad-panel", "LumiquadTalvernV1_2.uir", "logoZEB.bmp"})
        fs::copy_file(fs::path(LQ_RUNTIME_DIR) / f, dir / f);
    if (!settings.empty()) WriteText(dir / "PanelSettings.cfg", settings);
    const std::string panel = (dir / "lumiquad-panel").string();
    const std::string shot = (dir / "main.png").string();
    const pid_t pid = fork();
    if (pid < 0) return r;
    if (pid == 0) {
        // A regression must fail here, not exhaust the machine's memory.
        const rlimit as{4ul << 30, 4ul << 30};
        setrlimit(RLIMIT_AS, &as);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const std::string out = (dir / "out.txt").string();
        freopen(out.c_str(), "w", stdout);
        freopen("/dev/null", "w", stderr);
        execl(panel.c_str(), panel.c_str(), "--screenshot", shot.c_str(), "--after-ms", "300",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return r;
    if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    r.peakKiB = usage.ru_maxrss;
    r.shot = QImage(QString::fromStdString(shot)).size();
    return r;
}

TEST(QtSettingsGeometry, AHugeStoredWindowCostsNoMoreMemoryThanANormalStart) {
    TestApp();
    const fs::path base = fs::temp_directory_path() / ("lq_qt_huge_" + std::to_string(getpid()));
    const ProgramRun normal = RunProgram(base / "normal", SettingsText(10, 40, 1014, 690));
    const ProgramRun huge = RunProgram(base / "huge", SettingsText(100000, 100000, 30000, 30000));
    fs::remove_all(base);
    ASSERT_EQ(normal.exitCode, 0);
    ASSERT_EQ(huge.exitCode, 0);
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(huge.shot.width(), avail.width());
    EXPECT_LE(huge.shot.height(), avail.height());
    // 30000 x 30000 pixels would be gigabytes of backing store; a normal start
    // is some tens of megabytes.
    EXPECT_LT(huge.peakKiB, 2 * normal.peakKiB)
        << "normal start " << normal.peakKiB << " KiB, huge window " << huge.peakKiB << " KiB";
}

}  // namespace
}  // namespace lq::qt
