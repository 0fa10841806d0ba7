// A fresh application with its panels on the test double for every case, and
// helpers to point it at a sensor on the loopback interface.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/platform.h"
#include "app/core/session_state.h"
#include "app/winmain.h"
#include "link/link.h"
#include "sim/simulator.h"
#include "tests/support/test_platform.h"
#include "ui/callbacks.h"
#include "ui/screen_events.h"

namespace lq::test {

class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ui.SetCallbackResolver(&ProgramCallbacks(), &a);
        ASSERT_EQ(0, LoadProgramPanels(a, TestUirPath()));
    }

    // The CONNECT page set to TCP/IP on 127.0.0.1:port.
    void UseTcp(int port) {
        ui.SetCtrlVal(a.s.tpConnect, EDIT_COM_PROTOCOL, 1.0);
        ui.SetCtrlVal(a.s.tpConnect, STRING_IP_ADRESS, std::string_view("127.0.0.1"));
        const std::string text = std::to_string(port);
        ui.SetCtrlVal(a.s.tpConnect, STRING_PORT_NUMBER, std::string_view(text));
    }

    std::string StatusBox() { return ui.Ctl(a.s.tpConnect, EDIT_TEXT_BOX_STATUS).text; }
    std::string StatusLine() { return ui.Ctl(a.s.dataPanel, DISPS_STATUS).text; }
    bool Dimmed(int panel, int ctrl) { return ui.GetCtrlDimmed(panel, ctrl); }

    // Runs `fn` in every dispatch until it returns true (gives up, failing
    // the test, when it never does).
    void EachDispatch(std::function<bool()> fn, long limit = 2000000) {
        ui.Queue([this, fn, limit] {
            if (fn()) return;
            if (limit <= 0) {
                ADD_FAILURE() << "condition never met";
                return;
            }
            EachDispatch(fn, limit - 1);
        });
    }

    // The popups of one kind, in order.
    std::vector<PopupRecord> Popups(const std::string& kind) {
        std::vector<PopupRecord> out;
        for (const PopupRecord& p : ui.popups)
            if (p.kind == kind) out.push_back(p);
        return out;
    }

    TestPlatform ui;
    ScreenApp a{ui};
};

// The same with the simulated sensor served over TCP.
class SimTest : public SessionTest {
  protected:
    void StartSim(lqsim::SimConfig config = {}) {
        sensor = std::make_unique<lqsim::Sensor>(config);
        server = std::make_unique<lqsim::TcpServer>(*sensor);
        ASSERT_TRUE(server->Start());
        UseTcp(server->Port());
    }
    // TRY TO CONNECT, answering the default-parameter question with `yes`.
    void Connect(bool yes = false) {
        ui.AnswerPopup(yes ? 1 : 0);
        ui.Commit(a.s.tpConnect, BUTTON_TRY_TO_CONNECT);
    }
    void ConnectOk() {
        Connect();
        ASSERT_EQ(a.s.connected, 1) << StatusBox();
        sensor->ClearRequests();
    }
    int CountOrder(int order) {
        int n = 0;
        for (const lqsim::SeenRequest& r : sensor->Requests()) n += r.order == order;
        return n;
    }
    // (order, argument, length) of every request since the last clear.
    std::vector<std::vector<int>> Seen() {
        std::vector<std::vector<int>> out;
        for (const lqsim::SeenRequest& r : sensor->Requests())
            out.push_back({r.order, r.argument, r.length});
        return out;
    }

    void TearDown() override {
        if (a.s.tcpOpen != 0) DisconnectFromTCPServer(a);
        if (server) server->Stop();
    }

    std::unique_ptr<lqsim::Sensor> sensor;
    std::unique_ptr<lqsim::TcpServer> server;
};

}  // namespace lq::test
