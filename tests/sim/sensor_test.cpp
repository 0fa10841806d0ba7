// The protocol engine: every order, error responses, plausibility, RAM and
// EEPROM, identification, the measurement model and the injected faults.
#include <gtest/gtest.h>

#include <string>

#include "frames.h"
#include "sim/simulator.h"

using simtest::Parse;
using simtest::Request;
using simtest::Response;

namespace {

class SensorTest : public ::testing::Test {
  protected:
    explicit SensorTest(lqsim::SimConfig c = {}) : sensor(c) {}

    std::vector<Response> Send(const std::vector<uint8_t>& bytes, bool* keep = nullptr) {
        std::vector<uint8_t> out;
        const bool k = sensor.Feed(bytes.data(), bytes.size(), out);
        if (keep) *keep = k;
        size_t rest = 0;
        auto r = Parse(out, &rest);
        EXPECT_EQ(rest, 0u) << "a response was cut short";
        return r;
    }

    Response One(int order, uint16_t arg = 0, const std::vector<uint8_t>& data = {}) {
        auto r = Send(Request(order, arg, data));
        EXPECT_EQ(r.size(), 1u);
        return r.empty() ? Response{} : r[0];
    }

    std::string Text(const Response& r) { return std::string(r.data.begin(), r.data.end()); }

    lq::ParaBlock ReadPara() {
        const Response r = One(lq::ORDER_READ, lq::kArgParaBlock);
        lq::ParaBlock p{};
        EXPECT_EQ(r.data.size(), static_cast<size_t>(lq::kParaBytes));
        if (r.data.size() == lq::kParaBytes) lq::ParaFromBytes(p, r.data.data());
        return p;
    }

    uint16_t WritePara(const lq::ParaBlock& p) {
        const Response r = One(lq::ORDER_WRITE, lq::kArgParaBlock, simtest::ParaBytes(p));
        EXPECT_EQ(r.order, lq::ORDER_WRITE);
        return r.status;
    }

    Response Live() { return One(lq::ORDER_LIVE); }

