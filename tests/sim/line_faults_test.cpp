// The faults of a real line: lag, repeat, unsolicited and drip, in the
// protocol engine and over TCP and a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "frames.h"
#include "peer.h"
#include "sim/simulator.h"

using simtest::Parse;
using simtest::ReadResponses;
using simtest::Request;
using simtest::Response;
using simtest::Text;
using simtest::WriteAll;

namespace {

using Clock = std::chrono::steady_clock;

std::vector<int> Orders(const std::vector<Response>& rs) {
    std::vector<int> v;
    for (const Response& r : rs) v.push_back(r.order);
    return v;
}

class EngineTest : public ::testing::Test {
  protected:
    lqsim::Reply Feed(const std::vector<uint8_t>& req) {
        lqsim::Reply r;
        sensor.Feed(req.data(), req.size(), r);
        return r;
    }
    Response One(const std::vector<uint8_t>& bytes) {
        size_t rest = 0;
        const auto r = Parse(bytes, &rest);
        EXPECT_EQ(r.size(), 1u);
        EXPECT_EQ(rest, 0u);
        return r.empty() ? Response{} : r[0];
    }
    // The orders of the answers to these requests, one by one.
    std::vector<int> AnswerOrders(const std::vector<std::vector<uint8_t>>& reqs) {
        std::vector<int> v;
        for (const auto& q : reqs) v.push_back(One(Feed(q).bytes).order);
        return v;
    }
    lqsim::Sensor sensor;
};

TEST_F(EngineTest, LagAnswersWithTheAnswerToTheRequestBefore) {
    sensor.SetFault(lqsim::Fault::Lag);
    // Nothing is held before the first request: it gets its own answer.
    const Response fw = One(Feed(Request(lq::ORDER_FIRMWARE)).bytes);
    EXPECT_EQ(fw.order, lq::ORDER_FIRMWARE);
    const Response name = One(Feed(Request(lq::ORDER_NAME)).bytes);
    EXPECT_EQ(name.order, lq::ORDER_FIRMWARE);
    EXPECT_EQ(Text(name), "LUMIQUAD QX V1.5.7 SIM");
    const Response para = One(Feed(Request(lq::ORDER_READ, lq::kArgParaBlock)).bytes);
    EXPECT_EQ(para.order, lq::ORDER_NAME);
    EXPECT_EQ(para.status, 4711) << "the serial number where a status is expected";
    EXPECT_EQ(Text(para), "LUMIQUAD SIMULATOR");
    EXPECT_TRUE(para.headerOk && para.dataOk) << "a well-formed frame, only the wrong one";

    // The request itself is carried out; only its answer comes late.
    lq::ParaBlock p = simtest::Defaults();
    p[lq::GAIN] = 3;
    const Response w =
        One(Feed(Request(lq::ORDER_WRITE, lq::kArgParaBlock, simtest::ParaBytes(p))).bytes);
    EXPECT_EQ(w.order, lq::ORDER_READ);
    EXPECT_EQ(w.length, lq::kParaBytes);
    EXPECT_EQ(sensor.Ram()[lq::GAIN], 3);
    EXPECT_EQ(One(Feed(Request(lq::ORDER_LIVE)).bytes).order, lq::ORDER_WRITE);
}

TEST_F(EngineTest, LagSetAfterIdentificationSendsTheIdentificationsAnswer) {
    AnswerOrders({Request(lq::ORDER_FIRMWARE), Request(lq::ORDER_NAME)});
    sensor.SetFault(lqsim::Fault::Lag);
    const Response r = One(Feed(Request(lq::ORDER_READ, lq::kArgParaBlock)).bytes);
    EXPECT_EQ(r.order, lq::ORDER_NAME);
    EXPECT_EQ(r.status, 4711);
}

TEST_F(EngineTest, LagEveryNthRequestRepeatsTheAnswerBefore) {
    sensor.SetFault(lqsim::Fault::Lag, 2);
    EXPECT_EQ(
        AnswerOrders({Request(lq::ORDER_FIRMWARE), Request(lq::ORDER_NAME),
                      Request(lq::ORDER_READ, lq::kArgParaBlock), Request(lq::ORDER_LIVE)}),
        (std::vector<int>{lq::ORDER_FIRMWARE, lq::ORDER_FIRMWARE, lq::ORDER_READ, lq::ORDER_READ}));
}

TEST_F(EngineTest, ANewConnectionDropsTheHeldAnswer) {
    sensor.SetFault(lqsim::Fault::Lag);
    AnswerOrders({Request(lq::ORDER_FIRMWARE), Request(lq::ORDER_NAME)});
    lqsim::Reply greeting;
    sensor.Connected(greeting);
    EXPECT_TRUE(greeting.bytes.empty()) << "lag sends nothing unasked";
    EXPECT_EQ(AnswerOrders({Request(lq::ORDER_NAME), Request(lq::ORDER_LIVE)}),
              (std::vector<int>{lq::ORDER_NAME, lq::ORDER_NAME}));
}

TEST_F(EngineTest, RepeatSendsTheSameAnswerAgainLater) {
    sensor.SetFault(lqsim::Fault::Repeat);
    const lqsim::Reply r = Feed(Request(lq::ORDER_LIVE));
    const Response a = One(r.bytes);
    EXPECT_EQ(a.order, lq::ORDER_LIVE);
    EXPECT_TRUE(a.dataOk);
    EXPECT_EQ(r.late, r.bytes);
    EXPECT_FALSE(r.drip);

    // Without a transport the copy follows the answer directly.
    const auto req = Request(lq::ORDER_NAME);
    std::vector<uint8_t> out;
    sensor.Feed(req.data(), req.size(), out);
    EXPECT_EQ(Orders(Parse(out)), (std::vector<int>{lq::ORDER_NAME, lq::ORDER_NAME}));
}

TEST_F(EngineTest, UnsolicitedAddsALiveFrameLaterAndOneOnConnecting) {
    lqsim::Reply greeting;
    sensor.Connected(greeting);
    EXPECT_TRUE(greeting.bytes.empty()) << "no fault, nothing unasked";

    sensor.SetFault(lqsim::Fault::Unsolicited);
    const lqsim::Reply r = Feed(Request(lq::ORDER_FIRMWARE));
    EXPECT_EQ(Text(One(r.bytes)), "LUMIQUAD QX V1.5.7 SIM");
    const Response stray = One(r.late);
    EXPECT_EQ(stray.order, lq::ORDER_LIVE);
    EXPECT_EQ(stray.length, 42);
    EXPECT_TRUE(stray.headerOk && stray.dataOk);
    EXPECT_GT(stray.Word(0), 0) << "a measurement of the model";

    sensor.Connected(greeting);
    const Response hello = One(greeting.bytes);
    EXPECT_EQ(hello.order, lq::ORDER_LIVE);
    EXPECT_TRUE(hello.dataOk);
    EXPECT_EQ(sensor.RequestCount(), 1u) << "the stray frames answer no request";
}

TEST_F(EngineTest, DripMarksTheAnswerAndLeavesItWhole) {
    sensor.SetFault(lqsim::Fault::Drip);
    const lqsim::Reply r = Feed(Request(lq::ORDER_READ, lq::kArgTeachTable));
    EXPECT_TRUE(r.drip);
    EXPECT_TRUE(r.late.empty());
    const Response t = One(r.bytes);
    EXPECT_EQ(t.length, 512);
    EXPECT_TRUE(t.dataOk);
}

// ---- over TCP and a pseudo-terminal ----------------------------------------

enum class Transport { Tcp, Pty };

class ServedFaultTest : public ::testing::TestWithParam<Transport> {
  protected:
    void SetUp() override {
        if (GetParam() == Transport::Tcp) {
            tcp = std::make_unique<lqsim::TcpServer>(sensor);
            ASSERT_TRUE(tcp->Start());
        } else {
            pty = std::make_unique<lqsim::PtyServer>(sensor);
            ASSERT_TRUE(pty->Start());
        }
    }
    void TearDown() override {
        if (fd >= 0) close(fd);
    }
    void Open() {
        fd = tcp ? simtest::Connect(tcp->Port()) : simtest::OpenRaw(pty->SlavePath());
        ASSERT_GE(fd, 0);
    }
    // Reads until `count` responses are complete; `when` gets the time they were.
    std::vector<Response> Read(size_t count, Clock::time_point* when = nullptr) {
        const auto r = Parse(ReadResponses(fd, count));
        if (when) *when = Clock::now();
        return r;
    }

