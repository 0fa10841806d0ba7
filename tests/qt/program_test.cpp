// The program lumiquad-panel itself, run offscreen the way scripts/demo runs it.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <filesystem>
#include <string>

#include "data/settings_doc.h"
#include "tests/qt/qt_fixture.h"

namespace lq::qt {
namespace {

namespace fs = std::filesystem;

// A copy of the program in the fresh folder `dir`, so that neither a settings
// file beside the build's program nor a serial port of this machine is used:
// its settings point at a loopback port nobody listens on. Returns the
// copied program's path.
std::string CopyOfTheProgram(const fs::path& dir) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char* f : {"lumiquad-panel", "LumiquadTalvernV1_2.uir", "logoZEB.bmp"})
        fs::copy_file(fs::path(LQ_RUNTIME_DIR) / f, dir / f);
    const std::string panel = (dir / "lumiquad-panel").string();
    const std::string settings = (dir / "PanelSettings.cfg").string();
    const std::string write = "'" + panel + "' --write-tcp-settings '" + settings + "' 127.0.0.1 1";
    EXPECT_EQ(std::system(write.c_str()), 0);
    return panel;
}

TEST(QtProgram, ScreenshotOptionSavesTheMainWindowAndEnds) {
    TestApp();
    const fs::path dir = fs::temp_directory_path() / ("lq_qt_program_" + std::to_string(getpid()));
    const std::string panel = CopyOfTheProgram(dir);
    ASSERT_FALSE(::testing::Test::HasFailure());
    const std::string shot = (dir / "main.png").string();
    const std::string cmd = "QT_QPA_PLATFORM=offscreen timeout 60 '" + panel + "' --screenshot '" +
                            shot + "' --after-ms 300 >'" + (dir / "out.txt").string() +
                            "' 2>/dev/null";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const QImage image(QString::fromStdString(shot));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(1014, 690));
    // An unknown option is refused before any window opens.
    const std::string bad = "QT_QPA_PLATFORM=offscreen '" + std::string(LQ_RUNTIME_DIR) +
                            "/lumiquad-panel' --no-such-option >/dev/null 2>&1";
    const int refused = std::system(bad.c_str());
    ASSERT_TRUE(WIFEXITED(refused));
    EXPECT_EQ(WEXITSTATUS(refused), 2);
    std::filesystem::remove_all(dir);
}

TEST(QtProgram, CloseAfterTheScreenshotStoresTheSettingsAsTheCloseBoxDoes) {
    TestApp();
    const fs::path dir = fs::temp_directory_path() / ("lq_qt_close_" + std::to_string(getpid()));
    const std::string panel = CopyOfTheProgram(dir);
    ASSERT_FALSE(::testing::Test::HasFailure());
    const std::string settings = (dir / "PanelSettings.cfg").string();
    const std::string shot = (dir / "main.png").string();
    const std::string cmd = "QT_QPA_PLATFORM=offscreen timeout 60 '" + panel + "' --screenshot '" +
                            shot + "' --after-ms 300 --close >/dev/null 2>&1";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(fs::exists(shot));
    // The hand-written file had no window section; the store writes one.
    PanelSettingsData d;
    ASSERT_TRUE(ReadPanelSettingsFile(settings, d));
    ASSERT_TRUE(d.geometry);
    EXPECT_EQ(d.geometry->width, 1014);
    EXPECT_EQ(d.host, "127.0.0.1");
    fs::remove_all(dir);
}

// Without a display the run-time cannot be initialised: the program ends
// with -1, as when its panels cannot be loaded, instead of aborting.
TEST(QtProgram, WithoutADisplayEndsWithMinusOne) {
    const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb timeout 60 '" +
                            std::string(LQ_RUNTIME_DIR) + "/lumiquad-panel' >/dev/null 2>&1";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
    EXPECT_EQ(WEXITSTATUS(status), 255);
}

}  // namespace
}  // namespace lq::qt