    lqsim::Sensor sensor;
};

TEST_F(SensorTest, EveryAnswerIsAWellFormedFrameEchoingTheOrder) {
    struct Case {
        int order;
        uint16_t arg;
        size_t length;
    };
    const Case cases[] = {
        {lq::ORDER_READ, lq::kArgParaBlock, 52},
        {lq::ORDER_READ, lq::kArgTeachTable, 512},
        {lq::ORDER_STORE_EEPROM, 0, 0},
        {lq::ORDER_LOAD_EEPROM, 0, 0},
        {lq::ORDER_LIVE, 0, 42},
        {lq::ORDER_CYCLE_TIME, 0, 8},
    };
    for (const Case& c : cases) {
        const Response r = One(c.order, c.arg);
        EXPECT_EQ(r.sync, lq::kSync) << c.order;
        EXPECT_TRUE(r.headerOk) << c.order;
        EXPECT_TRUE(r.dataOk) << c.order;
        EXPECT_EQ(r.order, c.order);
        EXPECT_EQ(r.length, c.length) << c.order;
    }
}

TEST_F(SensorTest, StartsWithTheConnectionDefaultsInRamAndEeprom) {
    const lq::ParaBlock d = simtest::Defaults();
    EXPECT_EQ(ReadPara().w, d.w);
    EXPECT_EQ(sensor.Eeprom().w, d.w);
    const Response t = One(lq::ORDER_READ, lq::kArgTeachTable);
    for (int n = 0; n < lq::kSensorTeachVectors; ++n) {
        EXPECT_EQ(t.Word(8 * n + lq::CELL0), 1);
        EXPECT_EQ(t.Word(8 * n + lq::GROUP), 1);
        EXPECT_EQ(t.Word(8 * n + lq::HOLD), 10);
    }
}

TEST_F(SensorTest, WrittenParametersAndTeachTableReadBack) {
    lq::ParaBlock p = simtest::Defaults();
    p[lq::GAIN] = 3;
    p[lq::INTEGRAL] = 17;
    p[lq::MAX_VEC_NO] = 5;
    p[lq::POWER] = 777;
    EXPECT_EQ(WritePara(p), 0);
    EXPECT_EQ(ReadPara().w, p.w);

    lq::TeachTable t{};
    for (int n = 0; n < lq::kSensorTeachVectors; ++n)
        for (int j = 0; j < lq::kTeachWords; ++j) t[n][j] = static_cast<uint16_t>(100 * n + j);
    const Response w = One(lq::ORDER_WRITE, lq::kArgTeachTable, simtest::TeachBytes(t));
    EXPECT_EQ(w.order, lq::ORDER_WRITE);
    EXPECT_EQ(w.status, 0);
    EXPECT_EQ(w.length, 0);
    const Response r = One(lq::ORDER_READ, lq::kArgTeachTable);
    EXPECT_EQ(r.data, simtest::TeachBytes(t));
    EXPECT_EQ(sensor.RamTeach()[31][7], 3107);
    EXPECT_EQ(sensor.RamTeach()[32][0], 0);  // the sensor has no vectors beyond 31
}

TEST_F(SensorTest, ImplausibleWordsAreResetAndCounted) {
    struct Case {
        const char* what;
        int word;
        uint16_t value;
    };
    const Case bad[] = {
        {"gain 0", lq::GAIN, 0},
        {"gain 9", lq::GAIN, 9},
        {"integral 0", lq::INTEGRAL, 0},
        {"integral 251", lq::INTEGRAL, 251},
        {"power 499", lq::POWER, 499},
        {"power 1001", lq::POWER, 1001},
        {"average 3", lq::AVERAGE, 3},
        {"average 0", lq::AVERAGE, 0},
        {"power mode 2", lq::POWER_MODE, 2},
        {"max vec no 0", lq::MAX_VEC_NO, 0},
        {"max vec no 33", lq::MAX_VEC_NO, 33},
    };
    for (const Case& c : bad) {
        lq::ParaBlock p = simtest::Defaults();
        p[c.word] = c.value;
        EXPECT_EQ(WritePara(p), 1) << c.what;
        EXPECT_EQ(sensor.Ram()[c.word], lq::ConnectionDefault(c.word)) << c.what;
    }
    const Case good[] = {
        {"gain 1", lq::GAIN, 1},
        {"gain 8", lq::GAIN, 8},
        {"integral 250", lq::INTEGRAL, 250},
        {"power 1000", lq::POWER, 1000},
        {"average 1", lq::AVERAGE, 1},
        {"average 32768", lq::AVERAGE, 32768},
        {"max vec no 31", lq::MAX_VEC_NO, 31},
    };
    for (const Case& c : good) {
        lq::ParaBlock p = simtest::Defaults();
        p[c.word] = c.value;
        EXPECT_EQ(WritePara(p), 0) << c.what;
        EXPECT_EQ(sensor.Ram()[c.word], c.value) << c.what;
    }
}

TEST_F(SensorTest, AllZeroBlockCountsEveryCheckedWord) {
    // What the program sends before it ever read a configuration.
    const uint16_t count = WritePara(lq::ParaBlock{});
    EXPECT_GE(count, 10);
    EXPECT_EQ(WritePara(sensor.Ram()), 0) << "the repaired block must pass";
}

TEST_F(SensorTest, StoreAndLoadMoveRamAndEeprom) {
    lq::ParaBlock p = simtest::Defaults();
    p[lq::GAIN] = 2;
    WritePara(p);
    EXPECT_EQ(sensor.Eeprom()[lq::GAIN], 6) << "a write reaches the RAM only";
    EXPECT_EQ(One(lq::ORDER_STORE_EEPROM).status, 0);
    EXPECT_EQ(sensor.Eeprom()[lq::GAIN], 2);

    p[lq::GAIN] = 7;
    WritePara(p);
    const Response l = One(lq::ORDER_LOAD_EEPROM);
    EXPECT_EQ(l.order, lq::ORDER_LOAD_EEPROM);
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(ReadPara()[lq::GAIN], 2);
}

TEST_F(SensorTest, EepromLoadCountsImplausibleWords) {
    lq::ParaBlock bad = simtest::Defaults();
    bad[lq::GAIN] = 0;
    bad[lq::INTEGRAL] = 999;
    sensor.SetEeprom(bad, lq::TeachTable{});
    EXPECT_EQ(One(lq::ORDER_LOAD_EEPROM).status, 2);
    EXPECT_EQ(sensor.Ram()[lq::GAIN], 6);
    EXPECT_EQ(sensor.Ram()[lq::INTEGRAL], 1);
}

TEST_F(SensorTest, ForcedPlausibilityCountOnWritesAndLoad) {
    sensor.SetPlausibility(3);
    EXPECT_EQ(WritePara(simtest::Defaults()), 3);
    lq::TeachTable t{};
    EXPECT_EQ(One(lq::ORDER_WRITE, lq::kArgTeachTable, simtest::TeachBytes(t)).status, 3);
    EXPECT_EQ(One(lq::ORDER_LOAD_EEPROM).status, 3);
    EXPECT_EQ(One(lq::ORDER_STORE_EEPROM).status, 0);
}

TEST_F(SensorTest, NameAndSerial) {
    const Response r = One(lq::ORDER_NAME);
    EXPECT_EQ(r.order, lq::ORDER_NAME);
    EXPECT_EQ(Text(r), "LUMIQUAD SIMULATOR");
    EXPECT_EQ(r.status, 4711);
}

TEST(SensorIdentity, FirmwareTextPerModel) {
    struct Case {
        const char* model;
        const char* firmware;
    };
    const Case cases[] = {
        {"qx", "LUMIQUAD QX V1.5.7 SIM"},
        {"v4", "LUMIQUAD V4.1 SIM"},
        {"qxr", "LUMIQUAD QXR V1.0 SIM"},
        {"unsupported", "COLORSENSOR X2.0 SIM"},
    };
    for (const Case& c : cases) {
        lqsim::SimConfig cfg;
        cfg.model = c.model;
        cfg.name = std::string("NAME ") + c.model;
        cfg.serial = 65535;
        lqsim::Sensor s(cfg);
        std::vector<uint8_t> out;
        auto req = Request(lq::ORDER_FIRMWARE);
        auto name = Request(lq::ORDER_NAME);
        req.insert(req.end(), name.begin(), name.end());
        s.Feed(req.data(), req.size(), out);
        const auto r = Parse(out);
        ASSERT_EQ(r.size(), 2u);
        EXPECT_EQ(std::string(r[0].data.begin(), r[0].data.end()), c.firmware);
        EXPECT_EQ(std::string(r[1].data.begin(), r[1].data.end()), cfg.name);
        EXPECT_EQ(r[1].status, 65535);
    }
    lqsim::SimConfig cfg;
    cfg.firmware = "LUMIQUAD QX V1.5.7 ABC";
    EXPECT_EQ(lqsim::Sensor(cfg).FirmwareText(), "LUMIQUAD QX V1.5.7 ABC");
}

TEST_F(SensorTest, UnknownOrdersAndArgumentsGiveErrorStatus1) {
    for (auto [order, arg] :
         {std::pair{5, 0}, {9, 0}, {200, 0}, {lq::ORDER_READ, 1}, {lq::ORDER_WRITE, 7}}) {
        const Response r = One(order, static_cast<uint16_t>(arg));
        EXPECT_TRUE(r.headerOk);
        EXPECT_EQ(r.order, 0) << order;
        EXPECT_EQ(r.status, 1) << order;
        EXPECT_EQ(r.length, 0) << order;
    }
}

TEST_F(SensorTest, DamagedRequestsGiveErrorStatus2) {
    auto badHeader = Request(lq::ORDER_FIRMWARE);
    badHeader[7] ^= 0x10;
    auto badData =
        Request(lq::ORDER_WRITE, lq::kArgParaBlock, simtest::ParaBytes(simtest::Defaults()));
    badData[20] ^= 0x01;
    auto wrongLength = Request(lq::ORDER_WRITE, lq::kArgParaBlock, {1, 2, 3});
    for (const auto& req : {badHeader, badData, wrongLength}) {
        const auto r = Send(req);
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].order, 0);
        EXPECT_EQ(r[0].status, 2);
    }
    EXPECT_EQ(sensor.Ram()[lq::GAIN], 6) << "a damaged write changes nothing";
    // The stream is back in step afterwards.
    EXPECT_EQ(One(lq::ORDER_LIVE).order, lq::ORDER_LIVE);
}

