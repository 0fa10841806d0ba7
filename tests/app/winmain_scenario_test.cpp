// The whole program from WinMain to its return, against the simulated sensor
// behind COM1 (a pseudo-terminal linked as <program dir>/ttyS0): the first
// start without a settings file, a start-up connection that fails after the
// identification, and closing the window while the live loop runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "app/winmain.h"
#include "sim/simulator.h"
#include "tests/support/program_fixture.h"

namespace lq {
namespace {

constexpr int kConfirmNo = 0;
constexpr int kConfirmYes = 1;

class WinMainScenario : public ProgramTest {
  protected:
    void StartSensor(lqsim::SimConfig config = {}) {
        sensor = std::make_unique<lqsim::Sensor>(config);
        pty = std::make_unique<lqsim::PtyServer>(*sensor);
        ASSERT_TRUE(pty->Start());
        ASSERT_TRUE(pty->Link(dir + "/ttyS0"));  // COM1
    }
    void TearDown() override {
        if (pty) pty->Stop();
        ProgramTest::TearDown();
    }

    // Runs `fn` in the first pass of the program's own event loop (after
    // start-up), or, with `until`, in the first dispatch from then on where
    // that holds.
    void InTheLoop(std::function<void()> fn, std::function<bool()> until = nullptr) {
        tp.onLoopStart = [this, fn, until] { EachDispatchUntil(fn, until); };
    }
    void EachDispatchUntil(std::function<void()> fn, std::function<bool()> until) {
        tp.Queue([this, fn, until] {
            if (until && !until()) {
                EachDispatchUntil(fn, until);
                return;
            }
            fn();
        });
    }

