// The session against a simulated sensor whose line misbehaves: answers that
// lag one request behind, answers sent twice, frames nobody asked for, and
// answers that trickle in byte by byte. Over TCP and over a pseudo-terminal.
// What must hold: another request's answer never reaches the parameter
// block, the teach table, the cycle frequency or the live display.
#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/session_events.h"
#include "app/core/session_state.h"
#include "data/para.h"
#include "link/link.h"
#include "session/identify.h"
#include "session/session.h"
#include "sim/simulator.h"
#include "tests/link/link_world.h"
#include "tests/link/sim_link.h"
#include "tests/support/test_platform.h"

namespace lq::test {
namespace {

// What reaches the front end; a hook on each live record lets a test steer
// the loop from inside it, as an operator's SEND, GET or STOP would.
struct Seen : SessionEvents {
    std::vector<std::string> failures;
    std::vector<LiveRecord> records;
    int configurations = 0;
    std::function<void(const LiveRecord&)> onRecord;

    void FailureReported(std::string_view t) override { failures.emplace_back(t); }
    void ShowConfiguration() override { ++configurations; }
    void ShowLiveRecord(const LiveRecord& r) override {
        records.push_back(r);
        if (onRecord) onRecord(r);
    }
};

// A record as the sensor measures it: X, Y and INT follow from R, G and B,
// the unused words are 0 and the power in use lies in its range. A parameter
// block, a teach table or a cycle count read as a record breaks this.
bool IsMeasurement(const LiveRecord& r) {
    const int sum = r.w[0] + r.w[1] + r.w[2];
    if (r.w[0] < 0 || r.w[1] < 0 || r.w[2] < 0 || sum <= 0) return false;
    if (r.w[3] != 10000 * r.w[0] / sum || r.w[4] != 10000 * r.w[1] / sum) return false;
    if (r.w[5] != std::min(sum / 3, 4095)) return false;
    for (int i : {6, 8, 9, 10, 17, 18, 19, 20})
        if (r.w[static_cast<size_t>(i)] != 0) return false;
    return r.w[14] >= 500 && r.w[14] <= 1000;
}

bool Same(const TeachTable& x, const TeachTable& y) {
    return std::memcmp(&x, &y, sizeof x) == 0;
}

enum class Transport { Tcp, Serial };

class WrongAnswer : public testing::TestWithParam<Transport> {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(sim.Open(a, sensor, GetParam() == Transport::Serial, dev.path));
        a.s.connected = 1;
        // The sensor holds one configuration, the program another.
        ParaBlock p;
        TeachTable t;
        LoadDefaultParaValues(p, t, 1);
        p[POWER] = 800;
        p[GAIN] = 2;
        for (int n = 0; n < kSensorTeachVectors; ++n) t[n][CELL0] = static_cast<uint16_t>(100 + n);
        for (int n = kSensorTeachVectors; n < kTeachVectors; ++n) t[n] = TeachVector{};
        sensor.SetRam(p, t);
        sensor.SetEeprom(p, t);
        LoadDefaultParaValues(a.para, a.teach, 1);
        a.para[POWER] = 700;
        a.teach[0][CELL0] = 4321;
    }

    void TearDown() override {
        DisconnectFromTCPServer(a);
        CloseCom(a, a.s.link.comPort);
        sim = {};
    }

    // An unrequested live frame from the sensor, there on the link (not yet
    // taken in) before the test goes on.
    void StrayFrame() {
        ASSERT_TRUE(sim.SendUnsolicited());
        pollfd p{sim.tcp ? a.dev.tcpFd : a.dev.serialFd, POLLIN, 0};
        ASSERT_EQ(poll(&p, 1, 5000), 1);
    }

    void ExpectSensorsConfiguration() {
        EXPECT_EQ(a.para.w, sensor.Ram().w);
        TeachTable mine = a.teach;
        for (int n = kSensorTeachVectors; n < kTeachVectors; ++n) mine[n] = TeachVector{};
        EXPECT_TRUE(Same(mine, sensor.RamTeach()));
    }