TEST_F(SensorTest, ResynchronisesOnNoiseAndSplitRequests) {
    std::vector<uint8_t> bytes = {0x00, 0x13, 0xFF, 0x55, 0x07};  // noise, with a stray sync byte
    const auto live = Request(lq::ORDER_LIVE);
    bytes.insert(bytes.end(), live.begin(), live.end());
    auto r = Send(bytes);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].order, lq::ORDER_LIVE);

    // One request in three pieces; a second one right behind the last piece.
    const auto fw = Request(lq::ORDER_FIRMWARE);
    EXPECT_TRUE(Send({fw.begin(), fw.begin() + 3}).empty());
    EXPECT_TRUE(Send({fw.begin() + 3, fw.begin() + 7}).empty());
    std::vector<uint8_t> tail = {fw.back()};
    const auto name = Request(lq::ORDER_NAME);
    tail.insert(tail.end(), name.begin(), name.end());
    r = Send(tail);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].order, lq::ORDER_FIRMWARE);
    EXPECT_EQ(r[1].order, lq::ORDER_NAME);
}

TEST_F(SensorTest, ResetInputDropsAPartialRequest) {
    const auto fw = Request(lq::ORDER_FIRMWARE);
    Send({fw.begin(), fw.begin() + 5});
    sensor.ResetInput();
    const auto r = Send(Request(lq::ORDER_LIVE));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].order, lq::ORDER_LIVE);
}

