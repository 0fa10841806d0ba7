// Exchanges against the simulator, over TCP loopback and over a
// pseudo-terminal behind a COM number, with each fault it can inject.
#include <termios.h>

#include <cstring>
#include <memory>

#include "link_world.h"
#include "sim/simulator.h"
#include "sim_link.h"

namespace lq::linktest {
namespace {

enum class Transport { Tcp, Serial };

std::string Name(const testing::TestParamInfo<Transport>& p) {
    return p.param == Transport::Tcp ? "Tcp" : "Serial";
}

struct SimExchange : LinkWorld, testing::TestWithParam<Transport> {
    lqsim::Sensor sensor;
    SimLink sim;
    lqsim::TcpServer* tcp = nullptr;  // set over TCP
    lqsim::PtyServer* pty = nullptr;  // set over the pseudo-terminal
    TempDir dev;

    bool Serial() const { return GetParam() == Transport::Serial; }

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(sim.Open(a, sensor, Serial(), dev.path));
        tcp = sim.tcp.get();
        pty = sim.pty.get();
        Arm();
    }

    void TearDown() override {
        DisconnectFromTCPServer(a);
        CloseCom(a, a.s.link.comPort);
    }

    // The live record in rxBuffer is one the simulator made: its data CRC
    // checked, and it is what was asked for.
    void ExpectLiveRecord() {
        EXPECT_EQ(a.s.respOrder, ORDER_LIVE);
        EXPECT_EQ(a.s.respLength, 42);
        EXPECT_EQ(a.s.respDataCrc, crc8Update(a.s.rxBuffer, 8, 42));
    }
};

TEST_P(SimExchange, LiveRecord) {
    const int16_t words[21] = {100, 200, 300, 400, 500, 600, 0, 3};
    sensor.QueueLiveRecord(words);
    EXPECT_EQ(Exchange(ORDER_LIVE), 1);
    ExpectNoReport();
    ExpectLiveRecord();
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(static_cast<int16_t>(a.s.rxBuffer[8 + 2 * i] | (a.s.rxBuffer[9 + 2 * i] << 8)),
                  words[i])
            << i;
    EXPECT_EQ(a.s.lineStatus, 0);
}

TEST_P(SimExchange, RequestWithDataAndLongestAnswer) {
    // Write the teach table (520-byte request), read it back (512 bytes of data).
    TeachTable t{};
    for (int v = 0; v < kSensorTeachVectors; ++v)
        for (int k = 0; k < kTeachWords; ++k) t[v][k] = static_cast<uint16_t>(v * 8 + k);
    TeachToBytes(t, a.s.frameBuffer + kHeaderSize, kSensorTeachVectors);
    FillTxBuf(a, ORDER_WRITE, kArgTeachTable, kSensorTeachBytes);
    ASSERT_EQ(DataExchange(a, kHeaderSize + kSensorTeachBytes), 1);
    EXPECT_EQ(a.s.respLength, 0);
    ASSERT_EQ(Exchange(ORDER_READ, kArgTeachTable), 1);
    ASSERT_EQ(a.s.respLength, kSensorTeachBytes);
    EXPECT_EQ(0, std::memcmp(a.s.rxBuffer + 8, a.s.frameBuffer + 8, kSensorTeachBytes));
    ExpectNoReport();
}

TEST_P(SimExchange, LengthZeroEndsAfterTheHeader) {
    std::memset(a.s.rxBuffer, 0x77, sizeof a.s.rxBuffer);
    EXPECT_EQ(Exchange(ORDER_STORE_EEPROM), 1);
    EXPECT_EQ(a.s.respOrder, ORDER_STORE_EEPROM);
    EXPECT_EQ(a.s.respLength, 0);
    // The buffer was emptied before the exchange; only the header came in.
    for (int i = 8; i < kFrameBufferSize; ++i) ASSERT_EQ(a.s.rxBuffer[i], 0) << i;
    ExpectNoReport();
}

TEST_P(SimExchange, HeaderInPieces) {
    sensor.SetFault(lqsim::Fault::Fragment);  // 5 bytes, a pause, 3 bytes, a pause, the data
    EXPECT_EQ(Exchange(ORDER_LIVE), 1);
    ExpectNoReport();
    ExpectLiveRecord();
}

struct FaultCase {
    lqsim::Fault fault;
    const char* text;
};

// Every fault fails the exchange with its text and the full report; the link
// stays open and the next exchange succeeds.
TEST_P(SimExchange, FaultsAreReportedAndTheLinkStaysUsable) {
    const FaultCase cases[] = {
        {lqsim::Fault::Silent, kTextTimeout},    {lqsim::Fault::Error1, kTextInvalidOrder},
        {lqsim::Fault::Error2, kTextCommError},  {lqsim::Fault::BadHeader, kTextBadHeader},
        {lqsim::Fault::BadSync, kTextBadHeader}, {lqsim::Fault::BadData, kTextBadData},
        {lqsim::Fault::Oversize, kTextBadData},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault));
        // A valid exchange first, so that the decoded fields hold something.
        sensor.SetFault(lqsim::Fault::None);
        ASSERT_EQ(Exchange(ORDER_LIVE), 1);
        ExpectNoReport();