    linktest::TempDir dev;
    lqsim::Sensor sensor;
    linktest::SimLink sim;  // stops before the sensor goes
    TestPlatform tp;
    Seen events;
    App a{tp, events};
};

enum class Op { Get, Send, Freq };

struct LagCase {
    const char* name;
    Op op;
    uint16_t target;
    int every;  // the lag hits this request of the operation (1: its first)
};

// GET with the EEPROM target: the load, then each read; SEND: each write and
// the store; FREQ: its only request.
const LagCase kLagCases[] = {
    {"GetEepromLoad", Op::Get, TARGET_EEPROM, 1},
    {"GetEepromPara", Op::Get, TARGET_EEPROM, 2},
    {"GetRamPara", Op::Get, TARGET_FILE, 1},
    {"GetRamTeach", Op::Get, TARGET_FILE, 2},
    {"SendEepromPara", Op::Send, TARGET_EEPROM, 1},
    {"SendEepromStore", Op::Send, TARGET_EEPROM, 3},
    {"Freq", Op::Freq, TARGET_FILE, 1},
};

TEST_P(WrongAnswer, LagEndsTheOperationWithTheHeaderTextAndCopiesNothing) {
    for (const LagCase& c : kLagCases) {
        SCOPED_TRACE(c.name);
        // The sensor's last answer, which the lag hands out next: before a GET
        // the teach table of an earlier GET (its order byte is a read's too),
        // otherwise a live record.
        a.s.connected = 1;
        if (c.op == Op::Get) {
            a.s.transferTarget = TARGET_FILE;
            ASSERT_TRUE(GetPara(a).ok);
        } else {
            ASSERT_EQ(RequestLiveRecord(a), 1);
        }
        events = Seen{};
        a.s.transferTarget = c.target;
        const ParaBlock para = a.para;
        const TeachTable teach = a.teach;
        a.s.cycleFrequency = 123.0;

        sensor.SetFault(lqsim::Fault::Lag, c.every);
        bool ok = true;
        if (c.op == Op::Get) ok = GetPara(a).ok;
        if (c.op == Op::Send) ok = SendPara(a).ok;
        if (c.op == Op::Freq) ok = GetCycleTime(a);
        sensor.SetFault(lqsim::Fault::None);

        EXPECT_FALSE(ok);
        EXPECT_EQ(events.failures, std::vector<std::string>{kTextBadHeader});
        EXPECT_STREQ(a.s.statusText, kTextBadHeader);
        EXPECT_EQ(a.s.connected, 0);
        EXPECT_EQ(a.para.w, para.w);
        EXPECT_TRUE(Same(a.teach, teach));
        EXPECT_EQ(events.configurations, 0);
        if (c.op == Op::Freq) {
            EXPECT_EQ(a.s.cycleFrequency, 0.0);
        }
    }
}

TEST_P(WrongAnswer, FrameRightAfterConnectingDoesNotIdentifyTheSensor) {
    StrayFrame();
    Identification id;
    EXPECT_EQ(IdentifySensor(a, &id), 1);
    EXPECT_EQ(id.sensorType, 2);
    EXPECT_EQ(std::string(id.firmware), sensor.FirmwareText());
    EXPECT_STREQ(id.name, "LUMIQUAD SIMULATOR");
    EXPECT_EQ(id.serialNumber, 4711);
    EXPECT_EQ(events.failures, std::vector<std::string>{});
}

TEST_P(WrongAnswer, FrameWhileNoExchangeWaitsChangesNothing) {
    a.s.transferTarget = TARGET_FILE;
    ASSERT_TRUE(GetPara(a).ok);
    StrayFrame();
    a.para[POWER] = 999;
    EXPECT_TRUE(GetPara(a).ok);
    ExpectSensorsConfiguration();

    // A record asked for after a stray one is the one asked for.
    const int16_t words[21] = {11, 22, 33, 44, 55, 66, 0, 7};
    sensor.QueueLiveRecord(words);
    StrayFrame();
    EXPECT_EQ(RequestLiveRecord(a), 1);
    for (int i = 0; i < 21; ++i) EXPECT_EQ(a.s.liveRecord.w[static_cast<size_t>(i)], words[i]) << i;

    StrayFrame();
    EXPECT_TRUE(GetCycleTime(a));
    EXPECT_GT(a.s.cycleFrequency, 0.0);
    EXPECT_EQ(events.failures, std::vector<std::string>{});
}

// A live loop with GETs between its requests, while the sensor sends answers
// twice or adds frames of its own. A frame meant for another request may stop
// the loop (with the header text); it is never shown, and never taken into
// the configuration.
TEST_P(WrongAnswer, LiveRunShowsOnlyMeasurements) {
    for (const lqsim::Fault fault : {lqsim::Fault::Repeat, lqsim::Fault::Unsolicited}) {
        SCOPED_TRACE(lqsim::FaultName(fault));
        events = Seen{};
        a.s.transferTarget = TARGET_FILE;
        const ParaBlock para = a.para;
        const TeachTable teach = a.teach;
        int shown = 0;
        events.onRecord = [&](const LiveRecord&) {
            if (++shown % 5 == 0) a.s.getPending = 1;
            if (shown >= 200) a.s.running = 0;
        };
        sensor.SetFault(fault);
        for (int runs = 0; runs < 20 && shown < 200; ++runs) {
            a.s.connected = 1;
            GetData(a);
        }
        sensor.SetFault(lqsim::Fault::None);
        events.onRecord = nullptr;
        a.s.getPending = 0;

        EXPECT_FALSE(events.records.empty());
        for (size_t i = 0; i < events.records.size(); ++i)
            ASSERT_TRUE(IsMeasurement(events.records[i])) << "record " << i;
        for (const std::string& f : events.failures) EXPECT_EQ(f, kTextBadHeader);
        // Each part is the program's own or what the sensor holds.
        EXPECT_TRUE(a.para.w == para.w || a.para.w == sensor.Ram().w);
        TeachTable sensors = sensor.RamTeach();
        for (int n = kSensorTeachVectors; n < kTeachVectors; ++n) sensors[n] = teach[n];
        EXPECT_TRUE(Same(a.teach, teach) || Same(a.teach, sensors));
        a.para = para;
        a.teach = teach;
    }
}

TEST_P(WrongAnswer, AnswersThatTrickleInSucceed) {
    sensor.SetFault(lqsim::Fault::Drip);
    Identification id;
    EXPECT_EQ(IdentifySensor(a, &id), 1);
    EXPECT_EQ(std::string(id.firmware), sensor.FirmwareText());

    a.s.transferTarget = TARGET_EEPROM;
    EXPECT_TRUE(GetPara(a).ok);  // the longest answer: 8 + 512 bytes
    ExpectSensorsConfiguration();
    a.para[POWER] = 750;
    EXPECT_TRUE(SendPara(a).ok);
    EXPECT_EQ(sensor.Eeprom()[POWER], 750);
    EXPECT_EQ(RequestLiveRecord(a), 1);
    EXPECT_TRUE(IsMeasurement(a.s.liveRecord));
    EXPECT_TRUE(GetCycleTime(a));
    EXPECT_EQ(events.failures, std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Transports, WrongAnswer,
                         testing::Values(Transport::Tcp, Transport::Serial),
                         [](const testing::TestParamInfo<Transport>& p) {
                             return p.param == Transport::Tcp ? "Tcp" : "Serial";
                         });

}  // namespace
}  // namespace lq::test