TEST_F(SensorTest, OversizedRequestLengthIsRefused) {
    std::vector<uint8_t> frame(8 + 3000);
    lq::BuildFrameHeader(frame.data(), lq::ORDER_WRITE, 0, 3000);
    const std::vector<uint8_t> h(frame.begin(), frame.begin() + 8);  // the data never comes
    const auto r = Send(h);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].order, 0);
    EXPECT_EQ(r[0].status, 2);
}

TEST_F(SensorTest, RequestsAreRecorded) {
    Send(Request(lq::ORDER_LOAD_EEPROM));
    Send(Request(lq::ORDER_WRITE, lq::kArgTeachTable, simtest::TeachBytes(lq::TeachTable{})));
    const auto seen = sensor.Requests();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].order, lq::ORDER_LOAD_EEPROM);
    EXPECT_EQ(seen[1].order, lq::ORDER_WRITE);
    EXPECT_EQ(seen[1].argument, lq::kArgTeachTable);
    EXPECT_EQ(seen[1].length, 512);
    sensor.ClearRequests();
    EXPECT_TRUE(sensor.Requests().empty());
}

TEST_F(SensorTest, CycleTimeReportsCountAndTime) {
    const Response r = One(lq::ORDER_CYCLE_TIME);
    EXPECT_EQ(r.order, lq::ORDER_CYCLE_TIME);
    ASSERT_EQ(r.length, 8);
    const int32_t count = r.Long(0);
    const int32_t time = r.Long(1);
    EXPECT_GE(time, 1) << "never a time of zero";
    EXPECT_LE(time, 800) << "at most the last 8 s";
    // 100 kHz scans, averaged over 256 at INTEGRAL 1: about 390 Hz.
    EXPECT_NEAR(count / (time * 0.01), 100000.0 / 256, 100000.0 / 256 * 0.2 + 100);
}

