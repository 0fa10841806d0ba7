// Stage 2: the sensor adjusts its power while the assistant raises GAIN and
// then INTEGRAL until the signal passes the lower window limit.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/assistant/assistant_fixture.h"

namespace lq::test {
namespace {

class SweepTest : public AssistantTest {};

TEST_F(SweepTest, LevelEqualToTheLowerLimitGoesOnAboveItStops) {
    // Every word that takes part in the level, one at a time.
    for (int word : {0, 1, 2, 11, 12, 13}) {
        SCOPED_TRACE("word " + std::to_string(word));
        Start();
        AnswerToTeaching();
        Queue(Record{}.Word(word, 3200));
        Queue(Record{}.Word(word, 3201));
        ui.sleptMilliseconds = 0;
        Run();
        // Two steps: GAIN 1, GAIN 2; then POWER MODE 0 is sent and fixed.
        EXPECT_EQ(ui.sleptMilliseconds, 1000);
        EXPECT_EQ(sensor->Eeprom()[GAIN], 2);
        EXPECT_EQ(sensor->Eeprom()[INTEGRAL], 1);
        EXPECT_EQ(sensor->Eeprom()[POWER_MODE], 0);
        EXPECT_TRUE(Shown(AssistTextSavedToEeprom));
        TearDown();
    }
}

TEST_F(SweepTest, LoadsTheDefaultsAndKeepsTheCountAndOutputMode) {
    Start("qx");
    a.para[AVERAGE] = 4;
    a.para[DYNWIN_HI] = 4000;
    ui.AnswerPopup(1, "2");
    ui.AnswerPopup(1);  // direct output: YES
    ui.AnswerPopup(1);
    Queue(Bright());
    Run();
    // What went to the sensor with the first step: the defaults, POWER MODE 1,
    // GAIN 1, and stage 1's choices.
    ParaBlock expected;
    TeachTable teach;
    LoadDefaultParaValues(expected, teach, 0);
    expected[MAX_VEC_NO] = 2;
    expected[DIGITAL_OUTMODE] = 0;
    expected[POWER_MODE] = 0;  // fixed at the end
    expected[GAIN] = 1;
    expected[POWER] = sensor->Eeprom()[POWER];  // the sensor's own choice
    EXPECT_EQ(sensor->Eeprom().w, expected.w);
    EXPECT_EQ(sensor->EepromTeach()[2].w, teach[2].w);  // untaught vectors reset
}

TEST_F(SweepTest, WithoutEnoughSignalTheSweepRunsToIntegral99AndTeachingFollows) {
    Start();
    a.s.transferTarget = TARGET_FILE;  // fewer requests per step; same sweep
    sensor->SetColor(0, 0, 0);
    AnswerToTeaching();
    int powerModeAtTeach = -1;
    std::vector<int> gains, integrals;
    ui.popupHandler = [&](PopupRecord& p) {
        if (p.title == "TEACH COLOR 0") {
            powerModeAtTeach = a.para[POWER_MODE];
            EXPECT_EQ(sensor->Ram()[POWER_MODE], 1);
            EXPECT_EQ(sensor->Ram()[GAIN], 8);
            EXPECT_EQ(sensor->Ram()[INTEGRAL], 99);
        }
        return -1;
    };
    ui.sleptMilliseconds = 0;
    Run();
    EXPECT_EQ(powerModeAtTeach, 1);
    EXPECT_EQ(ui.sleptMilliseconds, 106 * 500);  // 8 gain and 98 integral steps
    // Every step sends the block (two writes), reads it (two reads) and
    // measures once; no extra send closes the sweep.
    int writes = 0, lives = 0;
    for (const lqsim::SeenRequest& r : sensor->Requests()) {
        writes += r.order == 1 && r.argument == 0;
        lives += r.order == 8;
    }
    EXPECT_EQ(writes, 106 + 1);  // + the final save
    EXPECT_EQ(lives, 106 + 1);   // + the one colour
    EXPECT_EQ(sensor->Eeprom()[POWER_MODE], 1);
    EXPECT_EQ(sensor->Eeprom()[INTEGRAL], 99);
    EXPECT_EQ(a.s.transferTarget, TARGET_FILE);
}

// STOP, the CONNECT page and closing the window clear `running`: the step
// under way is completed, the next one is not begun.
TEST_F(SweepTest, StopConnectPageOrCloseEndStageTwoBeforeTheNextStep) {
    const std::vector<std::pair<const char*, std::function<void()>>> actions = {
        {"STOP", [this] { ui.Commit(a.s.mainPanel, BUTTON_STOP); }},
        {"CONNECT page", [this] { ui.ChangeTab(a.s.mainPanel, TAB_MAIN1, 0); }},
        {"close", [this] { ui.PanelEvent(a.s.mainPanel, EVENT_CLOSE); }},
    };
    for (const auto& entry : actions) {
        const std::function<void()>& action = entry.second;
        SCOPED_TRACE(entry.first);
        Start();
        CopyText(a.s.settingsPath, "/nonexistent-dir/PanelSettings.cfg");
        AnswerToTeaching();
        ui.popupHandler = [&](PopupRecord& p) {
            // Fires inside the first exchange of the first step.
            if (p.title == "Parameter POWER, GAIN, INTEGRAL") ui.Queue(action);
            return -1;
        };
        ui.sleptMilliseconds = 0;
        Run();
        EXPECT_EQ(ui.sleptMilliseconds, 500);
        EXPECT_EQ(LastText(), Text(AssistTextParaCancelled));
        EXPECT_FALSE(Shown(AssistTextPlaceColor));
        EXPECT_EQ(sensor->Ram()[GAIN], 1);
        EXPECT_EQ(sensor->Ram()[POWER_MODE], 1);  // left self-adjusting
        int lives = 0;
        for (const lqsim::SeenRequest& r : sensor->Requests()) lives += r.order == 8;
        EXPECT_EQ(lives, 1);
        ui.popupHandler = nullptr;
        TearDown();
    }
}

TEST_F(SweepTest, ALinkFailureEndsStageTwoWithoutAMessageOfItsOwn) {
    Start();
    AnswerToTeaching();
    ui.popupHandler = [&](PopupRecord& p) {
        if (p.title == "Parameter POWER, GAIN, INTEGRAL") sensor->SetFault(lqsim::Fault::Silent);
        return -1;
    };
    Run();
    EXPECT_EQ(LastText(), Text(AssistTextAutoAdjust));
    EXPECT_EQ(a.s.connected, 0);
    EXPECT_EQ(a.s.running, 0);
    EXPECT_NE(StatusBox().find("TIMEOUT!"), std::string::npos);
    EXPECT_EQ(ui.sleptMilliseconds, 500);  // the failed send still waited once
}

TEST_F(SweepTest, ThePlausibilityReportOfASendEndsStageTwo) {
    Start();
    AnswerToTeaching();
    ui.popupHandler = [&](PopupRecord& p) {
        if (p.title == "Parameter POWER, GAIN, INTEGRAL") sensor->SetPlausibility(2);
        return -1;
    };
    Run();
    EXPECT_EQ(LastText(), Text(AssistTextAutoAdjust));
    EXPECT_EQ(a.s.connected, 0);
    EXPECT_NE(StatusBox().find("2 PARAMETER IN RAM DID NOT PASS"), std::string::npos);
}

}  // namespace
}  // namespace lq::test
