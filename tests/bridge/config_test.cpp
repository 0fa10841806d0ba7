// The bridge configuration: a complete file read into its fields, and each
// kind of mistake reported with its line.
#include "bridge/config.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace lq::bridge {
namespace {

class BridgeConfigFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/lq_bridge_config_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { (void)std::system(("rm -rf '" + dir_ + "'").c_str()); }
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = dir_ + "/" + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        return path;
    }
    std::string dir_;
};

TEST_F(BridgeConfigFile, CompleteFileFillsEveryField) {
    const std::string pw = Write("pw", "s3cret\nignored\n");
    const std::string ca = Write("ca.pem", "CA");
    BridgeConfig c;
    const auto problems = ReadBridgeConfig(Write("b.ini",
                                                 "; plant bridge\r\n"
                                                 "[broker]\r\n"
                                                 "host = broker.plant\r\n"
                                                 "port = 8883\r\n"
                                                 "client_id = hall-2\r\n"
                                                 "keepalive = 15\r\n"
                                                 "username = bridge\r\n"
                                                 "password_file = " +
                                                     pw +
                                                     "\r\n"
                                                     "tls = on\r\n"
                                                     "ca_file = " +
                                                     ca +
                                                     "\r\n"
                                                     "[bridge]\r\n"
                                                     "prefix = plant/hall2\r\n"
                                                     "commands = on\r\n"
                                                     "[sensor one]\r\n"
                                                     "address = tcp 10.0.0.7\r\n"
                                                     "[Sensor 2]\r\n"
                                                     "label = line-2\r\n"
                                                     "address = com 3 921600\r\n"
                                                     "rate = 0.5\r\n"),
                                           c);
    ASSERT_TRUE(problems.empty()) << problems[0].line << ": " << problems[0].text;
    EXPECT_EQ(c.broker.host, "broker.plant");
    EXPECT_EQ(c.broker.port, 8883);
    EXPECT_EQ(c.broker.clientId, "hall-2");
    EXPECT_EQ(c.broker.keepalive, 15);
    EXPECT_EQ(c.broker.username, "bridge");
    EXPECT_EQ(c.broker.password, "s3cret");
    EXPECT_TRUE(c.broker.tls);
    EXPECT_EQ(c.broker.caFile, ca);
    EXPECT_EQ(c.prefix, "plant/hall2");
    EXPECT_TRUE(c.commands);
    ASSERT_EQ(c.sensors.size(), 2u);
    EXPECT_EQ(c.sensors[0].label, "one");
    EXPECT_EQ(c.sensors[0].address.host, "10.0.0.7");
    EXPECT_EQ(c.sensors[0].address.tcpPort, 5000);
    EXPECT_EQ(c.sensors[0].rate, 10);
    EXPECT_EQ(c.sensors[0].line, 14);
    EXPECT_EQ(c.sensors[1].label, "line-2");
    EXPECT_EQ(c.sensors[1].address.kind, SensorAddress::Kind::Com);
    EXPECT_EQ(c.sensors[1].address.baudIndex, 7);
    EXPECT_EQ(c.sensors[1].rate, 0.5);
}

TEST_F(BridgeConfigFile, DefaultsForAMinimalFile) {
    BridgeConfig c;
    ASSERT_TRUE(
        ReadBridgeConfig(Write("b.ini", "[broker]\n[sensor s]\naddress = tcp localhost\n"), c)
            .empty());
    EXPECT_EQ(c.broker.host, "127.0.0.1");
    EXPECT_EQ(c.broker.port, 1883);
    EXPECT_EQ(c.broker.clientId, "lumiquad-bridge");
    EXPECT_EQ(c.prefix, "lumiquad");
    EXPECT_FALSE(c.commands);
    EXPECT_FALSE(c.broker.tls);
}

struct Mistake {
    const char* text;
    int line;
    const char* says;
};