TEST_F(SensorTest, QueuedLiveRecordsAreAnsweredExactly) {
    const int16_t a[21] = {100, 200, 300, 1500, -20, 4000, 0, 3};
    int16_t b[21] = {};
    b[20] = -1;
    sensor.QueueLiveRecord(a);
    sensor.QueueLiveRecord(b);
    Response r = Live();
    for (int i = 0; i < 21; ++i) EXPECT_EQ(r.Word(i), a[i]) << i;
    r = Live();
    EXPECT_EQ(r.Word(20), -1);
    r = Live();  // back to the model
    EXPECT_GT(r.Word(0), 0);
}

// ---- measurement model --------------------------------------------------

class ModelTest : public SensorTest {
  protected:
    void Set(int gain, int integral, int powerMode, int power = 500) {
        lq::ParaBlock p = sensor.Ram();
        p[lq::GAIN] = static_cast<uint16_t>(gain);
        p[lq::INTEGRAL] = static_cast<uint16_t>(integral);
        p[lq::POWER_MODE] = static_cast<uint16_t>(powerMode);
        p[lq::POWER] = static_cast<uint16_t>(power);
        ASSERT_EQ(WritePara(p), 0);
    }
    static int Level(const Response& r) {
        int m = 0;
        for (int i : {0, 1, 2, 11, 12, 13}) m = std::max<int>(m, r.Word(i));
        return m;
    }
};

TEST_F(ModelTest, SignalGrowsWithGainIntegralAndPowerAndClipsAt4095) {
    Set(1, 1, 0, 500);
    const int low = Live().Word(0);
    Set(2, 1, 0, 500);
    const int gain2 = Live().Word(0);
    Set(1, 1, 0, 1000);
    const int power1000 = Live().Word(0);
    Set(1, 2, 0, 500);
    const int integral2 = Live().Word(0);
    EXPECT_GT(gain2, low + low / 2);
    EXPECT_GT(power1000, low + low / 2);
    EXPECT_GT(integral2, low + low / 2);
    Set(8, 250, 0, 1000);
    const Response r = Live();
    for (int i : {0, 1, 2, 11, 12, 13}) EXPECT_EQ(r.Word(i), 4095) << i;
    EXPECT_EQ(r.Word(5), 4095) << "INT clips as well";
}

TEST_F(ModelTest, XYAndIntensityFollowTheChannels) {
    sensor.SetColor(300, 200, 100);
    Set(2, 1, 0, 1000);  // 600, 400, 200
    const Response r = Live();
    EXPECT_NEAR(r.Word(0), 600, 3);
    EXPECT_NEAR(r.Word(3), 5000, 30);  // X = 10000 R / (R + G + B)
    EXPECT_NEAR(r.Word(4), 3333, 30);  // Y = 10000 G / (R + G + B)
    EXPECT_NEAR(r.Word(5), 400, 3);    // INT = (R + G + B) / 3
    sensor.SetColor(0, 0, 0);
    const Response dark = Live();
    EXPECT_EQ(dark.Word(0), 0);
    EXPECT_EQ(dark.Word(3), 0);
    EXPECT_EQ(dark.Word(5), 0);
}

TEST_F(ModelTest, SelfAdjustingPowerIsReportedAndBringsTheLevelIntoTheWindow) {
    Set(4, 1, 1, 500);
    const uint16_t power = ReadPara()[lq::POWER];
    EXPECT_GE(power, 500);
    EXPECT_LT(power, 1000);
    const int level = Level(Live());
    EXPECT_GT(level, 3200);
    EXPECT_LE(level, 3300 + 16);
    // Too little signal even at full power: the sensor goes to 1000.
    Set(1, 1, 1, 500);
    EXPECT_EQ(ReadPara()[lq::POWER], 1000);
    // Power mode 0 keeps what was written.
    Set(4, 1, 0, 600);
    EXPECT_EQ(ReadPara()[lq::POWER], 600);
}

