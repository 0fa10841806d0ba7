// The bridge's sensor link against a simulated sensor over TCP: what each
// operation reports to the worker, without a broker.
#include "bridge/sensor_link.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "link/link.h"
#include "session/sensor_address.h"
#include "sim/simulator.h"

namespace lq::bridge {
namespace {

class SensorLinkTest : public ::testing::Test {
  protected:
    void Start(lqsim::SimConfig config = {}) {
        sensor = std::make_unique<lqsim::Sensor>(config);
        server = std::make_unique<lqsim::TcpServer>(*sensor);
        ASSERT_TRUE(server->Start());
        SensorAddress address;
        std::string error;
        ASSERT_TRUE(
            ParseSensorAddress("tcp 127.0.0.1:" + std::to_string(server->Port()), address, error))
            << error;
        link = std::make_unique<SensorLink>(address);
    }

    std::unique_ptr<lqsim::Sensor> sensor;
    std::unique_ptr<lqsim::TcpServer> server;
    std::unique_ptr<SensorLink> link;
    SensorIdentity id;
};

TEST_F(SensorLinkTest, ConnectIdentifiesAndTransfersReportNothingWhenAllIsWell) {
    Start();
    const Outcome c = link->Connect(id);
    ASSERT_FALSE(c.failed) << c.failure;
    EXPECT_TRUE(c.messages.empty());
    EXPECT_EQ(id.model, "LUMIQUAD QX V1.");
    EXPECT_EQ(id.firmware, sensor->FirmwareText().substr(0, id.firmware.size()));
    EXPECT_EQ(id.name, "LUMIQUAD SIMULATOR");
    EXPECT_EQ(id.serial, 4711u);
    EXPECT_NE(id.sensorType, 0);

    ParaBlock para;
    TeachTable teach;
    ASSERT_FALSE(link->Get(false, para, teach).failed);
    EXPECT_EQ(para.w, sensor->Ram().w);
    para[0] = static_cast<uint16_t>(para[0] == 500 ? 600 : 500);
    SendCounts counts;
    const Outcome s = link->Send(para, teach, false, counts);
    ASSERT_FALSE(s.failed) << s.failure;
    EXPECT_TRUE(s.messages.empty());
    EXPECT_EQ(counts.parameterBlock, 0u);
    EXPECT_EQ(counts.teachTable, 0u);
    EXPECT_EQ(sensor->Ram().w, para.w);
}

// The sensor's plausibility counts come through the failure report, but they
// are results: the operation succeeds, the texts are its messages and the
// link stays usable.
TEST_F(SensorLinkTest, PlausibilityCountsAreResultsNotFailures) {
    Start();
    ASSERT_FALSE(link->Connect(id).failed);
    sensor->SetPlausibility(3);
    ParaBlock para = sensor->Ram();
    TeachTable teach;
    SendCounts counts;
    const Outcome s = link->Send(para, teach, false, counts);
    ASSERT_FALSE(s.failed) << s.failure;
    EXPECT_EQ(counts.parameterBlock, 3u);
    EXPECT_EQ(counts.teachTable, 3u);
    ASSERT_EQ(s.messages.size(), 2u);
    EXPECT_EQ(s.messages[0].rfind("INFO!\n3 PARAMETER IN RAM", 0), 0u) << s.messages[0];

    const Outcome g = link->Get(true, para, teach);
    ASSERT_FALSE(g.failed) << g.failure;
    ASSERT_EQ(g.messages.size(), 1u);
    EXPECT_EQ(g.messages[0].rfind("INFO!\n3 PARAMETER FROM EEPROM", 0), 0u) << g.messages[0];

    LiveRecord record;
    EXPECT_FALSE(link->Live(record).failed);
}

TEST_F(SensorLinkTest, ASilentSensorFailsWithTheTimeOutTextAndCanBeConnectedAgain) {
    Start();
    ASSERT_FALSE(link->Connect(id).failed);
    sensor->SetFault(lqsim::Fault::Silent);
    LiveRecord record;
    const Outcome o = link->Live(record);
    EXPECT_TRUE(o.failed);
    EXPECT_EQ(o.failure, kTextTimeout);
    ASSERT_EQ(o.messages.size(), 1u);
    EXPECT_EQ(o.messages[0], kTextTimeout);

    sensor->SetFault(lqsim::Fault::None);
    const Outcome again = link->Connect(id);
    EXPECT_FALSE(again.failed) << again.failure;
    EXPECT_FALSE(link->Live(record).failed);
}

TEST_F(SensorLinkTest, AnUnsupportedSensorFailsWithTheProgramsMessage) {
    lqsim::SimConfig config;
    config.model = "unsupported";
    Start(config);
    const Outcome o = link->Connect(id);
    EXPECT_TRUE(o.failed);
    EXPECT_EQ(o.failure.rfind("Lumiquad Talvern Kelvo doesn't support the connected sensor!", 0),
              0u)
        << o.failure;
    ASSERT_EQ(o.messages.size(), 1u);
    EXPECT_EQ(o.messages[0], o.failure);
}

}  // namespace
}  // namespace lq::bridge