TEST_F(BridgeConfigFile, MistakesAreReportedWithTheirLine) {
    const Mistake cases[] = {
        {"[broker]\nport = 0\n[sensor a]\naddress = tcp h\n", 2,
         "port must be a whole number from 1 to 65535"},
        {"[broker]\nport = 18x3\n[sensor a]\naddress = tcp h\n", 2, "port must be a whole number"},
        {"[broker]\nkeepalive = 2\n[sensor a]\naddress = tcp h\n", 2, "keepalive"},
        {"[broker]\nhots = x\n[sensor a]\naddress = tcp h\n", 2, "unknown key 'hots' in [broker]"},
        {"[broker]\nport = 1\nport = 2\n[sensor a]\naddress = tcp h\n", 3,
         "key 'port' repeated (first on line 2)"},
        {"[broker]\ntls = maybe\n[sensor a]\naddress = tcp h\n", 2, "tls must be on or off"},
        {"[broker]\ntls = on\n[sensor a]\naddress = tcp h\n", 2, "tls = on needs a ca_file"},
        {"[broker]\nusername = u\npassword_file = /nonexistent/pw\n[sensor a]\naddress = tcp h\n",
         3, "password_file: cannot read '/nonexistent/pw'"},
        {"[broker]\npassword_file = /etc/hostname\n[sensor a]\naddress = tcp h\n", 2,
         "password_file needs a username"},
        {"[broker]\nhost = 192.168.1.5\n[bridge]\ncommands = on\n[sensor a]\naddress = tcp h\n", 4,
         "commands = on with the broker '192.168.1.5' that is not on this machine needs tls = on "
         "and a username"},
        {"[broker]\n[bridge]\nprefix = a/+/b\n[sensor a]\naddress = tcp h\n", 3,
         "prefix 'a/+/b' is not a topic"},
        {"[broker]\n[bridge]\nprefix = a//b\n[sensor a]\naddress = tcp h\n", 3, "is not a topic"},
        {"[broker]\n[brdige]\n[sensor a]\naddress = tcp h\n", 2, "unknown section [brdige]"},
        {"[broker]\n[sensor a]\n", 2, "[sensor a] has no address"},
        {"[broker]\n[sensor a]\naddress = udp h\n", 3, "address: unknown link 'udp'"},
        {"[broker]\n[sensor a]\naddress = com 300\n", 3, "address: invalid COM port '300'"},
        {"[broker]\n[sensor a]\naddress = tcp h\nrate = fast\n", 4, "rate must be a number"},
        {"[broker]\n[sensor a]\naddress = tcp h\nrate = -1\n", 4, "rate must be a number"},
        {"[broker]\n[sensor a]\nlabel = a/b\naddress = tcp h\n", 3,
         "label 'a/b' cannot be a topic level"},
        {"[broker]\n[sensor a]\naddress = tcp h\n[sensor b]\nlabel = a\naddress = tcp h\n", 4,
         "label 'a' used twice (first in the section on line 2)"},
        {"[broker]\n[sensor a]\naddress = tcp h\n[sensor A]\naddress = tcp h\n", 4,
         "section [sensor A] repeated"},
        // Lines the INI store passes over are mistakes in a configuration.
        {"[broker]\nport 1883\n[sensor a]\naddress = tcp h\n", 2,
         "expected 'key = value', found 'port 1883'"},
        {"[broker]\nport =\n[sensor a]\naddress = tcp h\n", 2, "key 'port' has no value"},
        {"[broker\n[sensor a]\naddress = tcp h\n", 1, "malformed section header"},
        {"host = x\n[broker]\n[sensor a]\naddress = tcp h\n", 1,
         "key 'host' is outside any section"},
        // The line count follows CR LF and bare CR line ends.
        {"[broker]\r\n\r\nport = 0\r\n[sensor a]\r\naddress = tcp h\r\n", 3, "port must be"},
        {"[broker]\r\rport = 0\r[sensor a]\raddress = tcp h\r", 3, "port must be"},
        // Whole-file problems have no line.
        {"[sensor a]\naddress = tcp h\n", 0, "missing section [broker]"},
        {"[broker]\n", 0, "no [sensor NAME] section"},
    };
    for (const Mistake& m : cases) {
        BridgeConfig c;
        const std::string path = Write("bad.ini", m.text);
        const auto problems = ReadBridgeConfig(path, c);
        bool found = false;
        for (const ConfigProblem& p : problems)
            found = found || (p.line == m.line && p.text.find(m.says) != std::string::npos);
        std::string all;
        for (const ConfigProblem& p : problems) all += FormatProblem(path, p) + "\n";
        EXPECT_TRUE(found) << m.text << "\nexpected line " << m.line << ": " << m.says << "\ngot:\n"
                           << all;
    }
}

TEST_F(BridgeConfigFile, ProblemsNameTheFileAndLine) {
    BridgeConfig c;
    EXPECT_EQ(FormatProblem("b.ini", {7, "x"}), "b.ini:7: x");
    EXPECT_EQ(FormatProblem("b.ini", {0, "x"}), "b.ini: x");
    const auto problems = ReadBridgeConfig(dir_ + "/missing.ini", c);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].line, 0);
    EXPECT_NE(problems[0].text.find("cannot read"), std::string::npos);
}

TEST(BridgeConfigHosts, LoopbackHosts) {
    for (const char* h : {"localhost", "LOCALHOST", "127.0.0.1", "127.1.2.3", "::1", "[::1]"})
        EXPECT_TRUE(IsLoopbackHost(h)) << h;
    for (const char* h : {"128.0.0.1", "10.0.0.1", "127.0.0", "127.0.0.1.5", "127.0.0.256",
                          "localhost.example", "broker", "::2", ""})
        EXPECT_FALSE(IsLoopbackHost(h)) << h;
}

}  // namespace
}  // namespace lq::bridge