TEST_F(ModelTest, AssistantSweepEndsWithinAFewGainSteps) {
    // Default load, POWER MODE 1, then GAIN 1, 2, ... until the level exceeds DYNWIN LO.
    int gain = 0;
    for (int g = 1; g <= 8 && gain == 0; ++g) {
        Set(g, 1, 1, ReadPara()[lq::POWER]);
        if (Level(Live()) > ReadPara()[lq::DYNWIN_LO]) gain = g;
    }
    EXPECT_GE(gain, 2);
    EXPECT_LE(gain, 5);
    // A dark colour needs the integral sweep after the gain sweep.
    sensor.SetColor(60, 40, 20);
    int integral = 0;
    for (int t = 2; t <= 99 && integral == 0; ++t) {
        Set(8, t, 1, ReadPara()[lq::POWER]);
        if (Level(Live()) > ReadPara()[lq::DYNWIN_LO]) integral = t;
    }
    EXPECT_GT(integral, 2);
    EXPECT_LT(integral, 20);
}

TEST_F(ModelTest, TaughtColourIsRecognisedAndOthersGive255) {
    Set(4, 1, 0, 800);
    const Response a = Live();
    sensor.SetColor(200, 700, 500);
    const Response b = Live();

    lq::TeachTable t{};
    for (int n = 0; n < lq::kSensorTeachVectors; ++n)
        for (int j = 0; j < lq::kTeachWords; ++j) t[n][j] = lq::TeachConnectionDefault(j);
    auto teach = [&](int n, const Response& r) {
        t[n][lq::CELL0] = static_cast<uint16_t>(r.Word(3));
        t[n][lq::CELL1] = static_cast<uint16_t>(r.Word(4));
        t[n][lq::CELL2] = static_cast<uint16_t>(r.Word(5));
        t[n][lq::CELL3] = 500;
        t[n][lq::CELL4] = 0;
        t[n][lq::CELL5] = 0;
    };
    teach(0, a);
    teach(1, b);
    ASSERT_EQ(One(lq::ORDER_WRITE, lq::kArgTeachTable, simtest::TeachBytes(t)).status, 0);
    lq::ParaBlock p = sensor.Ram();
    p[lq::MAX_VEC_NO] = 2;
    ASSERT_EQ(WritePara(p), 0);

    EXPECT_EQ(Live().Word(7), 1);
    sensor.SetColor(900, 600, 300);
    EXPECT_EQ(Live().Word(7), 0);
    sensor.SetColor(100, 100, 1000);
    EXPECT_EQ(Live().Word(7), 255);
    // The same chromaticity far darker: outside the intensity tolerance.
    sensor.SetColor(90, 60, 30);
    EXPECT_EQ(Live().Word(7), 255);
    // Only vectors below MAX VEC NO count.
    p[lq::MAX_VEC_NO] = 1;
    ASSERT_EQ(WritePara(p), 0);
    sensor.SetColor(200, 700, 500);
    EXPECT_EQ(Live().Word(7), 255);
}

TEST(SensorNoise, SameSeedSameMeasurements) {
    lqsim::SimConfig c;
    c.seed = 42;
    lqsim::Sensor a(c), b(c);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a.Measure(), b.Measure());
}

// ---- faults -------------------------------------------------------------

class FaultTest : public SensorTest {
  protected:
    std::vector<uint8_t> Raw(const std::vector<uint8_t>& req, std::vector<size_t>* pauses = nullptr,
                             bool* keep = nullptr) {
        std::vector<uint8_t> out;
        std::vector<size_t> p;
        const bool k = sensor.Feed(req.data(), req.size(), out, p);
        if (pauses) *pauses = p;
        if (keep) *keep = k;
        return out;
    }
};

