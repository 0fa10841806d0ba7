// The connection popup at start-up: CLOSE ends the program at once, without
// storing the settings.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/winmain.h"
#include "tests/support/program_fixture.h"

namespace lq {
namespace {

class StartupCloseTest : public ProgramTest {};

TEST_F(StartupCloseTest, CloseAfterAFailedStartUpConnectionWritesNoSettings) {
    // No settings file: RS-232 on COM1, which has no device in the test folder.
    tp.AnswerPopup(1);  // CLOSE
    EXPECT_EQ(WinMain(a), 0);

    ASSERT_EQ(tp.popups.size(), 1u);
    EXPECT_EQ(tp.popups[0].title, "ATTENTION!");
    EXPECT_EQ(tp.popups[0].text,
              "Could not establish connection! \nClose window or work in offline mode!");
    EXPECT_EQ(tp.quitRequested, 1);
    EXPECT_FALSE(std::filesystem::exists(dir + "/PanelSettings.cfg"));
    EXPECT_TRUE(tp.PanelOf(a.s.mainPanel)->discarded);
}

}  // namespace
}  // namespace lq
