// The request log keeps the latest requests only, while the counts go on.
#include <gtest/gtest.h>

#include "frames.h"
#include "sim/simulator.h"

using simtest::Request;

namespace {

void Send(lqsim::Sensor& s, int order, uint16_t arg = 0) {
    const auto r = Request(order, arg);
    std::vector<uint8_t> out;
    s.Feed(r.data(), r.size(), out);
}

TEST(RequestLog, KeepsTheLatestInOrderAndCountsAll) {
    lqsim::SimConfig c;
    c.requestLog = 3;
    lqsim::Sensor sensor(c);
    const int orders[] = {lq::ORDER_FIRMWARE, lq::ORDER_NAME, lq::ORDER_LIVE, lq::ORDER_LIVE,
                          lq::ORDER_READ};
    for (int o : orders) Send(sensor, o);
    std::vector<int> seen;
    for (const lqsim::SeenRequest& r : sensor.Requests()) seen.push_back(r.order);
    EXPECT_EQ(seen, (std::vector<int>{lq::ORDER_LIVE, lq::ORDER_LIVE, lq::ORDER_READ}));
    EXPECT_EQ(sensor.RequestCount(), 5u);
    EXPECT_EQ(sensor.RequestCount(lq::ORDER_LIVE), 2u);
    EXPECT_EQ(sensor.RequestCount(lq::ORDER_FIRMWARE), 1u);

    // The ring goes on round after it wrapped.
    Send(sensor, lq::ORDER_NAME);
    Send(sensor, lq::ORDER_CYCLE_TIME);
    seen.clear();
    for (const lqsim::SeenRequest& r : sensor.Requests()) seen.push_back(r.order);
    EXPECT_EQ(seen, (std::vector<int>{lq::ORDER_READ, lq::ORDER_NAME, lq::ORDER_CYCLE_TIME}));

    sensor.ClearRequests();
    EXPECT_TRUE(sensor.Requests().empty());
    EXPECT_EQ(sensor.RequestCount(), 0u);
    EXPECT_EQ(sensor.RequestCount(lq::ORDER_LIVE), 0u);
    Send(sensor, lq::ORDER_NAME);
    ASSERT_EQ(sensor.Requests().size(), 1u);
    EXPECT_EQ(sensor.Requests()[0].order, lq::ORDER_NAME);
}

TEST(RequestLog, CanBeSwitchedOff) {
    lqsim::SimConfig c;
    c.requestLog = 0;
    lqsim::Sensor sensor(c);
    for (int i = 0; i < 10; ++i) Send(sensor, lq::ORDER_LIVE);
    EXPECT_TRUE(sensor.Requests().empty());
    EXPECT_EQ(sensor.RequestCount(lq::ORDER_LIVE), 10u);
}

}  // namespace
