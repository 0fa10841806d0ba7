// The sensor address line: what is accepted, what each part becomes, and
// what is refused with which reason.
#include "session/sensor_address.h"

#include <gtest/gtest.h>

#include <string>

namespace lq {
namespace {

struct Good {
    const char* text;
    SensorAddress::Kind kind;
    const char* host;
    int tcpPort;
    int comPort;
    int baud;
    int baudIndex;
    const char* canonical;
};

TEST(SensorAddress, AcceptedAddresses) {
    using K = SensorAddress::Kind;
    const Good cases[] = {
        {"tcp 127.0.0.1:5001", K::Tcp, "127.0.0.1", 5001, 0, 115200, 4, "tcp 127.0.0.1:5001"},
        {"tcp localhost", K::Tcp, "localhost", 5000, 0, 115200, 4, "tcp localhost:5000"},
        {"  TCP\tsensor-3.plant.example:65535  ", K::Tcp, "sensor-3.plant.example", 65535, 0,
         115200, 4, "tcp sensor-3.plant.example:65535"},
        {"tcp [::1]:7000", K::Tcp, "::1", 7000, 0, 115200, 4, "tcp [::1]:7000"},
        {"tcp [fe80::1]", K::Tcp, "fe80::1", 5000, 0, 115200, 4, "tcp [fe80::1]:5000"},
        {"com 1", K::Com, "", 5000, 1, 115200, 4, "com 1 115200"},
        {"Com 256 9600", K::Com, "", 5000, 256, 9600, 0, "com 256 9600"},
        {"com 7 921600", K::Com, "", 5000, 7, 921600, 7, "com 7 921600"},
        {"com 3 230400", K::Com, "", 5000, 3, 230400, 5, "com 3 230400"},
    };
    for (const Good& c : cases) {
        SensorAddress s;
        std::string error;
        ASSERT_TRUE(ParseSensorAddress(c.text, s, error)) << c.text << ": " << error;
        EXPECT_EQ(s.kind, c.kind) << c.text;
        EXPECT_EQ(s.host, c.host) << c.text;
        if (c.kind == K::Tcp) {
            EXPECT_EQ(s.tcpPort, c.tcpPort) << c.text;
        } else {
            EXPECT_EQ(s.comPort, c.comPort) << c.text;
            EXPECT_EQ(s.baud, c.baud) << c.text;
            EXPECT_EQ(s.baudIndex, c.baudIndex) << c.text;
        }
        EXPECT_EQ(FormatSensorAddress(s), c.canonical) << c.text;
        // The canonical text reads back as the same address.
        SensorAddress again;
        ASSERT_TRUE(ParseSensorAddress(FormatSensorAddress(s), again, error));
        EXPECT_EQ(FormatSensorAddress(again), c.canonical);
    }
}

struct Bad {
    const char* text;
    const char* reasonPart;  // a piece of the error text that names the fault
};

TEST(SensorAddress, RefusedAddressesSayWhyAndLeaveTheSpecAlone) {
    const Bad cases[] = {
        {"", "empty"},
        {"   ", "empty"},
        {"udp 1.2.3.4", "unknown link 'udp'"},
        {"tcp", "expected 'tcp HOST[:PORT]'"},
        {"tcp a b", "expected 'tcp HOST[:PORT]'"},
        {"tcp host:", "missing port"},
        {"tcp host:0", "invalid TCP port '0'"},
        {"tcp host:65536", "invalid TCP port '65536'"},
        {"tcp host:50x", "invalid TCP port '50x'"},
        {"tcp host:99999999999", "invalid TCP port"},
        {"tcp :5000", "invalid host ''"},
        {"tcp ho$t:5000", "invalid host 'ho$t'"},
        {"tcp ::1:5000", "brackets"},
        {"tcp [::1", "missing ']'"},
        {"tcp [::1]5000", "expected ':PORT'"},
        {"tcp [zz]:1", "invalid host 'zz'"},
        {"com", "expected 'com N [BAUD]'"},
        {"com 0", "invalid COM port '0'"},
        {"com 257", "invalid COM port '257'"},
        {"com -1", "invalid COM port '-1'"},
        {"com 3 12345", "invalid baud rate '12345'"},
        {"com 3 fast", "invalid baud rate 'fast'"},
        {"com 3 9600 8N1", "expected 'com N [BAUD]'"},
    };
    for (const Bad& c : cases) {
        SensorAddress s;
        s.host = "untouched";
        std::string error;
        EXPECT_FALSE(ParseSensorAddress(c.text, s, error)) << c.text;
        EXPECT_NE(error.find(c.reasonPart), std::string::npos) << c.text << " -> " << error;
        EXPECT_EQ(s.host, "untouched") << c.text;
    }
}

}  // namespace
}  // namespace lq
