// Connecting and identifying the sensor, going offline, and the failures on
// the way, against the simulator on the loopback interface.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "data/para.h"
#include "session/session.h"
#include "tests/session/fixture.h"
#include "tests/session/script_peer.h"

namespace lq::test {
namespace {

constexpr const char* kNoConnection =
    "Could not establish connection! \nClose window or work in offline mode!";

// Every control that SetButtonsDimmed touches, with its panel.
struct SessionButton {
    int SessionState::*panel;
    Ctrl ctrl;
};
const SessionButton kSessionButtons[] = {
    {&SessionState::mainPanel, BUTTON_GET},
    {&SessionState::mainPanel, BUTTON_SEND},
    {&SessionState::mainPanel, RADIO_BTN_EEPROM},
    {&SessionState::mainPanel, RADIO_BTN_FILE},
    {&SessionState::mainPanel, BUTTON_GO},
    {&SessionState::mainPanel, BUTTON_FREQ},
    {&SessionState::tpConnect, BUTTON_TRY_TO_CONNECT},
    {&SessionState::tpConnect, BUTTON_DISCONNECT},
    {&SessionState::tpConnect, EDIT_SELECT_BAUDRATE},
    {&SessionState::tpAssist, BUTTON_START},
};

TEST(FirmwareText, SplitsIntoModelAndDisplay) {
    struct Case {
        const char* text;
        int type;
        const char* model;
        const char* display;
    };
    const Case cases[] = {
        {"LUMIQUAD QX V1.5.7 ABC", 2, "LUMIQUAD QX V1.", "LUMIQUAD QX V1.5ABC"},
        {"LUMIQUAD V4.1", 1, "LUMIQUAD V4.", "LUMIQUAD V4.1"},
        // Piece 2 runs to the next "." or the end, spaces included.
        {"LUMIQUAD QXR V1.0 X", 3, "LUMIQUAD QXR V1.", "LUMIQUAD QXR V1.0 X"},
        {"lumiquad qxr v1.0 x", 0, "lumiquad qxr v1.", "lumiquad qxr v1.0 x"},
        {"NO DOT AT ALL", 0, "NO DOT AT ALL.", "NO DOT AT ALL."},
        // Leading delimiters are skipped; piece 4 keeps everything after its space.
        {"..LUMIQUAD V4..2.3   rest of it", 1, "LUMIQUAD V4.", "LUMIQUAD V4.2  rest of it"},
        {"", 0, ".", "."},
    };
    for (const Case& c : cases) {
        const FirmwareInfo f = ParseFirmware(c.text);
        EXPECT_EQ(f.sensorType, c.type) << c.text;
        EXPECT_STREQ(f.model, c.model) << c.text;
        EXPECT_STREQ(f.display, c.display) << c.text;
    }
}

TEST(DefaultQuestion, SevenLanguages) {
    EXPECT_STREQ(DefaultParaQuestion(0), "Moechten Sie Default Parameter zum Sensor senden?");
    EXPECT_STREQ(DefaultParaQuestion(3), "¿Desea enviar parámetros predeterminados al sensor?");
    EXPECT_STREQ(DefaultParaQuestion(6),
                 "Czy wartosci standardowe parametrów maja zostac wyslane do czujnika?");
    // An index outside the table falls back to the first language.
    EXPECT_STREQ(DefaultParaQuestion(7), DefaultParaQuestion(0));
    EXPECT_STREQ(DefaultParaQuestion(-1), DefaultParaQuestion(0));
}

class ConnectTest : public SimTest {
  protected:
    void ExpectDimmed(bool dimmed, const char* where) {
        for (const SessionButton& b : kSessionButtons)
            EXPECT_EQ(Dimmed(a.s.*b.panel, b.ctrl), dimmed) << where << ": " << CtrlName(b.ctrl);
    }
};

TEST_F(ConnectTest, ButtonTableAndDispatch) {
    struct Case {
        int keepTransfer, dimmed;
    };
    for (const Case c : {Case{0, 1}, Case{0, 0}, Case{1, 1}, Case{1, 0}}) {
        // Start from the opposite state, so every control must be set.
        for (const SessionButton& b : kSessionButtons)
            ui.SetCtrlDimmed(a.s.*b.panel, b.ctrl, c.dimmed == 0);
        ui.SetCtrlDimmed(a.s.tpConnect, BUTTON_ACCEPT, true);
        const long dispatches = ui.dispatchCount;
        SetButtonsDimmed(a, c.keepTransfer, c.dimmed);
        EXPECT_GT(ui.dispatchCount, dispatches);
        for (const SessionButton& b : kSessionButtons) {
            const bool transfer = b.ctrl == BUTTON_GET || b.ctrl == BUTTON_SEND ||
                                  b.ctrl == RADIO_BTN_EEPROM || b.ctrl == RADIO_BTN_FILE;
            const bool expected = transfer && c.keepTransfer ? c.dimmed == 0 : c.dimmed != 0;
            EXPECT_EQ(Dimmed(a.s.*b.panel, b.ctrl), expected)
                << c.keepTransfer << c.dimmed << " " << CtrlName(b.ctrl);
        }
        EXPECT_FALSE(Dimmed(a.s.mainPanel, BUTTON_STOP));
        EXPECT_TRUE(Dimmed(a.s.tpConnect, BUTTON_ACCEPT));  // not one of them
    }
}

TEST_F(ConnectTest, SupportedFirmwareIsIdentified) {
    struct Case {
        const char* firmware;
        int type;
        const char* display;
    };
    const Case cases[] = {
        {"LUMIQUAD QX V1.5.7 ABC", 2, "LUMIQUAD QX V1.5ABC"},
        {"LUMIQUAD V4.1", 1, "LUMIQUAD V4.1"},
        {"LUMIQUAD QXR V1.0 X", 3, "LUMIQUAD QXR V1.0 X"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firmware);
        lqsim::SimConfig cfg;
        cfg.firmware = c.firmware;
        cfg.serial = 0xFFFF;
        StartSim(cfg);
        ui.popups.clear();
        Connect();
        EXPECT_EQ(a.s.sensorType, c.type);
        EXPECT_EQ(a.s.connected, 1);
        EXPECT_EQ(StatusLine(), c.display);
        EXPECT_EQ(ui.GetCtrlTooltip(a.s.dataPanel, DISPS_STATUS), c.firmware);
        EXPECT_NE(StatusBox().find(std::string(c.display) +
                                   "\nSENSOR: LUMIQUAD SIMULATOR\nSERIAL NUMBER: 65535\n\n"),
                  std::string::npos)
            << StatusBox();
        EXPECT_FALSE(Dimmed(a.s.tpConnect, BUTTON_ACCEPT));
        ExpectDimmed(false, "connected");
        ASSERT_EQ(ui.popups.size(), 1u);
        EXPECT_EQ(ui.popups[0].kind, "confirm");
        EXPECT_EQ(ui.popups[0].title, "ATTENTION!");
        EXPECT_EQ(ui.popups[0].text, DefaultParaQuestion(0));
        DisconnectFromTCPServer(a);
        server->Stop();
    }
}

TEST_F(ConnectTest, QuestionFollowsTheLanguage) {
    StartSim();
    a.s.language = 3;
    Connect();
    const auto confirms = Popups("confirm");
    ASSERT_EQ(confirms.size(), 1u);
    EXPECT_EQ(confirms[0].text, "¿Desea enviar parámetros predeterminados al sensor?");
}

TEST_F(ConnectTest, UnsupportedFirmwareOffersCloseOrOffline) {
    struct Case {
        const char* firmware;
        const char* shown;
    };
    const Case cases[] = {
        {"lumiquad qx v1.5.7 abc", "lumiquad qx v1.5"},
        {"LUMIQUAD QX V2", "LUMIQUAD QX V2."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firmware);
        lqsim::SimConfig cfg;
        cfg.firmware = c.firmware;
        StartSim(cfg);
        ui.popups.clear();
        a.s.connected = 0;
        ui.AnswerPopup(2);  // OFFLINE
        ui.Commit(a.s.tpConnect, BUTTON_TRY_TO_CONNECT);
        EXPECT_EQ(a.s.sensorType, 0);
        ASSERT_EQ(ui.popups.size(), 1u);  // no question, no failure report
        const PopupRecord& p = ui.popups[0];
        EXPECT_EQ(p.kind, "generic");
        EXPECT_EQ(p.title, "ATTENTION!");
        EXPECT_EQ(p.text, std::string("Lumiquad Talvern Kelvo doesn't support the connected "
                                      "sensor! \nFirmware of connected sensor is: ") +
                              c.shown + "\n\nClose window or work in offline mode!");
        EXPECT_EQ(p.buttons, (std::vector<std::string>{"CLOSE", "OFFLINE"}));
        EXPECT_EQ(StatusLine(), "NO SENSOR CONNECTED!");
        EXPECT_EQ(ui.quitRequested, 0);
        server->Stop();
    }
}

TEST_F(ConnectTest, SensorTextsAreShownAsWindows1252) {
    lqsim::SimConfig cfg;
    cfg.firmware = "LUMIQUAD QX V1.5.7 \x80\xe9";
    cfg.name = "\x80\x91\x92\xe9";
    StartSim(cfg);
    Connect();
    ASSERT_EQ(a.s.sensorType, 2);
    EXPECT_STREQ(a.s.sensorName, "\x80\x91\x92\xe9");  // kept as received
    EXPECT_EQ(ui.GetCtrlTooltip(a.s.dataPanel, DISPS_STATUS), "LUMIQUAD QX V1.5.7 €é");
    EXPECT_EQ(StatusLine(), "LUMIQUAD QX V1.5€é");
    EXPECT_NE(StatusBox().find("LUMIQUAD QX V1.5€é\nSENSOR: €‘’é\nSERIAL NUMBER: "),
              std::string::npos)
        << StatusBox();
    DisconnectFromTCPServer(a);
    server->Stop();

    // The firmware an unsupported sensor reports reaches its popup the same way.
    cfg.firmware = "LUMIQUAD \x84Z\x93 V1.0";
    StartSim(cfg);
    ui.popups.clear();
    a.s.connected = 0;
    ui.AnswerPopup(2);  // OFFLINE
    ui.Commit(a.s.tpConnect, BUTTON_TRY_TO_CONNECT);
    ASSERT_EQ(ui.popups.size(), 1u);
    EXPECT_NE(ui.popups[0].text.find("sensor is: LUMIQUAD „Z“ V1.0\n"), std::string::npos)
        << ui.popups[0].text;
    server->Stop();
}

TEST_F(ConnectTest, SilentSensorReportsThenOffersTheConnectionPopup) {
    lqsim::SimConfig cfg;
    cfg.fault = lqsim::Fault::Silent;
    StartSim(cfg);
    // No scripted answer: the popup's Escape button is CLOSE.
    ui.Commit(a.s.tpConnect, BUTTON_TRY_TO_CONNECT);

    EXPECT_NE(StatusBox().find(std::string(kTextTimeout) + "\n\n"), std::string::npos);
    EXPECT_EQ(StatusLine(), "TIMEOUT!");
    ASSERT_EQ(ui.popups.size(), 1u);
    EXPECT_EQ(ui.popups[0].kind, "generic");
    EXPECT_EQ(ui.popups[0].title, "ATTENTION!");
    EXPECT_EQ(ui.popups[0].text, kNoConnection);
    EXPECT_EQ(ui.popups[0].buttons, (std::vector<std::string>{"CLOSE", "OFFLINE"}));
    // CLOSE asks the event loop to end; nothing goes offline.
    EXPECT_EQ(ui.quitRequested, 1);
    EXPECT_EQ(StatusBox().find("NO SENSOR CONNECTED!"), std::string::npos);
    EXPECT_EQ(a.s.connected, 0);
    ExpectDimmed(true, "after CLOSE");
}

TEST_F(ConnectTest, UnreachableServerLeavesOfflineWithFileTransfersOnly) {
    int port = 0;
    {
        ScriptPeer gone;  // a port that nobody listens on any more
        port = gone.Port();
    }
    UseTcp(port);
    ui.AnswerPopup(2);  // OFFLINE
    ui.Commit(a.s.tpConnect, BUTTON_TRY_TO_CONNECT);

    ASSERT_EQ(ui.popups.size(), 1u);
    EXPECT_EQ(ui.popups[0].text, kNoConnection);
    EXPECT_EQ(ui.quitRequested, 0);
    EXPECT_EQ(a.s.connected, 0);
    EXPECT_EQ(a.s.transferTarget, TARGET_FILE);
    EXPECT_EQ(ui.GetCtrlValInt(a.s.mainPanel, RADIO_BTN_FILE), 1);
    EXPECT_EQ(ui.GetCtrlValInt(a.s.mainPanel, RADIO_BTN_EEPROM), 0);
    EXPECT_EQ(StatusLine(), "NO SENSOR CONNECTED!");
    EXPECT_NE(StatusBox().find("NO SENSOR CONNECTED!\n\n"), std::string::npos);
    for (const SessionButton& b : kSessionButtons) {
        const bool usable = b.ctrl == BUTTON_TRY_TO_CONNECT || b.ctrl == EDIT_SELECT_BAUDRATE ||
                            b.ctrl == BUTTON_GET || b.ctrl == BUTTON_SEND;
        EXPECT_EQ(Dimmed(a.s.*b.panel, b.ctrl), !usable) << CtrlName(b.ctrl);
    }
}

TEST_F(ConnectTest, FailureAfterIdentificationLeavesEverythingDimmed) {
    struct Case {
        const char* what;
        bool yes;
        int faultEvery;  // 7, 15, then the first request that must fail
    };
    const Case cases[] = {
        {"default send", true, 3},
        {"parameter read", false, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        lqsim::SimConfig cfg;
        cfg.fault = lqsim::Fault::Silent;
        cfg.faultEvery = c.faultEvery;
        StartSim(cfg);
        ui.popups.clear();
        Connect(c.yes);
        EXPECT_EQ(a.s.connected, 0);
        EXPECT_EQ(Popups("generic").size(), 0u);  // no connection popup
        EXPECT_TRUE(Dimmed(a.s.tpConnect, BUTTON_ACCEPT));
        ExpectDimmed(true, c.what);
        EXPECT_EQ(StatusLine(), "TIMEOUT!");
        DisconnectFromTCPServer(a);
        server->Stop();
    }
}

TEST_F(ConnectTest, AfterDisconnectDefaultsGoToRamOnly) {
    StartSim();
    ConnectOk();
    ui.Commit(a.s.tpConnect, BUTTON_DISCONNECT);
    EXPECT_EQ(a.s.tcpOpen, 0);
    EXPECT_EQ(a.s.transferTarget, TARGET_FILE);

    const ParaBlock eepromBefore = sensor->Eeprom();
    sensor->ClearRequests();
    Connect(/*yes=*/true);
    ASSERT_EQ(a.s.connected, 1) << StatusBox();
    EXPECT_EQ(Seen(), (std::vector<std::vector<int>>{
                          {7, 0, 0}, {15, 0, 0}, {1, 0, 52}, {1, 2, 512}, {2, 0, 0}, {2, 2, 0}}));
    ParaBlock defaults;
    TeachTable teachDefaults;
    LoadDefaultParaValues(defaults, teachDefaults, 1);
    EXPECT_EQ(sensor->Ram().w, defaults.w);
    EXPECT_EQ(sensor->Eeprom().w, eepromBefore.w);
    EXPECT_EQ(a.para.w, defaults.w);
}

TEST_F(ConnectTest, YesAtStartStoresTheDefaultsInTheEeprom) {
    StartSim();
    Connect(/*yes=*/true);
    ASSERT_EQ(a.s.connected, 1);
    EXPECT_EQ(Seen(), (std::vector<std::vector<int>>{{7, 0, 0},
                                                     {15, 0, 0},
                                                     {1, 0, 52},
                                                     {1, 2, 512},
                                                     {3, 0, 0},
                                                     {4, 0, 0},
                                                     {2, 0, 0},
                                                     {2, 2, 0}}));
    EXPECT_EQ(sensor->Eeprom().w, a.para.w);
}

TEST_F(ConnectTest, LongSensorNameIsCutAndTerminated) {
    ScriptPeer peer;
    peer.Set(7, ScriptPeer::Text("LUMIQUAD QX V1.5.7 ABC"));
    peer.Set(15, ScriptPeer::Text(std::string(300, 'N'), 12));
    peer.Set(2, ScriptPeer::Answer{});
    UseTcp(peer.Port());
    Connect();
    EXPECT_EQ(std::strlen(a.s.sensorName), 255u);
    EXPECT_NE(StatusBox().find("\nSENSOR: " + std::string(255, 'N') + "\nSERIAL NUMBER: 12\n\n"),
              std::string::npos);
    DisconnectFromTCPServer(a);
}

}  // namespace
}  // namespace lq::test
