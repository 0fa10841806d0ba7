// Stage 3: one live measurement per colour into the teach table, the grid
// and the graphs, the saturation question, and the final save.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/assistant/assistant_fixture.h"

namespace lq::test {
namespace {

class TeachTest : public AssistantTest {};

TEST_F(TeachTest, ThreeColoursFillRowsOneToThree) {
    Start();
    AnswerToTeaching("3");
    Queue(Bright());
    const int colours[3][3] = {{5000, 3333, 2400}, {2500, 5833, 1600}, {1200, 1300, 900}};
    for (const auto& c : colours) Queue(Record{}.Rgb(1000, 1000, 1000).Xyi(c[0], c[1], c[2]));
    // While a colour is presented its row is the active, cyan one.
    std::vector<int> activeRows;
    ui.popupHandler = [&](PopupRecord& p) {
        if (p.title.rfind("TEACH COLOR", 0) == 0) {
            const int row = ui.GetActiveTableCell(a.s.tpAssist, GRID_CTT).row;
            activeRows.push_back(row);
            EXPECT_EQ(ui.GetActiveTableCell(a.s.tpAssist, GRID_CTT).column, 1);
            EXPECT_TRUE(RowBg(row, COLOR_CYAN)) << row;
            EXPECT_NE(CellBg(5, row), COLOR_CYAN);  // the swatch keeps its colour
        }
        return -1;
    };
    const uint32_t swatch = CellBg(5, 1);
    Run();

    std::vector<std::string> teachTitles;
    for (const PopupRecord& p : ui.popups) {
        if (p.text == Text(AssistTextPlaceColor)) {
            teachTitles.push_back(p.title);
            EXPECT_EQ(p.kind, "message");
        }
    }
    EXPECT_EQ(teachTitles,
              (std::vector<std::string>{"TEACH COLOR 0", "TEACH COLOR 1", "TEACH COLOR 2"}));
    EXPECT_EQ(activeRows, (std::vector<int>{1, 2, 3}));
    for (int i = 0; i < 3; ++i) {
        const int row = i + 1;
        EXPECT_EQ(Cell(1, row), colours[i][0]);
        EXPECT_EQ(Cell(2, row), colours[i][1]);
        EXPECT_EQ(Cell(3, row), colours[i][2]);
        EXPECT_EQ(Cell(4, row), 500);
        EXPECT_TRUE(RowBg(row, COLOR_LIGHT_GRAY));
        const TeachVector v = a.teach[i];
        EXPECT_EQ(
            v.w, (std::array<uint16_t, 8>{static_cast<uint16_t>(colours[i][0]),
                                          static_cast<uint16_t>(colours[i][1]),
                                          static_cast<uint16_t>(colours[i][2]), 500, 0, 0, 1, 10}));
        EXPECT_EQ(sensor->EepromTeach()[i].w, v.w);  // saved
    }
    EXPECT_EQ(Cell(1, 4), 1);  // the next row keeps the defaults
    EXPECT_EQ(CellBg(5, 1), swatch);
    // The graphs hold the taught circles: extents span the three colours.
    EXPECT_EQ(a.ext.xMin, 1200 - 500);
    EXPECT_EQ(a.ext.xMax, 5000 + 500);
    EXPECT_EQ(LastText(), Text(AssistTextSavedToEeprom));
    EXPECT_EQ(ui.unansweredPopups, 0);
}

TEST_F(TeachTest, ACountBeyondTheGridStopsAtThirtyOneColours) {
    Start();
    a.para[MAX_VEC_NO] = 70;  // as a sensor might report it
    a.teach[31][CELL0] = 7;
    ASSERT_EQ(TeachColors(a), 0);
    const std::vector<std::string> titles = Titles();
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "TEACH COLOR 30"), 1);
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "TEACH COLOR 31"), 0);
    EXPECT_EQ(a.teach[31][CELL0], 7);
    EXPECT_EQ(a.teach[30][CELL3], 500);
}

TEST_F(TeachTest, ANegativeCoordinateIsStoredAsItsSixteenBitPattern) {
    Start();
    AnswerToTeaching();
    Queue(Bright());
    Queue(Record{}.Rgb(100, 100, 100).Xyi(1500, -20, 4000));
    Run();
    EXPECT_EQ(a.teach[0][CELL1], 65516);
    EXPECT_EQ(Cell(2, 1), 65516);
}

