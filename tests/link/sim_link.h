// The simulated sensor served over a pseudo-terminal behind COM3 of a device
// folder, or over TCP loopback, with the App's link opened to it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "link/link.h"
#include "sim/simulator.h"

namespace lq::linktest {

struct SimLink {
    std::unique_ptr<lqsim::TcpServer> tcp;
    std::unique_ptr<lqsim::PtyServer> pty;

    // Serves `sensor` and opens a's link to it; a fatal test failure when
    // either does not work (check with ASSERT_NO_FATAL_FAILURE).
    void Open(App& a, lqsim::Sensor& sensor, bool serial, const std::string& deviceDir) {
        if (serial) {
            pty = std::make_unique<lqsim::PtyServer>(sensor);
            ASSERT_TRUE(pty->Start());
            ASSERT_TRUE(pty->Link(deviceDir + "/ttyS2"));  // COM3
            CopyText(a.dev.deviceDir, deviceDir);
            a.s.link.protocol = PROTOCOL_RS232;
            a.s.link.comPort = 3;
            a.s.link.baudIndex = 4;
            InitRS232(a);
            ASSERT_EQ(a.s.linkResult, 0);
        } else {
            tcp = std::make_unique<lqsim::TcpServer>(sensor);
            ASSERT_TRUE(tcp->Start());
            a.s.link.protocol = PROTOCOL_TCPIP;
            CopyText(a.s.link.host, "127.0.0.1");
            a.s.link.tcpPort = tcp->Port();
            InitTCP_IP(a);
            ASSERT_EQ(a.s.linkResult, 0);
            ASSERT_EQ(a.s.tcpOpen, 1);
        }
    }

    // An unrequested live frame, written to the line now.
    bool SendUnsolicited() { return tcp ? tcp->SendUnsolicited() : pty->SendUnsolicited(); }
};

}  // namespace lq::linktest