    int CountOrder(int order) const {
        int n = 0;
        for (const lqsim::SeenRequest& r : sensor->Requests()) n += r.order == order;
        return n;
    }
    std::string SettingsFile() const {
        std::ifstream in(dir + "/PanelSettings.cfg", std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    bool Dimmed(int panel, int ctrl) { return tp.Ctl(panel, ctrl).dimmed; }

    std::unique_ptr<lqsim::Sensor> sensor;
    std::unique_ptr<lqsim::PtyServer> pty;
};

TEST_F(WinMainScenario, FirstStartUsesTheDefaultLinkConnectsAtOnceAndTheCloseBoxStores) {
    StartSensor();
    ASSERT_FALSE(std::filesystem::exists(dir + "/PanelSettings.cfg"));
    tp.AnswerPopup(kConfirmNo);  // no default parameters
    int ordersBeforeTheLoop = -1;
    InTheLoop([&] {
        ordersBeforeTheLoop = static_cast<int>(sensor->Requests().size());
        tp.PanelEvent(a.s.mainPanel, EVENT_CLOSE);
    });

    EXPECT_EQ(WinMain(a), 0);

    // RS-232 on COM 1 at baud-rate index 4, port "5000", German.
    EXPECT_EQ(a.s.link.protocol, PROTOCOL_RS232);
    EXPECT_EQ(a.s.link.comPort, 1);
    EXPECT_EQ(a.s.link.baudIndex, 4);
    EXPECT_STREQ(a.s.link.host, "");
    EXPECT_STREQ(a.s.link.tcpPortText, "5000");
    EXPECT_EQ(a.s.language, 0);
    EXPECT_EQ(tp.Ctl(a.s.tpConnect, EDIT_SELECT_BAUDRATE).value, 4);
    EXPECT_EQ(tp.Ctl(a.s.tpConnect, STRING_PORT_NUMBER).text, "5000");
    // The window kept the resource's place and size.
    EXPECT_EQ(tp.PanelOf(a.s.mainPanel)->width, 1014);
    EXPECT_EQ(tp.PanelOf(a.s.mainPanel)->height, 690);

    // The sensor was identified and read during start-up, before the loop ran:
    // firmware, name, EEPROM load, parameter block, teach table.
    EXPECT_EQ(ordersBeforeTheLoop, 5);
    ASSERT_GE(sensor->Requests().size(), 2u);
    EXPECT_EQ(sensor->Requests()[0].order, 7);
    EXPECT_EQ(sensor->Requests()[1].order, 15);
    EXPECT_EQ(a.s.connected, 1);
    EXPECT_FALSE(Dimmed(a.s.mainPanel, BUTTON_GO));
    EXPECT_FALSE(Dimmed(a.s.tpConnect, BUTTON_ACCEPT));
    ASSERT_EQ(tp.popups.size(), 1u);  // only the default-parameter question
    EXPECT_EQ(tp.popups[0].text, "Moechten Sie Default Parameter zum Sensor senden?");

    // The close box wrote the settings: the defaults the program started with.
    const std::string file = SettingsFile();
    for (const char* line :
         {"FILE TYPE: = \"Panel Settings\"", "SELECTED LANGUAGE = 0", "COMPROTOCOL = 0",
          "COMPORT = 1", "BAUDRATE = 4", "PORT NUMBER = \"5000\""})
        EXPECT_NE(file.find(line), std::string::npos) << line << "\n" << file;
    EXPECT_TRUE(tp.PanelOf(a.s.mainPanel)->discarded);
}

// Only a connect sequence that got through releases ACCEPT SETTINGS: it is
// dimmed from the start, also while the start-up question is open.
TEST_F(WinMainScenario, AcceptSettingsIsDimmedUntilTheStartUpConnectionSucceeds) {
    StartSensor();
    std::vector<bool> dimmedAtPopup;
    tp.popupHandler = [&](PopupRecord&) {
        dimmedAtPopup.push_back(Dimmed(a.s.tpConnect, BUTTON_ACCEPT));
        return -1;  // the scripted answer follows
    };
    tp.AnswerPopup(kConfirmNo);
    bool dimmedInTheLoop = true;
    InTheLoop([&] {
        dimmedInTheLoop = Dimmed(a.s.tpConnect, BUTTON_ACCEPT);
        tp.PanelEvent(a.s.mainPanel, EVENT_CLOSE);
    });
    EXPECT_EQ(WinMain(a), 0);
    EXPECT_EQ(dimmedAtPopup, std::vector<bool>{true});
    EXPECT_FALSE(dimmedInTheLoop);
}

TEST_F(WinMainScenario, AcceptSettingsStaysDimmedWhenTheStartUpConnectionFails) {
    // No sensor behind COM1: the connection popup follows; OFFLINE (button 2).
    std::vector<bool> dimmedAtPopup;
    tp.popupHandler = [&](PopupRecord&) {
        dimmedAtPopup.push_back(Dimmed(a.s.tpConnect, BUTTON_ACCEPT));
        return -1;
    };
    tp.AnswerPopup(2);
    bool dimmedInTheLoop = false;
    InTheLoop([&] {
        dimmedInTheLoop = Dimmed(a.s.tpConnect, BUTTON_ACCEPT);
        tp.PanelEvent(a.s.mainPanel, EVENT_CLOSE);
    });
    EXPECT_EQ(WinMain(a), 0);
    ASSERT_FALSE(dimmedAtPopup.empty());
    for (bool d : dimmedAtPopup) EXPECT_TRUE(d);
    EXPECT_TRUE(dimmedInTheLoop);
}

// A failure report after the identification (during the default-parameter
// send or the parameter read) leaves connected 0, so InitAll's last step does
// not release the session buttons, and no connection popup follows.
struct LateFailure {
    const char* what;
    int answer;          // to the default-parameter question
    int plausibility;    // forced count on orders 1 and 4
    lqsim::Fault fault;  // and the request it hits
    int faultEvery;
};
const LateFailure kLateFailures[] = {
    {"plausibility report on the default send", kConfirmYes, 3, lqsim::Fault::None, 1},
    {"parameter read times out", kConfirmNo, -1, lqsim::Fault::Silent, 4},
};

class LateFailureTest : public WinMainScenario,
                        public ::testing::WithParamInterface<LateFailure> {};

TEST_P(LateFailureTest, LeavesTheSessionButtonsDimmed) {
    const LateFailure& c = GetParam();
    lqsim::SimConfig config;
    config.plausibility = c.plausibility;
    config.fault = c.fault;
    config.faultEvery = c.faultEvery;
    StartSensor(config);
    tp.AnswerPopup(c.answer);
    bool checked = false;
    InTheLoop([&] {
        EXPECT_EQ(a.s.connected, 0);
        for (int ctrl :
             {BUTTON_GO, BUTTON_FREQ, BUTTON_GET, BUTTON_SEND, RADIO_BTN_EEPROM, RADIO_BTN_FILE})
            EXPECT_TRUE(Dimmed(a.s.mainPanel, ctrl)) << CtrlName(static_cast<Ctrl>(ctrl));
        for (int ctrl :
             {BUTTON_TRY_TO_CONNECT, BUTTON_DISCONNECT, EDIT_SELECT_BAUDRATE, BUTTON_ACCEPT})
            EXPECT_TRUE(Dimmed(a.s.tpConnect, ctrl)) << CtrlName(static_cast<Ctrl>(ctrl));
        EXPECT_TRUE(Dimmed(a.s.tpAssist, BUTTON_START));
        EXPECT_EQ(tp.Ctl(a.s.dataPanel, DISPS_STATUS).text, "TIMEOUT!");
        EXPECT_EQ(tp.Ctl(a.s.mainPanel, TAB_MAIN1).activePage, 0);  // CONNECT
        checked = true;
        tp.PanelEvent(a.s.mainPanel, EVENT_CLOSE);
    });

    EXPECT_EQ(WinMain(a), 0);
    EXPECT_TRUE(checked);
    ASSERT_EQ(tp.popups.size(), 1u);  // the question; no CLOSE/OFFLINE popup
    EXPECT_EQ(tp.popups[0].title, "ATTENTION!");
    EXPECT_EQ(tp.popups[0].kind, "confirm");
}

INSTANTIATE_TEST_SUITE_P(StartUp, LateFailureTest, ::testing::ValuesIn(kLateFailures));

// The close event stores the settings at once and clears `running`; the live
// loop lets the exchange that waits finish (answered or timed out), starts no
// further request, and then the event loop and the program end.
class CloseDuringLiveTest : public WinMainScenario, public ::testing::WithParamInterface<bool> {
  protected:
    // The panel's events, counting the live records shown.
    struct CountingScreen : ScreenEvents {
        using ScreenEvents::ScreenEvents;
        int shown = 0;
        void ShowLiveRecord(const LiveRecord& record) override {
            ScreenEvents::ShowLiveRecord(record);
            ++shown;
        }
    };
    CountingScreen counting{a};
    void SetUp() override {
        WinMainScenario::SetUp();
        a.events = &counting;
    }
};

TEST_P(CloseDuringLiveTest, StoresAtOnceLetsTheExchangeFinishThenEnds) {
    const bool sensorAnswers = GetParam();
    StartSensor();
    tp.AnswerPopup(kConfirmNo);
    // The close box, inside the wait of the third live request; without an
    // answer that request is the one the sensor leaves unanswered.
    constexpr int kStartUpRequests = 5;  // firmware, name, EEPROM load, two reads
    constexpr int kLiveBeforeClose = 2;  // answered before the close
    if (!sensorAnswers) sensor->SetFault(lqsim::Fault::Silent, kStartUpRequests + 3);
    int& shown = counting.shown;
    bool storedAtClose = false;
    double closedAt = -1;
    int shownAtClose = -1;
    const auto closeBox = [&] {
        // Only the live loop's exchange waits dispatch while running is 1.
        ASSERT_EQ(a.s.running, 1);
        shownAtClose = shown;
        closedAt = tp.now;
        tp.PanelEvent(a.s.mainPanel, EVENT_CLOSE);
        storedAtClose = std::filesystem::exists(dir + "/PanelSettings.cfg");
        EXPECT_EQ(a.s.running, 0);
    };
    InTheLoop([&] {
        EachDispatchUntil(closeBox, [&] { return a.s.running == 1 && shown >= kLiveBeforeClose; });
        tp.Commit(a.s.mainPanel, BUTTON_GO);  // returns when the live loop has ended
        EXPECT_EQ(shown, shownAtClose + (sensorAnswers ? 1 : 0));
    });

    EXPECT_EQ(WinMain(a), 0);

    EXPECT_TRUE(storedAtClose);
    // The waiting request was the last one.
    EXPECT_EQ(CountOrder(8), shownAtClose + 1);
    EXPECT_EQ(tp.quitRequested, 1);
    EXPECT_TRUE(tp.PanelOf(a.s.mainPanel)->discarded);
    if (sensorAnswers) {
        EXPECT_EQ(a.s.connected, 1);
        EXPECT_NE(tp.Ctl(a.s.dataPanel, DISPS_STATUS).text, "TIMEOUT!");
    } else {
        // The waiting exchange ran into its 3-second limit on the fake clock.
        EXPECT_EQ(a.s.connected, 0);
        EXPECT_GE(tp.now - closedAt, 3.0);
        EXPECT_EQ(tp.Ctl(a.s.dataPanel, DISPS_STATUS).text, "TIMEOUT!");
    }
}

INSTANTIATE_TEST_SUITE_P(LiveLoop, CloseDuringLiveTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Answered" : "TimedOut"; });

}  // namespace
}  // namespace lq