        sensor.SetFault(c.fault);
        FillTxBuf(a, ORDER_LIVE, 0, 0);
        const double before = tp.now;
        EXPECT_EQ(DataExchange(a, kHeaderSize), -1);
        ExpectReport(c.text);
        if (c.fault == lqsim::Fault::Silent) {
            EXPECT_GT(tp.now - before, 3.0) << "the header wait ran out";
        }
        // The request was not overwritten by what came back.
        EXPECT_EQ(0, std::memcmp(a.s.txBuffer, "\x55\x08\x00\x00\x00\x00\xAA\x76", 8));

        sensor.SetFault(lqsim::Fault::None);
        Arm();
        EXPECT_EQ(Exchange(ORDER_LIVE), 1) << "the link is usable again";
        ExpectNoReport();
        ExpectLiveRecord();
        Arm();
    }
}

TEST_P(SimExchange, SilentSensorIsWaitedForWithoutSpinning) {
    sensor.SetFault(lqsim::Fault::Silent);
    const long dispatches = tp.dispatchCount;
    const double before = tp.now;
    EXPECT_EQ(Exchange(ORDER_LIVE), -1);
    ExpectReport(kTextTimeout);
    // The fake clock moves only when a wait blocks with nothing to do: a
    // handful of dispatches covered the whole 3 s.
    EXPECT_LE(tp.dispatchCount - dispatches, 4);
    if (Serial()) {
        // The final 8-byte read waited out the port's 2-second time-out.
        EXPECT_GE(tp.now - before, 5.0);
        EXPECT_LT(tp.now - before, 5.1);
    } else {
        EXPECT_LT(tp.now - before, 3.1);
    }
}

TEST_P(SimExchange, OversizeAnswerReadsNothingPastTheBuffer) {
    std::memset(a.s.txBuffer, 0xEE, sizeof a.s.txBuffer);
    FillTxBuf(a, ORDER_LIVE, 0, 0);
    sensor.SetFault(lqsim::Fault::Oversize);
    EXPECT_EQ(DataExchange(a, kHeaderSize), -1);
    ExpectReport(kTextBadData);
    EXPECT_EQ(a.s.respLength, 3000);
    for (int i = 8; i < kFrameBufferSize; ++i) ASSERT_EQ(a.s.txBuffer[i], 0xEE) << i;
    EXPECT_LE(a.s.rxCount, kFrameBufferSize);
}

INSTANTIATE_TEST_SUITE_P(Link, SimExchange, testing::Values(Transport::Tcp, Transport::Serial),
                         Name);

// ---- serial only ---------------------------------------------------------------

struct SimSerial : SimExchange {};