TEST_F(TeachTest, SaturationAbove4050OnAnyChannelAsks) {
    struct Case {
        int channel;
        int value;
        int answer;  // -1: no question expected; 1 YES; 0 NO
    } const cases[] = {
        {0, 4050, -1}, {1, 4050, -1}, {2, 4050, -1}, {0, 4051, 1},
        {1, 4051, 1},  {2, 4051, 1},  {2, 4095, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("channel " + std::to_string(c.channel) + " value " + std::to_string(c.value));
        Start();
        AnswerToTeaching();
        if (c.answer >= 0) ui.AnswerPopup(c.answer);
        Queue(Bright());
        Record r = Record{}.Rgb(1000, 1000, 1000).Xyi(4000, 3000, 2000);
        r.Word(c.channel, c.value);
        Queue(r);
        Run();
        EXPECT_EQ(Shown(AssistTextTooBright), c.answer >= 0);
        EXPECT_EQ(ui.unansweredPopups, 0);
        if (c.answer == 1) {
            // Cancelled: the row stays cyan, nothing written, nothing saved.
            EXPECT_TRUE(RowBg(1, COLOR_CYAN));
            EXPECT_EQ(a.teach[0][CELL0], 1);
            EXPECT_EQ(Cell(1, 1), 1);
            EXPECT_EQ(LastText(), Text(AssistTextTeachCancelled));
            EXPECT_FALSE(Shown(AssistTextSavedToEeprom));
        } else {
            EXPECT_TRUE(RowBg(1, COLOR_LIGHT_GRAY));
            EXPECT_EQ(a.teach[0][CELL0], 4000);
            EXPECT_EQ(Cell(1, 1), 4000);
            EXPECT_EQ(LastText(), Text(AssistTextSavedToEeprom));
        }
        ui.popups.clear();
        TearDown();
    }
}

TEST_F(TeachTest, AFailedLiveRequestLeavesTheRowUnwrittenAndCancels) {
    Start();
    AnswerToTeaching("2");
    Queue(Bright());
    ui.popupHandler = [&](PopupRecord& p) {
        if (p.title == "TEACH COLOR 0") sensor->SetFault(lqsim::Fault::Silent);
        return -1;
    };
    Run();
    EXPECT_EQ(a.teach[0][CELL0], 1);
    EXPECT_EQ(Cell(1, 1), 1);
    EXPECT_TRUE(RowBg(1, COLOR_LIGHT_GRAY));  // painted back before the test of the link
    EXPECT_EQ(LastText(), Text(AssistTextTeachCancelled));
    const std::vector<std::string> titles = Titles();
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "TEACH COLOR 1"), 0);
}

TEST_F(TeachTest, StopDuringTeachingChangesNothing) {
    Start();
    AnswerToTeaching("3");
    ui.popupHandler = [&](PopupRecord& p) {
        if (p.title == "TEACH COLOR 0") ui.QueueCommit(a.s.mainPanel, BUTTON_STOP);
        if (p.title == "TEACH COLOR 1")
            ui.Queue([this] { ui.ChangeTab(a.s.mainPanel, TAB_MAIN1, 0); });
        return -1;
    };
    Run();
    EXPECT_EQ(a.s.running, 0);  // STOP did act on the flag
    for (int row = 1; row <= 3; ++row) EXPECT_NE(Cell(4, row), 1) << row;
    EXPECT_EQ(LastText(), Text(AssistTextSavedToEeprom));
    EXPECT_EQ(sensor->EepromTeach()[2][CELL3], 500);
}

// The requests of a whole short run, with either memory selected.
TEST_F(TeachTest, RequestSequenceOfAShortRun) {
    const Requests write = {{1, 0, 52}, {1, 2, 512}};
    struct Case {
        uint16_t target;
        Requests expected;
    };
    Requests eeprom = write;  // step 1 (GAIN 1)
    eeprom.insert(eeprom.end(), {{3, 0, 0}, {4, 0, 0}, {2, 0, 0}, {2, 2, 0}, {8, 0, 0}});
    eeprom.insert(eeprom.end(), {{1, 0, 52}, {1, 2, 512}, {3, 0, 0}});  // POWER MODE 0
    eeprom.insert(eeprom.end(), {{8, 0, 0}});                           // the colour
    eeprom.insert(eeprom.end(), {{1, 0, 52}, {1, 2, 512}, {3, 0, 0}});  // the save
    Requests file = write;
    file.insert(file.end(), {{2, 0, 0}, {2, 2, 0}, {8, 0, 0}});
    file.insert(file.end(), {{1, 0, 52}, {1, 2, 512}});
    file.insert(file.end(), {{8, 0, 0}});
    file.insert(file.end(), {{1, 0, 52}, {1, 2, 512}, {3, 0, 0}});  // still the EEPROM
    const Case cases[] = {{TARGET_EEPROM, eeprom}, {TARGET_FILE, file}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        Start();
        // The memory is chosen with its radio button.
        ui.Operate(a.s.mainPanel, c.target == TARGET_FILE ? RADIO_BTN_FILE : RADIO_BTN_EEPROM, 1);
        ASSERT_EQ(a.s.transferTarget, c.target);
        AnswerToTeaching();
        Queue(Bright());
        size_t requestsAtSaveMessage = 0;
        ui.popupHandler = [&](PopupRecord& p) {
            if (p.text == Text(AssistTextSavedToEeprom)) requestsAtSaveMessage = Seen().size();
            return -1;
        };
        Run();
        EXPECT_EQ(Seen(), c.expected);
        EXPECT_EQ(requestsAtSaveMessage, c.expected.size() - 3);  // message before the save
        EXPECT_EQ(a.s.transferTarget, c.target);                  // restored
        EXPECT_EQ(ui.GetCtrlValInt(a.s.mainPanel, RADIO_BTN_FILE), c.target == TARGET_FILE);
        ui.popupHandler = nullptr;
        TearDown();
    }
}