TEST_F(FaultTest, EachFaultShapesTheAnswer) {
    const auto live = Request(lq::ORDER_LIVE);

    sensor.SetFault(lqsim::Fault::Silent);
    EXPECT_TRUE(Raw(live).empty());

    sensor.SetFault(lqsim::Fault::BadSync);
    auto r = Parse(Raw(live));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_NE(r[0].sync, lq::kSync);
    EXPECT_TRUE(r[0].headerOk) << "only the sync byte is wrong";

    sensor.SetFault(lqsim::Fault::BadHeader);
    r = Parse(Raw(live));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].sync, lq::kSync);
    EXPECT_FALSE(r[0].headerOk);

    sensor.SetFault(lqsim::Fault::BadData);
    r = Parse(Raw(live));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_TRUE(r[0].headerOk);
    EXPECT_EQ(r[0].length, 42);
    EXPECT_FALSE(r[0].dataOk);

    for (auto [f, code] : {std::pair{lqsim::Fault::Error1, 1}, {lqsim::Fault::Error2, 2}}) {
        sensor.SetFault(f);
        r = Parse(Raw(live));
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].order, 0);
        EXPECT_EQ(r[0].status, code);
        EXPECT_EQ(r[0].length, 0);
    }

    sensor.SetFault(lqsim::Fault::Fragment);
    std::vector<size_t> pauses;
    const auto bytes = Raw(live, &pauses);
    EXPECT_EQ(bytes.size(), 50u);
    EXPECT_EQ(pauses, (std::vector<size_t>{5, 8}));
    EXPECT_TRUE(Parse(bytes)[0].dataOk) << "the pieces make a correct answer";

    sensor.SetFault(lqsim::Fault::Close);
    bool keep = true;
    EXPECT_TRUE(Raw(live, nullptr, &keep).empty());
    EXPECT_FALSE(keep);

    sensor.SetFault(lqsim::Fault::Oversize);
    r = Parse(Raw(live));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_TRUE(r[0].headerOk);
    EXPECT_GT(r[0].length, 2040);
    EXPECT_EQ(r[0].data.size(), r[0].length);

    sensor.SetFault(lqsim::Fault::None);
    r = Parse(Raw(live));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_TRUE(r[0].dataOk);
}

TEST_F(FaultTest, FaultHitsEveryNthRequest) {
    sensor.SetFault(lqsim::Fault::Error2, 3);
    std::vector<int> orders;
    for (int i = 0; i < 6; ++i) {
        const auto r = Parse(Raw(Request(lq::ORDER_FIRMWARE)));
        ASSERT_EQ(r.size(), 1u);
        orders.push_back(r[0].order);
    }
    EXPECT_EQ(orders, (std::vector<int>{7, 7, 0, 7, 7, 0}));
}

TEST_F(FaultTest, BadDataOnAnAnswerWithoutDataKeepsTheHeaderValid) {
    sensor.SetFault(lqsim::Fault::BadData);
    const auto r = Parse(Raw(Request(lq::ORDER_STORE_EEPROM)));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_TRUE(r[0].headerOk);
    EXPECT_EQ(r[0].length, 0);
}

TEST(FaultNames, RoundTrip) {
    for (auto f :
         {lqsim::Fault::None, lqsim::Fault::Silent, lqsim::Fault::BadSync, lqsim::Fault::BadHeader,
          lqsim::Fault::BadData, lqsim::Fault::Error1, lqsim::Fault::Error2, lqsim::Fault::Fragment,
          lqsim::Fault::Close, lqsim::Fault::Oversize, lqsim::Fault::Lag, lqsim::Fault::Repeat,
          lqsim::Fault::Unsolicited, lqsim::Fault::Drip}) {
        lqsim::Fault g = lqsim::Fault::None;
        EXPECT_TRUE(lqsim::ParseFault(lqsim::FaultName(f), g));
        EXPECT_EQ(g, f);
    }
    lqsim::Fault g;
    EXPECT_FALSE(lqsim::ParseFault("loud", g));
}

}  // namespace