    lqsim::Sensor sensor;
    std::unique_ptr<lqsim::TcpServer> tcp;
    std::unique_ptr<lqsim::PtyServer> pty;
    int fd = -1;
};

TEST_P(ServedFaultTest, LagAnswersTheRequestBefore) {
    sensor.SetFault(lqsim::Fault::Lag);
    Open();
    WriteAll(fd, Request(lq::ORDER_FIRMWARE));
    EXPECT_EQ(Orders(Read(1)), std::vector<int>{lq::ORDER_FIRMWARE});
    WriteAll(fd, Request(lq::ORDER_NAME));
    const auto r = Read(1);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].order, lq::ORDER_FIRMWARE);
    EXPECT_EQ(Text(r[0]), "LUMIQUAD QX V1.5.7 SIM");
}

TEST_P(ServedFaultTest, RepeatSendsTheAnswerTwiceTheSecondTimeLater) {
    sensor.SetFault(lqsim::Fault::Repeat);
    Open();
    const Clock::time_point sent = Clock::now();
    WriteAll(fd, Request(lq::ORDER_LIVE));
    Clock::time_point both;
    const auto r = Read(2, &both);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].order, lq::ORDER_LIVE);
    EXPECT_TRUE(r[0].dataOk);
    EXPECT_EQ(r[1].data, r[0].data) << "the very same answer";
    EXPECT_GE(both - sent, lqsim::kLateDelay);
}

