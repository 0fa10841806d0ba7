// The live loop and the cycle-time measurement against a sensor on the
// loopback interface.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "data/para.h"
#include "session/session.h"
#include "tests/session/fixture.h"
#include "tests/session/script_peer.h"
#include "ui/paramfile.h"

namespace lq::test {
namespace {

using Requests = std::vector<std::vector<int>>;

class LiveTest : public SimTest {
  protected:
    // Presses STOP inside the wait of the n-th live request.
    void StopAtLive(int n) {
        EachDispatch([this, n] {
            if (CountOrder(8) < n) return false;
            ui.Commit(a.s.mainPanel, BUTTON_STOP);
            return true;
        });
    }
    void Go() { ui.Commit(a.s.mainPanel, BUTTON_GO); }
    void QueueRecord(int16_t r, int16_t g, int16_t b, int16_t x, int16_t y, int16_t in,
                     int16_t colour) {
        const int16_t w[21] = {r, g, b, x, y, in, 0, colour};
        sensor->QueueLiveRecord(w);
    }
};

TEST_F(LiveTest, RecordIsShownAndStopStillShowsTheWaitingAnswer) {
    StartSim();
    ConnectOk();
    for (size_t i = 0; i < a.rgb.v.size(); ++i) a.rgb.v[i] = static_cast<double>(i + 1);
    QueueRecord(100, 200, 300, 1500, -20, 4000, 3);
    StopAtLive(1);  // STOP arrives while the first request waits
    Go();

    EXPECT_EQ(CountOrder(8), 1);
    EXPECT_EQ(a.s.running, 0);
    const std::pair<int, double> shown[] = {{DISP_X, 1500}, {DISP_Y, -20},  {DISP_INT, 4000},
                                            {DISP_C_No, 3}, {BAR_RED, 100}, {BAR_GREEN, 200},
                                            {BAR_BLUE, 300}};
    for (auto [ctrl, value] : shown)
        EXPECT_EQ(ui.Ctl(a.s.dataPanel, ctrl).value, value) << CtrlName(static_cast<Ctrl>(ctrl));
    EXPECT_EQ(a.rgb.v[296], 300.0);  // the previous newest moved three places
    EXPECT_EQ(a.rgb.v[297], 100.0);
    EXPECT_EQ(a.rgb.v[298], 200.0);
    EXPECT_EQ(a.rgb.v[299], 300.0);
    EXPECT_EQ(ui.Ctl(a.s.dataPanel, GRAPH_X_Y).cursors.at(0), std::make_pair(1500.0, -20.0));
    // The loop released the buttons when it ended.
    EXPECT_FALSE(Dimmed(a.s.mainPanel, BUTTON_GO));
    EXPECT_FALSE(Dimmed(a.s.tpConnect, BUTTON_TRY_TO_CONNECT));
}

TEST_F(LiveTest, ButtonsDuringTheLoop) {
    StartSim();
    ConnectOk();
    bool checked = false;
    EachDispatch([&] {
        if (CountOrder(8) < 1) return false;
        // GO, FREQ and the connection buttons are locked; the transfer stays usable.
        EXPECT_TRUE(Dimmed(a.s.mainPanel, BUTTON_GO));
        EXPECT_TRUE(Dimmed(a.s.mainPanel, BUTTON_FREQ));
        EXPECT_TRUE(Dimmed(a.s.tpConnect, BUTTON_TRY_TO_CONNECT));
        EXPECT_TRUE(Dimmed(a.s.tpAssist, BUTTON_START));
        EXPECT_FALSE(Dimmed(a.s.mainPanel, BUTTON_SEND));
        EXPECT_FALSE(Dimmed(a.s.mainPanel, BUTTON_GET));
        EXPECT_FALSE(Dimmed(a.s.mainPanel, RADIO_BTN_FILE));
        checked = true;
        ui.Commit(a.s.mainPanel, BUTTON_STOP);
        return true;
    });
    Go();
    EXPECT_TRUE(checked);
}

TEST_F(LiveTest, HistoryKeepsTheLast100Records) {
    StartSim();
    ConnectOk();
    QueueRecord(4000, 4001, 4002, 1, 2, 3, 0);  // the oldest of 101
    for (int16_t i = 1; i <= 100; ++i) QueueRecord(i, i, i, 1, 2, 3, 0);
    StopAtLive(101);
    Go();
    ASSERT_EQ(CountOrder(8), 101);
    EXPECT_EQ(std::count(a.rgb.v.begin(), a.rgb.v.end(), 4000.0), 0);
    for (int k = 0; k < 100; ++k) EXPECT_EQ(a.rgb.v[3 * k], k + 1.0) << k;
    EXPECT_EQ(ui.Ctl(a.s.dataPanel, GRAPH_RGB).pointsPerScreen, 101);
}

TEST_F(LiveTest, SendAndGetPressedDuringTheLoopRunBetweenRequestsSendFirst) {
    StartSim();
    ConnectOk();
    int phase = 0;
    EachDispatch([&] {
        if (phase == 0 && CountOrder(8) >= 1) {
            ui.Commit(a.s.mainPanel, BUTTON_GET);  // pressed first, still runs second
            ui.Commit(a.s.mainPanel, BUTTON_SEND);
            EXPECT_EQ(a.s.sendPending, 1);
            EXPECT_EQ(a.s.getPending, 1);
            phase = 1;
        }
        if (phase == 1 && CountOrder(8) >= 2) {
            ui.Commit(a.s.mainPanel, BUTTON_STOP);
            return true;
        }
        return false;
    });
    Go();
    EXPECT_EQ(Seen(), (Requests{{8, 0, 0},
                                {1, 0, 52},
                                {1, 2, 512},
                                {3, 0, 0},
                                {4, 0, 0},
                                {2, 0, 0},
                                {2, 2, 0},
                                {8, 0, 0}}));
    EXPECT_EQ(a.s.sendPending, 0);
    EXPECT_EQ(a.s.getPending, 0);
}

TEST_F(LiveTest, PlausibilityMessageOfADeferredSendEndsTheLoop) {
    lqsim::SimConfig cfg;
    cfg.plausibility = 1;  // every write resets one parameter
    StartSim(cfg);
    ConnectOk();
    EachDispatch([&] {
        if (CountOrder(8) < 1) return false;
        ui.Commit(a.s.mainPanel, BUTTON_SEND);
        return true;
    });
    Go();
    // The send ran in full, then the loop ended without another live request.
    EXPECT_EQ(Seen(), (Requests{{8, 0, 0}, {1, 0, 52}, {1, 2, 512}, {3, 0, 0}}));
    EXPECT_EQ(a.s.running, 0);
    EXPECT_EQ(StatusLine(), "TIMEOUT!");
    EXPECT_FALSE(Dimmed(a.s.mainPanel, BUTTON_GO));
}

TEST_F(LiveTest, FileSendDuringTheLoopRunsAtOnce) {
    // The parameter-file dialogue comes from the file layer; without it
    // there is nothing to see.
    SendParaToFile(a);
    if (Popups("file").empty()) GTEST_SKIP() << "parameter-file operations not built in";
    ui.popups.clear();
    StartSim();
    ConnectOk();
    ui.Operate(a.s.mainPanel, RADIO_BTN_FILE, 1.0);
    ASSERT_EQ(a.s.transferTarget, TARGET_FILE);
    size_t filePopupsDuringLoop = 0;
    EachDispatch([&] {
        if (CountOrder(8) < 1) return false;
        ui.SetCtrlVal(a.s.mainPanel, EDIT_AVERAGE, 1024.0);
        ui.Commit(a.s.mainPanel, BUTTON_SEND);  // the file dialogue is cancelled
        filePopupsDuringLoop = Popups("file").size();
        EXPECT_EQ(a.para[AVERAGE], 1024);
        ui.Commit(a.s.mainPanel, BUTTON_STOP);
        return true;
    });
    Go();
    EXPECT_EQ(filePopupsDuringLoop, 1u);
    EXPECT_EQ(a.s.sendPending, 0);
    EXPECT_EQ(CountOrder(1), 0);
}

TEST_F(LiveTest, ConnectPageEndsTheLoopAndKeepsAcceptDimmed) {
    StartSim();
    ConnectOk();
    ASSERT_FALSE(Dimmed(a.s.tpConnect, BUTTON_ACCEPT));
    EachDispatch([&] {
        if (CountOrder(8) < 1) return false;
        ui.ChangeTab(a.s.mainPanel, TAB_MAIN1, 0);
        return true;
    });
    Go();
    EXPECT_EQ(CountOrder(8), 1);
    EXPECT_EQ(a.s.running, 0);
    EXPECT_TRUE(Dimmed(a.s.tpConnect, BUTTON_ACCEPT));
    // Back to the assistant page does not restart it.
    ui.ChangeTab(a.s.mainPanel, TAB_MAIN1, 1);
    EXPECT_EQ(CountOrder(8), 1);
}

TEST_F(LiveTest, FailedLiveRequestEndsTheLoopKeepingTheLastRecord) {
    StartSim();
    ConnectOk();
    QueueRecord(10, 20, 30, 1234, 2345, 3456, 5);
    sensor->SetFault(lqsim::Fault::BadData, 2);
    Go();
    EXPECT_EQ(a.s.running, 0);
    EXPECT_EQ(a.s.connected, 0);
    EXPECT_EQ(ui.Ctl(a.s.dataPanel, DISP_X).value, 1234);
    EXPECT_NE(StatusBox().find(kTextBadData), std::string::npos);
    EXPECT_FALSE(Dimmed(a.s.mainPanel, BUTTON_GO));
}

// Cycle time with a scripted sensor that answers a given count and time.
class CycleTest : public SessionTest {};

TEST_F(CycleTest, FrequencyAndItsPrecision) {
    struct Case {
        int32_t count, time;
        double shown;
        int precision;
    };
    const Case cases[] = {
        {5000, 100, 5000.0, 0}, {250, 100, 250.0, 1},   {1, 200, 0.5, 2},
        {1001, 100, 1001.0, 0}, {1000, 100, 1000.0, 1}, {101, 10000, 1.01, 1},
        {100, 10000, 1.0, 2},   {7, 0, 0.0, 2},  // no time measured: shown as 0, no division
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        ScriptPeer peer;
        peer.Set(105, ScriptPeer::CycleTime(c.count, c.time));
        UseTcp(peer.Port());
        a.s.link.protocol = PROTOCOL_TCPIP;
        CopyText(a.s.link.host, "127.0.0.1");
        a.s.link.tcpPort = peer.Port();
        InitTCP_IP(a);
        ASSERT_GE(a.s.linkResult, 0);
        ui.Commit(a.s.mainPanel, BUTTON_FREQ);
        EXPECT_DOUBLE_EQ(ui.Ctl(a.s.mainPanel, DISP_CYCLE_TIME_HZ).value, c.shown);
        EXPECT_EQ(ui.GetCtrlPrecision(a.s.mainPanel, DISP_CYCLE_TIME_HZ), c.precision);
        EXPECT_EQ(peer.Orders(), std::vector<int>{105});
        EXPECT_FALSE(Dimmed(a.s.mainPanel, BUTTON_FREQ));
        DisconnectFromTCPServer(a);
    }
}

TEST_F(CycleTest, FailedRequestShowsZeroWithTwoDecimals) {
    ScriptPeer peer;
    ScriptPeer::Answer silent;
    silent.silent = true;
    peer.Set(105, silent);
    CopyText(a.s.link.host, "127.0.0.1");
    a.s.link.protocol = PROTOCOL_TCPIP;
    a.s.link.tcpPort = peer.Port();
    InitTCP_IP(a);
    ASSERT_GE(a.s.linkResult, 0);
    a.s.cycleFrequency = 123.0;
    ui.SetCtrlVal(a.s.mainPanel, DISP_CYCLE_TIME_HZ, 123.0);
    GetCycleTime(a);
    EXPECT_EQ(a.s.cycleFrequency, 0.0);
    EXPECT_EQ(ui.Ctl(a.s.mainPanel, DISP_CYCLE_TIME_HZ).value, 0.0);
    EXPECT_EQ(ui.GetCtrlPrecision(a.s.mainPanel, DISP_CYCLE_TIME_HZ), 2);
    EXPECT_EQ(StatusLine(), "TIMEOUT!");
    DisconnectFromTCPServer(a);
}

}  // namespace
}  // namespace lq::test
