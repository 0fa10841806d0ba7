// An App over the test double with the panels loaded, as the link sees it at
// run time, and helpers to check the failure report.
#pragma once

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/core/platform.h"
#include "link/link.h"
#include "link/link_internal.h"
#include "tests/support/test_platform.h"
#include "ui/screen_events.h"

namespace lq::linktest {

struct LinkWorld {
    TestPlatform tp;
    ScreenApp a{tp};

    LinkWorld() {
        a.s.mainPanel = tp.LoadPanel(0, TestUirPath(), MAINP);
        a.s.dataPanel = tp.LoadPanel(a.s.mainPanel, TestUirPath(), DATAP);
        a.s.tpConnect = tp.GetPanelHandleFromTabPage(a.s.mainPanel, TAB_MAIN1, 0);
        a.s.tpAssist = tp.GetPanelHandleFromTabPage(a.s.mainPanel, TAB_MAIN1, 1);
        Arm();
    }

    // The state the failure report changes: a running, connected session with
    // ACCEPT usable and the ASSISTANT page in front, and an empty status box.
    void Arm() {
        a.s.running = 1;
        a.s.connected = 1;
        tp.SetCtrlDimmed(a.s.tpConnect, BUTTON_ACCEPT, false);
        tp.SetActiveTabPage(a.s.mainPanel, TAB_MAIN1, 1);
        tp.ResetTextBox(a.s.tpConnect, EDIT_TEXT_BOX_STATUS, "");
        tp.SetCtrlVal(a.s.dataPanel, DISPS_STATUS, std::string_view("READY"));
    }

    // The TCP link over one end of a local socket pair; returns the other
    // end, the sensor's (-1 when no pair could be made).
    int AdoptSocketPair() {
        int sv[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) return -1;
        a.s.link.protocol = PROTOCOL_TCPIP;
        AdoptTcpSocket(a, sv[0]);
        return sv[1];
    }

    std::string Box() { return tp.Ctl(a.s.tpConnect, EDIT_TEXT_BOX_STATUS).text; }

    // No failure report since Arm().
    void ExpectNoReport() {
        EXPECT_EQ(Box(), "");
        EXPECT_EQ(tp.GetCtrlValString(a.s.dataPanel, DISPS_STATUS), "READY");
        EXPECT_EQ(a.s.running, 1);
        EXPECT_EQ(a.s.connected, 1);
    }

    // Exactly the reports of `texts` since Arm(), in this order.
    void ExpectReports(std::initializer_list<const char*> texts) {
        std::string box;
        for (const char* t : texts) box += std::string(t) + "\n\n";
        EXPECT_EQ(Box(), box);
        EXPECT_STREQ(a.s.statusText, std::data(texts)[texts.size() - 1]);
        EXPECT_EQ(tp.GetCtrlValString(a.s.dataPanel, DISPS_STATUS), "TIMEOUT!");
        EXPECT_TRUE(tp.GetCtrlDimmed(a.s.tpConnect, BUTTON_ACCEPT));
        EXPECT_EQ(tp.GetActiveTabPage(a.s.mainPanel, TAB_MAIN1), 0);
        EXPECT_EQ(a.s.running, 0);
        EXPECT_EQ(a.s.connected, 0);
    }
    void ExpectReport(const char* text) { ExpectReports({text}); }

    // Builds the request `order`/`argument` without data and exchanges it.
    int Exchange(int order, uint16_t argument = 0) {
        FillTxBuf(a, order, argument, 0);
        return DataExchange(a, kHeaderSize);
    }
};

// A temporary folder that stands in for /dev.
struct TempDir {
    std::string path;
    TempDir() {
        char t[] = "/tmp/lqlink.XXXXXX";
        path = mkdtemp(t);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

}  // namespace lq::linktest
