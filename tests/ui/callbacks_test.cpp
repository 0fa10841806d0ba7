// The callbacks of the panels, the page switch, the memory selection, the
// language choice, the status box, the shortcuts and the teach-grid look.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/program_fixture.h"
#include "ui/logo.h"
#include "ui/view/view.h"

namespace lq {
namespace {

class CallbackTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        LoadPanels();
    }
};

TEST_F(CallbackTest, ChangingToConnectStopsTheLoopAndDimsAccept) {
    a.s.running = 1;
    tp.SetActiveTabPage(Main(), TAB_MAIN1, 1);
    tp.ChangeTab(Main(), TAB_MAIN1, 0);
    EXPECT_EQ(a.s.running, 0);
    EXPECT_TRUE(tp.GetCtrlDimmed(Connect(), BUTTON_ACCEPT));

    // Back to ASSISTANT: nothing restarts, nothing is released.
    tp.ChangeTab(Main(), TAB_MAIN1, 1);
    EXPECT_EQ(a.s.running, 0);
    EXPECT_TRUE(tp.GetCtrlDimmed(Connect(), BUTTON_ACCEPT));
}

TEST_F(CallbackTest, ChangingToAssistantLeavesRunningAndAccept) {
    a.s.running = 1;
    tp.ChangeTab(Main(), TAB_MAIN1, 1);
    EXPECT_EQ(a.s.running, 1);
    EXPECT_FALSE(tp.GetCtrlDimmed(Connect(), BUTTON_ACCEPT));
}

struct MemCase {
    const char* name;
    int eepromBefore, fileBefore;
    Ctrl clicked;
    int eepromAfter, fileAfter;
    uint16_t target;
};

// A click toggles the radio button before the callback runs; the callback
// then puts the clicked button on and the other off.
const MemCase kMemCases[] = {
    {"file_from_eeprom", 1, 0, RADIO_BTN_FILE, 0, 1, TARGET_FILE},
    {"eeprom_from_file", 0, 1, RADIO_BTN_EEPROM, 1, 0, TARGET_EEPROM},
    {"file_again", 0, 1, RADIO_BTN_FILE, 0, 1, TARGET_FILE},
    {"eeprom_again", 1, 0, RADIO_BTN_EEPROM, 1, 0, TARGET_EEPROM},
};

class MemorySelectionTest : public CallbackTest, public ::testing::WithParamInterface<MemCase> {};

TEST_P(MemorySelectionTest, ClickedButtonEndsUpOnAndSetsTheTarget) {
    const MemCase& c = GetParam();
    tp.SetCtrlVal(Main(), RADIO_BTN_EEPROM, c.eepromBefore);
    tp.SetCtrlVal(Main(), RADIO_BTN_FILE, c.fileBefore);
    a.s.transferTarget = c.target == TARGET_FILE ? TARGET_EEPROM : TARGET_FILE;
    const double toggled = tp.GetCtrlValInt(Main(), c.clicked) ? 0 : 1;
    tp.Operate(Main(), c.clicked, toggled);
    EXPECT_EQ(tp.GetCtrlValInt(Main(), RADIO_BTN_EEPROM), c.eepromAfter);
    EXPECT_EQ(tp.GetCtrlValInt(Main(), RADIO_BTN_FILE), c.fileAfter);
    EXPECT_EQ(a.s.transferTarget, c.target);
}