TEST_P(SimSerial, BaudRatesReachTheDriver) {
    const std::pair<int, speed_t> cases[] = {
        {0, B9600},   {1, B19200},  {2, B38400},  {3, B57600},  {4, B115200},
        {5, B230400}, {6, B460800}, {7, B921600}, {8, B115200}, {999, B115200},
    };
    for (const auto& [index, speed] : cases) {
        a.s.link.baudIndex = static_cast<uint16_t>(index);
        a.s.running = 1;
        InitRS232(a);
        ASSERT_EQ(a.s.linkResult, 0);
        EXPECT_EQ(a.s.running, 0);
        termios t{};
        ASSERT_EQ(tcgetattr(a.dev.serialFd, &t), 0);
        EXPECT_EQ(cfgetospeed(&t), speed) << index;
        EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
        EXPECT_EQ(Exchange(ORDER_FIRMWARE), 1) << index;
    }
}

TEST_P(SimSerial, PseudoTerminalKeepsNoLineErrors) {
    EXPECT_EQ(Exchange(ORDER_LIVE), 1);
    EXPECT_EQ(GetComStat(a), 0);
}

TEST_P(SimSerial, SensorGoneTimesOutWithoutSpinning) {
    pty->Stop();  // the other end of the line disappears
    const long dispatches = tp.dispatchCount;
    EXPECT_EQ(Exchange(ORDER_LIVE), -1);
    ExpectReport(kTextTimeout);
    EXPECT_LE(tp.dispatchCount - dispatches, 4);
    EXPECT_EQ(a.dev.serialWatch, 0) << "a hung-up line is not watched any more";
}

TEST_P(SimSerial, ReopeningClosesTheOldPort) {
    const int before = a.dev.serialFd;
    InitRS232(a);
    ASSERT_EQ(a.s.linkResult, 0);
    EXPECT_EQ(Exchange(ORDER_LIVE), 1);
    CloseCom(a, 3);
    EXPECT_EQ(a.dev.serialFd, -1);
    EXPECT_EQ(a.dev.serialWatch, 0);
    (void)before;
}

INSTANTIATE_TEST_SUITE_P(Link, SimSerial, testing::Values(Transport::Serial), Name);

// ---- TCP only ------------------------------------------------------------------

struct SimTcp : SimExchange {};

TEST_P(SimTcp, ServerClosingWhileIdleIsReported) {
    ASSERT_EQ(Exchange(ORDER_LIVE), 1);
    tcp->DropClient();
    for (int i = 0; i < 40 && a.s.tcpOpen; ++i) tp.WaitForEvents(1.0);
    ExpectReport(kTextServerClosed);
    EXPECT_EQ(a.s.tcpOpen, 0);
    EXPECT_EQ(a.s.tcpHandle, 0);
    EXPECT_EQ(a.dev.tcpWatch, 0);
    EXPECT_EQ(a.dev.tcpFd, -1);
    // Reconnecting works.
    Arm();
    InitTCP_IP(a);
    ASSERT_EQ(a.s.tcpOpen, 1);
    EXPECT_EQ(Exchange(ORDER_LIVE), 1);
    ExpectNoReport();
}

TEST_P(SimTcp, ServerClosingDuringAnExchange) {
    sensor.SetFault(lqsim::Fault::Close);
    EXPECT_EQ(Exchange(ORDER_LIVE), -1);
    // The close is reported when it happens, the wait then runs out.
    ExpectReports({kTextServerClosed, kTextTimeout});
    EXPECT_EQ(a.s.tcpOpen, 0);
}

TEST_P(SimTcp, ReconnectReplacesTheConnection) {
    a.s.running = 1;
    InitTCP_IP(a);
    ASSERT_EQ(a.s.tcpOpen, 1);
    EXPECT_EQ(tp.waitCursor, 0);
    EXPECT_EQ(Exchange(ORDER_LIVE), 1);
    ExpectNoReport();
}

INSTANTIATE_TEST_SUITE_P(Link, SimTcp, testing::Values(Transport::Tcp), Name);

}  // namespace
}  // namespace lq::linktest
