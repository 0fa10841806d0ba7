// The console platform in-process: its event loop, and the session's own
// connection sequence run through its control store.
#include "cli/console_platform.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/core/session_state.h"
#include "link/link.h"
#include "session/identify.h"
#include "session/session.h"
#include "sim/simulator.h"
#include "ui/screen_events.h"

namespace lq::test {
namespace {

TEST(ConsolePlatform, WatchesRunFromDispatchUntilRemoved) {
    cli::ConsolePlatform ui;
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    int calls = 0;
    const int id = ui.AddFdWatch(fds[0], [&] {
        char c;
        if (read(fds[0], &c, 1) == 1) ++calls;
    });
    ASSERT_GT(id, 0);
    ui.ProcessSystemEvents();
    EXPECT_EQ(0, calls);
    ASSERT_EQ(1, write(fds[1], "x", 1));
    ui.WaitForEvents(30.0);  // returns as soon as the byte is there
    EXPECT_EQ(1, calls);
    ui.RemoveFdWatch(id);
    ASSERT_EQ(1, write(fds[1], "y", 1));
    ui.ProcessSystemEvents();
    EXPECT_EQ(1, calls);
    close(fds[0]);
    close(fds[1]);
}

TEST(ConsolePlatform, StoreKeepsValuesAndTheTextBoxGrows) {
    cli::ConsolePlatform ui;
    const int main = ui.LoadPanel(0, "", MAINP);
    const int connect = ui.GetPanelHandleFromTabPage(main, TAB_MAIN1, 0);
    ASSERT_GT(connect, 0);
    EXPECT_NE(connect, main);
    std::vector<std::string> appended;
    ui.onTextBoxAppend = [&](int, int, std::string_view t) { appended.emplace_back(t); };

    ui.SetCtrlVal(connect, STRING_IP_ADRESS, std::string_view("10.0.0.1"));
    ui.SetCtrlVal(connect, STRING_IP_ADRESS, std::string_view("10.0.0.2"));
    ui.SetCtrlVal(connect, EDIT_TEXT_BOX_STATUS, std::string_view("A\n"));
    ui.SetCtrlVal(connect, EDIT_TEXT_BOX_STATUS, std::string_view("B\n"));
    ui.SetCtrlVal(connect, EDIT_SELECT_BAUDRATE, 6.0);
    EXPECT_EQ("10.0.0.2", ui.GetCtrlValString(connect, STRING_IP_ADRESS));
    EXPECT_EQ("A\nB\n", ui.GetCtrlValString(connect, EDIT_TEXT_BOX_STATUS));
    EXPECT_EQ((std::vector<std::string>{"A\n", "B\n"}), appended);
    EXPECT_EQ(6, ui.GetCtrlValInt(connect, EDIT_SELECT_BAUDRATE));
    EXPECT_EQ(0, ui.GetCtrlValInt(main, EDIT_SELECT_BAUDRATE));  // another panel
}

// What the operator types on the CONNECT page is what TryToConnect uses.
TEST(ConsolePlatform, TheSessionsConnectionSequenceRunsOnTheConnectPageStore) {
    lqsim::Sensor sensor;
    lqsim::TcpServer server(sensor);
    ASSERT_TRUE(server.Start());
    ParaBlock p;
    TeachTable t;
    LoadDefaultParaValues(p, t, 1);
    p[POWER] = 900;
    sensor.SetRam(p, t);

    cli::ConsolePlatform ui;
    ui.messages = nullptr;
    ui.confirmAnswer = 0;  // no defaults
    ScreenApp a(ui);
    a.s.mainPanel = ui.LoadPanel(0, "", MAINP);
    a.s.dataPanel = ui.LoadPanel(0, "", DATAP);
    a.s.tpConnect = ui.GetPanelHandleFromTabPage(a.s.mainPanel, TAB_MAIN1, 0);
    a.s.tpAssist = ui.GetPanelHandleFromTabPage(a.s.mainPanel, TAB_MAIN1, 1);
    a.s.transferTarget = TARGET_FILE;  // read the RAM as it is
    ui.SetCtrlVal(a.s.tpConnect, EDIT_COM_PROTOCOL, 1.0);
    ui.SetCtrlVal(a.s.tpConnect, STRING_IP_ADRESS, std::string_view("127.0.0.1"));
    const std::string port = std::to_string(server.Port());
    ui.SetCtrlVal(a.s.tpConnect, STRING_PORT_NUMBER, std::string_view(port));

    TryToConnect(a);
    EXPECT_EQ(1, a.s.connected);
    EXPECT_EQ(1, ui.confirmsAsked);
    EXPECT_EQ(900, a.para[POWER]);
    EXPECT_FALSE(ui.GetCtrlDimmed(a.s.tpConnect, BUTTON_ACCEPT));
    EXPECT_NE(
        std::string::npos,
        ui.GetCtrlValString(a.s.tpConnect, EDIT_TEXT_BOX_STATUS).find("\nSERIAL NUMBER: 4711"));

    // The identification on its own asks nothing and reads nothing more.
    sensor.ClearRequests();
    EXPECT_EQ(1, IdentifySensor(a));
    EXPECT_EQ(2u, sensor.Requests().size());
    EXPECT_EQ(1, ui.confirmsAsked);
    EXPECT_STREQ("LUMIQUAD SIMULATOR", a.s.sensorName);
    DisconnectFromTCPServer(a);
}

}  // namespace
}  // namespace lq::test
