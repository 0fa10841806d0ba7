// Right-click help: every operable control shows exactly its text under
// "INFO!" and nothing else changes.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

#include "tests/support/program_fixture.h"

namespace lq {
namespace {

struct HelpCase {
    int panel;  // resource number
    Ctrl ctrl;
    const char* text;  // nullptr: the control has no help
};

const char* const kSendHelp =
    "All the parameters of the PC-User-Interface are transferred to the sensor or to a selectable "
    "file. \nThe target of the parameter transfer is determined by the select button (RAM, "
    "EEPROM, FILE). \n\nShortcut Key: F9. ";
const char* const kGetHelp =
    "Sensor or file parameters are transferred to the PC-User-Interface. \nThe source of the "
    "parameter transfer is determined by the select button (RAM, EEPROM, FILE). \n\nShortcut "
    "Key: F10. ";
const char* const kMemHelp = "Select source respectively the target for the parameter transfer.";
const char* const kRgbHelp = "Displays the current color intensity of RED,GREEN and BLUE. ";
const char* const kGraphHelp =
    "The four graphs display a 3 sides view of the 3 dimensional color/intensity sphere \nplus "
    "the intensity of RED, GREEN, BLUE in an extra graph.";

// clang-format off
const HelpCase kHelpCases[] = {
    {MAINP, TAB_MAIN1, "Select TAB-window."},
    {MAINP, BUTTON_GO, "Starts data transfer from sensor to PC. \n\nShortcut Key: F11. "},
    {MAINP, BUTTON_STOP, "Stops data transfer from sensor to PC. \n\nShortcut Key: F12. "},
    {MAINP, BUTTON_SEND, kSendHelp},
    {MAINP, BUTTON_GET, kGetHelp},
    {MAINP, EDIT_AVERAGE, "Select the number of scanning values (measured values) \nover which the raw signal is averaged (meanvalue!)."},
    {MAINP, BUTTON_FREQ, "Get cycle time from sensor. \nDon't interrupt the sensor for 8 seconds \nthen press the button."},
    {MAINP, DISP_CYCLE_TIME_HZ, "Sensor scanfrequency. \nDon't interrupt the sensor for 8 seconds \nthen press the button."},
    {MAINP, EDIT_SELECT_LANGUAGE, "Select your language."},
    {MAINP, RADIO_BTN_EEPROM, kMemHelp},
    {MAINP, RADIO_BTN_FILE, kMemHelp},
    {TP_ASSIST, BUTTON_START, "Start assistant to adjust the sensor."},
    {TP_CONNECT, EDIT_SELECT_COM_PORT, "Select a serial COM-PORT."},
    {TP_CONNECT, EDIT_SELECT_BAUDRATE, "Select the Baudrate for data transfer. \n\nAttention! Sensor and user surface \nmust work with the same Baudrate. "},
    {TP_CONNECT, EDIT_COM_PROTOCOL, "Select RS232 or TCP/IP Interface. "},
    {TP_CONNECT, STRING_IP_ADRESS, "Select a Server by name or IP address."},
    {TP_CONNECT, STRING_PORT_NUMBER, "Select a port number."},
    {TP_CONNECT, BUTTON_TRY_TO_CONNECT, "Try to connect sensor."},
    {TP_CONNECT, BUTTON_DISCONNECT, "Disconnect from sensor.!"},
    {TP_CONNECT, BUTTON_ACCEPT, "Accept settings for communication \nand switch to ASSISTANT. "},
    {TP_CONNECT, BUTTON_FIND_COM_PORTS, "Shows a list of available COM PORTS."},
    {DATAP, DISP_X, "Displays the red content of the color currently arriving at the receiver."},
    {DATAP, DISP_Y, "Displays the green content of the color currently arriving at the receiver. "},
    {DATAP, DISP_INT, "Displays the intensity of the color currently arriving at the receiver. "},
    {DATAP, BAR_RED, kRgbHelp},
    {DATAP, BAR_GREEN, kRgbHelp},
    {DATAP, BAR_BLUE, kRgbHelp},
    {DATAP, DISP_C_No, "Displays the current detected color number in \naccordance with the row in the TEACH TABLE. \n\nFailure condition is 255."},
    {DATAP, GRAPH_X_Y, kGraphHelp},
    {DATAP, GRAPH_X_INT, kGraphHelp},
    {DATAP, GRAPH_Y_INT, kGraphHelp},
    {DATAP, GRAPH_RGB, kGraphHelp},
    // No help text.
    {DATAP, DISPS_STATUS, nullptr},
    {TP_CONNECT, EDIT_TEXT_BOX_STATUS, nullptr},
};
// clang-format on

// Everything a help popup must leave as it was.
struct Snapshot {
    std::map<std::pair<int, int>, std::tuple<double, std::string, bool, bool>> controls;
    std::vector<int> flags;
    int activePage = 0;
    bool operator==(const Snapshot&) const = default;
};

class HelpTest : public ProgramTest, public ::testing::WithParamInterface<HelpCase> {
  protected:
    Snapshot Take() {
        Snapshot s;
        for (int h : {Main(), Data(), Connect(), Assist()})
            for (const auto& [id, c] : tp.PanelOf(h)->controls)
                s.controls[{h, id}] = {c.value, c.text, c.dimmed, c.visible};
        s.flags = {a.s.connected,  a.s.running,  a.s.tcpOpen,        a.s.sendPending,
                   a.s.getPending, a.s.language, a.s.transferTarget, tp.quitRequested};
        s.activePage = tp.Ctl(Main(), TAB_MAIN1).activePage;
        return s;
    }
};

TEST_P(HelpTest, RightClickShowsExactlyItsTextAndChangesNothing) {
    const HelpCase& c = GetParam();
    LoadPanels();
    const int h = c.panel == MAINP       ? Main()
                  : c.panel == DATAP     ? Data()
                  : c.panel == TP_ASSIST ? Assist()
                                         : Connect();
    // Some state that a wrong callback would disturb.
    a.s.running = 1;
    a.s.connected = 1;
    a.s.language = 2;
    tp.SetCtrlVal(Connect(), EDIT_TEXT_BOX_STATUS, "log line\n");
    tp.SetCtrlVal(Data(), DISPS_STATUS, "LUMIQUAD QX V1.5");
    const Snapshot before = Take();

    tp.ControlEvent(h, c.ctrl, EVENT_RIGHT_CLICK);

    if (c.text) {
        ASSERT_EQ(tp.popups.size(), 1u);
        EXPECT_EQ(tp.popups[0].kind, "message");
        EXPECT_EQ(tp.popups[0].title, "INFO!");
        EXPECT_EQ(tp.popups[0].text, c.text);
    } else {
        EXPECT_TRUE(tp.popups.empty());
    }
    EXPECT_TRUE(Take() == before);
    EXPECT_TRUE(tp.refused.empty());
}

INSTANTIATE_TEST_SUITE_P(Controls, HelpTest, ::testing::ValuesIn(kHelpCases), [](const auto& info) {
    return std::string(PanelResourceName(info.param.panel)) + "_" +
           std::string(CtrlName(info.param.ctrl));
});

}  // namespace
}  // namespace lq