TEST_P(ServedFaultTest, UnsolicitedLiveFrameFollowsTheAnswer) {
    sensor.SetFault(lqsim::Fault::Unsolicited);
    Open();
    if (tcp) {
        // Right after the connection opens, before any request.
        const auto hello = Read(1);
        ASSERT_EQ(hello.size(), 1u);
        EXPECT_EQ(hello[0].order, lq::ORDER_LIVE);
        EXPECT_TRUE(hello[0].dataOk);
    }
    const Clock::time_point sent = Clock::now();
    WriteAll(fd, Request(lq::ORDER_NAME));
    Clock::time_point both;
    const auto r = Read(2, &both);
    EXPECT_EQ(Orders(r), (std::vector<int>{lq::ORDER_NAME, lq::ORDER_LIVE}));
    EXPECT_GE(both - sent, lqsim::kLateDelay);
}

TEST_P(ServedFaultTest, DripDeliversTheAnswerByteByByte) {
    sensor.SetFault(lqsim::Fault::Drip);
    Open();
    const Clock::time_point sent = Clock::now();
    WriteAll(fd, Request(lq::ORDER_LIVE));
    Clock::time_point done;
    const auto r = Read(1, &done);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_TRUE(r[0].headerOk && r[0].dataOk);
    EXPECT_EQ(r[0].length, 42);
    // 50 bytes with a gap after each but the last.
    EXPECT_GE(done - sent, 49 * lqsim::kDripGap);
}

TEST_P(ServedFaultTest, AnUnsolicitedFrameCanBeSentOnRequest) {
    Open();
    if (tcp) {
        // The server takes the connection from its listen queue when it polls.
        WriteAll(fd, Request(lq::ORDER_NAME));
        ASSERT_EQ(Read(1).size(), 1u);
    }
    ASSERT_TRUE(tcp ? tcp->SendUnsolicited() : pty->SendUnsolicited());
    const auto r = Read(1);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].order, lq::ORDER_LIVE);
    EXPECT_TRUE(r[0].dataOk);
}

INSTANTIATE_TEST_SUITE_P(Transports, ServedFaultTest,
                         ::testing::Values(Transport::Tcp, Transport::Pty),
                         [](const ::testing::TestParamInfo<Transport>& i) {
                             return std::string(i.param == Transport::Tcp ? "Tcp" : "Pty");
                         });

TEST(TcpServerUnsolicited, NeedsAClientAndAServerThatRuns) {
    lqsim::Sensor sensor;
    lqsim::TcpServer server(sensor);
    EXPECT_FALSE(server.SendUnsolicited()) << "not started";
    ASSERT_TRUE(server.Start());
    EXPECT_FALSE(server.SendUnsolicited()) << "no client";
    server.Stop();
    EXPECT_FALSE(server.SendUnsolicited()) << "stopped";
}

}  // namespace