INSTANTIATE_TEST_SUITE_P(Clicks, MemorySelectionTest, ::testing::ValuesIn(kMemCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CallbackTest, RightDoubleClickOnEitherStatusControlEmptiesTheLog) {
    for (const auto& [panel, ctrl] :
         {std::pair{Data(), DISPS_STATUS}, std::pair{Connect(), EDIT_TEXT_BOX_STATUS}}) {
        SCOPED_TRACE(CtrlName(ctrl));
        tp.SetCtrlVal(Connect(), EDIT_TEXT_BOX_STATUS, "TRY TO CONNECT!\n");
        tp.SetCtrlVal(Connect(), EDIT_TEXT_BOX_STATUS, "TIMEOUT!\n\n");
        tp.SetCtrlVal(Data(), DISPS_STATUS, "TIMEOUT!");
        tp.ControlEvent(panel, ctrl, EVENT_RIGHT_DOUBLE_CLICK);
        EXPECT_EQ(tp.GetCtrlValString(Connect(), EDIT_TEXT_BOX_STATUS), "");
        EXPECT_EQ(tp.GetCtrlValString(Data(), DISPS_STATUS), "TIMEOUT!");
        // The box grows again afterwards.
        tp.SetCtrlVal(Connect(), EDIT_TEXT_BOX_STATUS, "x");
        EXPECT_EQ(tp.GetCtrlValString(Connect(), EDIT_TEXT_BOX_STATUS), "x");
        tp.ResetTextBox(Connect(), EDIT_TEXT_BOX_STATUS, "");
    }
    EXPECT_TRUE(tp.popups.empty());
}

TEST_F(CallbackTest, LanguageRingSetsTheLanguage) {
    for (int lang : {3, 6, 0}) {
        tp.Operate(Main(), EDIT_SELECT_LANGUAGE, lang);
        EXPECT_EQ(a.s.language, lang);
    }
}

TEST_F(CallbackTest, RightDoubleClickRestoresTheWindowCentred) {
    tp.SetPanelPos(Main(), 300, 700);
    tp.SetPanelSize(Main(), 400, 600);
    tp.PanelEvent(Main(), EVENT_RIGHT_DOUBLE_CLICK);
    int top = 0, left = 0, height = 0, width = 0;
    tp.GetPanelSize(Main(), height, width);
    tp.GetPanelPos(Main(), top, left);
    EXPECT_EQ(width, 1014);
    EXPECT_EQ(height, 690);
    EXPECT_EQ(top, (1080 - 690) / 2);
    EXPECT_EQ(left, (1920 - 1014) / 2);

    // A maximised window comes back to its normal state first.
    tp.SetPanelZoomState(Main(), ZOOM_MAXIMIZED);
    tp.PanelEvent(Main(), EVENT_RIGHT_DOUBLE_CLICK);
    EXPECT_EQ(tp.GetPanelZoomState(Main()), ZOOM_NORMAL);
    EXPECT_EQ(tp.PanelOf(Main())->width, 1014);
}

TEST_F(CallbackTest, CloseClearsRunningAndEndsTheLoop) {
    a.s.running = 1;
    tp.PanelEvent(Main(), EVENT_CLOSE);
    EXPECT_EQ(a.s.running, 0);
    EXPECT_EQ(tp.quitRequested, 1);
    EXPECT_EQ(tp.quitCode, 0);
    // The loop started afterwards ends at once.
    tp.Queue([] { ADD_FAILURE() << "dispatched after the close"; });
    EXPECT_EQ(tp.RunUserInterface(), 0);
}

TEST_F(CallbackTest, OtherPanelEventsDoNothing) {
    a.s.running = 1;
    for (int event : {EVENT_COMMIT, EVENT_RIGHT_CLICK, EVENT_GOT_FOCUS}) {
        tp.PanelEvent(Main(), event);
        tp.PanelEvent(Data(), event);
    }
    tp.PanelEvent(Data(), EVENT_CLOSE);
    tp.PanelEvent(Data(), EVENT_RIGHT_DOUBLE_CLICK);
    EXPECT_EQ(a.s.running, 1);
    EXPECT_EQ(tp.quitRequested, 0);
    EXPECT_EQ(tp.PanelOf(Main())->top, 30);
    EXPECT_TRUE(tp.popups.empty());
}

// Records every commit in the status text, in place of the real callback.
int RecordCommit(int, int control, int event, void* data, int, int) {
    if (event == EVENT_COMMIT) {
        App& app = *static_cast<App*>(data);
        AppendText(app.s.statusText, CtrlName(static_cast<Ctrl>(control)));
        AppendText(app.s.statusText, ";");
    }
    return 0;
}

TEST_F(CallbackTest, FunctionKeysPressTheirButtons) {
    for (Ctrl b : {BUTTON_SEND, BUTTON_GET, BUTTON_GO, BUTTON_STOP})
        tp.PanelOf(Main())->callbacks[b] = RecordCommit;
    for (int key : {9, 10, 11, 12}) tp.PressKey(Main(), key);
    EXPECT_STREQ(a.s.statusText, "BUTTON_SEND;BUTTON_GET;BUTTON_GO;BUTTON_STOP;");

    // A dimmed button does not react to its key either.
    a.s.statusText[0] = 0;
    tp.SetCtrlDimmed(Main(), BUTTON_GO, true);
    tp.PressKey(Main(), 11);
    EXPECT_STREQ(a.s.statusText, "");
}

TEST_F(CallbackTest, TeachGridIsGreyWithColourSwatches) {
    PrepareTeachGrid(a);
    const int g = GRID_CTT;
    EXPECT_TRUE(tp.Ctl(Assist(), g).builtInMenuHidden);
    for (int row = 1; row <= 31; ++row) {
        for (int col = 1; col <= 4; ++col)
            EXPECT_EQ(tp.GetTableCellBgColor(Assist(), g, MakePoint(col, row)), 0xC0C0C0u)
                << col << "," << row;
        EXPECT_EQ(tp.GetTableCellBgColor(Assist(), g, MakePoint(5, row)), ColorCycle(row - 1));
    }
    EXPECT_EQ(tp.GetTableCellBgColor(Assist(), g, MakePoint(5, 4)), 0x000000u);
    EXPECT_EQ(tp.GetTableCellBgColor(Assist(), g, MakePoint(5, 19)), 0x000000u);
    EXPECT_EQ(tp.GetTableCellBgColor(Assist(), g, MakePoint(5, 1)), 0xFF0000u);
    EXPECT_EQ(tp.GetTableCellBgColor(Assist(), g, MakePoint(5, 16)), 0xFF0000u);
    EXPECT_TRUE(tp.errors.empty());
}

TEST(ColorCycleTest, FifteenColoursFiveTimesOver) {
    const uint32_t cycle[15] = {0xFF0000, 0x80FF00, 0x0000FF, 0x000000, 0xFF80C0,
                                0xFFFF00, 0x808000, 0x800080, 0x80FFFF, 0xFF0080,
                                0x400080, 0xFF00FF, 0x008000, 0x408080, 0x800000};
    for (int i = 0; i < 75; ++i) EXPECT_EQ(ColorCycle(i), cycle[i % 15]) << i;
}

TEST_F(CallbackTest, LogoAndTitleTextInTheTopStrip) {
    std::ofstream(dir + "/logoZEB.bmp") << "BM";
    ShowLogo(a);
    const ControlState& logo = tp.Ctl(Main(), PICTURE_1);
    EXPECT_TRUE(logo.visible);
    EXPECT_EQ(logo.top, 5);
    EXPECT_EQ(logo.left, 900);
    EXPECT_EQ(logo.image, dir + "/logoZEB.bmp");
    EXPECT_EQ(tp.GetCtrlFrameColor(Main(), DECORATION), 0xFFFFFFu);
    EXPECT_FALSE(tp.Ctl(Main(), PICTURE_2).visible);

    const ControlState* title = nullptr;
    for (const auto& [id, c] : tp.PanelOf(Main())->controls)
        if (c.kind == CtrlKind::TextMessage) title = &c;
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text, "LUMIQUAD TALVERN Kelvo V1.2");
    EXPECT_EQ(title->tooltip, "LUMIQUAD TALVERN Kelvo V1.2.0");
    EXPECT_EQ(title->top, 18);
    EXPECT_EQ(title->left, 15);
    EXPECT_EQ(title->pointSize, 20);
    EXPECT_EQ(title->bgColor, static_cast<uint32_t>(COLOR_TRANSPARENT));
    EXPECT_EQ(title->textColor, 0x000000u);
}

TEST_F(CallbackTest, MissingLogoStillShowsThePicture) {
    ShowLogo(a);
    const ControlState& logo = tp.Ctl(Main(), PICTURE_1);
    EXPECT_TRUE(logo.visible);
    EXPECT_EQ(logo.imageRequest, dir + "/logoZEB.bmp");
    EXPECT_EQ(logo.image, "");
    EXPECT_TRUE(tp.popups.empty());
}

TEST_F(CallbackTest, InfoTextWithoutTooltip) {
    EXPECT_EQ(ShowInfoText(a, "abc", 0, 40, 30, 12, 0xFFFFFF, 0x0000FF), 0);
    const ControlState* msg = nullptr;
    for (const auto& [id, c] : tp.PanelOf(Main())->controls)
        if (c.kind == CtrlKind::TextMessage) msg = &c;
    ASSERT_NE(msg, nullptr);
    EXPECT_EQ(msg->text, "abc");
    EXPECT_EQ(msg->tooltip, "");
    EXPECT_EQ(msg->left, 40);
    EXPECT_EQ(msg->top, 30);
    EXPECT_EQ(msg->textColor, 0x0000FFu);
}

}  // namespace
}  // namespace lq