TEST_F(TeachTest, FileTargetLeavesTheEepromAloneUntilTheFinalSave) {
    Start();
    ParaBlock eepromBefore = sensor->Eeprom();
    ui.Operate(a.s.mainPanel, RADIO_BTN_FILE, 1);
    AnswerToTeaching("2");
    Queue(Record{}.Word(0, 3000));
    Queue(Bright());
    ui.popupHandler = [&](PopupRecord& p) {
        if (p.title == "TEACH COLOR 0") {
            EXPECT_EQ(sensor->Eeprom().w, eepromBefore.w);
        }
        return -1;
    };
    Run();
    EXPECT_EQ(sensor->Eeprom().w, a.para.w);
    EXPECT_EQ(sensor->Eeprom()[GAIN], 2);
    EXPECT_EQ(sensor->Eeprom()[POWER_MODE], 0);
    EXPECT_EQ(a.s.transferTarget, TARGET_FILE);
}

TEST_F(TeachTest, LanguageChosenDuringTheRunAppliesToTheNextPopup) {
    Start();
    AnswerToTeaching();
    Queue(Bright());
    ui.popupHandler = [&](PopupRecord& p) {
        // The ring is operated while the first step's exchange waits.
        if (p.title == "Parameter POWER, GAIN, INTEGRAL")
            ui.Queue([this] { ui.Operate(a.s.mainPanel, EDIT_SELECT_LANGUAGE, 3); });
        return -1;
    };
    Run();
    ASSERT_EQ(a.s.language, 3);
    EXPECT_TRUE(Shown(AssistTextAutoAdjust, 0));  // shown before the change
    EXPECT_TRUE(Shown(AssistTextPlaceColor, 3));
    EXPECT_EQ(LastText(), Text(AssistTextSavedToEeprom, 3));
}

TEST_F(TeachTest, StartButtonLocksTheSessionButtonsAndShowsItsHelp) {
    Start();
    ui.ControlEvent(a.s.tpAssist, BUTTON_START, EVENT_RIGHT_CLICK);
    ASSERT_EQ(ui.popups.size(), 1u);
    EXPECT_EQ(ui.popups[0].title, "INFO!");
    EXPECT_EQ(ui.popups[0].text, "Start assistant to adjust the sensor.");
    ui.ControlEvent(a.s.tpAssist, BUTTON_START, EVENT_GOT_FOCUS);
    EXPECT_EQ(ui.popups.size(), 1u);
    EXPECT_TRUE(sensor->Requests().empty());

    ui.popups.clear();
    ui.AnswerPopup(2);
    bool locked = false;
    ui.popupHandler = [&](PopupRecord&) {
        locked = Dimmed(a.s.tpAssist, BUTTON_START) && Dimmed(a.s.mainPanel, BUTTON_SEND) &&
                 Dimmed(a.s.mainPanel, BUTTON_GO) && !Dimmed(a.s.mainPanel, BUTTON_STOP) &&
                 !Dimmed(a.s.mainPanel, EDIT_SELECT_LANGUAGE);
        return -1;
    };
    Run();
    EXPECT_TRUE(locked);
    EXPECT_FALSE(Dimmed(a.s.tpAssist, BUTTON_START));
    EXPECT_FALSE(Dimmed(a.s.mainPanel, BUTTON_GO));
}

}  // namespace
}  // namespace lq::test
