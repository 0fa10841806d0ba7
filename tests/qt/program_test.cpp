// The program lumiquad-panel itself, run offscreen the way scripts/demo runs it.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <QImage>
#include <filesystem>
#include <string>

#include "tests/qt/qt_fixture.h"

namespace lq::qt {
namespace {

TEST(QtProgram, ScreenshotOptionSavesTheMainWindowAndEnds) {
    TestApp();
    const auto dir = std::filesystem::temp_directory_path() / "lq_qt_program";
    std::filesystem::create_directories(dir);
    const std::string shot = (dir / "main.png").string();
    std::filesystem::remove(shot);
    const std::string cmd = "QT_QPA_PLATFORM=offscreen timeout 60 '" + std::string(LQ_RUNTIME_DIR) +
                            "/lumiquad-panel' --screenshot '" + shot + "' --after-ms 300 >'" +
                            (dir / "out.txt").string() + "' 2>/dev/null";
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

}  // namespace
}  // namespace lq::qt
