// Exchanges against a peer the test writes by hand (a socket pair standing in
// for the TCP connection, a pseudo-terminal behind a COM number), for the
// answers the simulator does not give; and opening links that fail.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "link_world.h"
#include "tests/support/unprivileged.h"

namespace lq::linktest {
namespace {

std::vector<uint8_t> Frame(int order, uint16_t status, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> f(kHeaderSize + data.size());
    std::copy(data.begin(), data.end(), f.begin() + kHeaderSize);
    BuildFrameHeader(f.data(), order, status, static_cast<uint16_t>(data.size()));
    return f;
}

std::vector<uint8_t> Bytes(size_t n, uint8_t seed) {
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 13);
    return b;
}

enum class Transport { Tcp, Serial };

struct PeerExchange : LinkWorld, testing::TestWithParam<Transport> {
    TempDir dev;
    int peer = -1;

    bool Serial() const { return GetParam() == Transport::Serial; }

    void SetUp() override {
        if (Serial()) {
            peer = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
            ASSERT_GE(peer, 0);
            ASSERT_EQ(grantpt(peer), 0);
            ASSERT_EQ(unlockpt(peer), 0);
            char name[128];
            ASSERT_EQ(ptsname_r(peer, name, sizeof name), 0);
            termios t{};
            ASSERT_EQ(tcgetattr(peer, &t), 0);
            cfmakeraw(&t);
            ASSERT_EQ(tcsetattr(peer, TCSANOW, &t), 0);
            ASSERT_EQ(symlink(name, (dev / "ttyS0").c_str()), 0);  // COM1
            CopyText(a.dev.deviceDir, dev.path);
            a.s.link.protocol = PROTOCOL_RS232;
            a.s.link.comPort = 1;
            InitRS232(a);
            ASSERT_EQ(a.s.linkResult, 0);
        } else {
            peer = AdoptSocketPair();
            ASSERT_GE(peer, 0);
        }
        Arm();
    }

    void TearDown() override {
        DisconnectFromTCPServer(a);
        CloseCom(a, 1);
        if (peer >= 0) close(peer);
    }

    void Write(const std::vector<uint8_t>& b) {
        size_t done = 0;
        while (done < b.size()) {
            const ssize_t w = write(peer, b.data() + done, b.size() - done);
            ASSERT_GT(w, 0);
            done += static_cast<size_t>(w);
        }
    }

    // Answers with `b` once the request has gone out (inside the first
    // dispatch of the header wait).
    void AnswerWith(std::vector<uint8_t> b) {
        tp.Queue([this, b] { Write(b); });
    }

    // Waits until bytes the peer wrote can be read on the link's descriptor,
    // without dispatching: they lie there as they would while no exchange waits.
    void WaitReadable() {
        pollfd p{Serial() ? a.dev.serialFd : a.dev.tcpFd, POLLIN, 0};
        ASSERT_EQ(poll(&p, 1, 5000), 1);
    }

    // Dispatches until the link has taken in `n` bytes.
    void WaitTakenIn(int n) {
        for (int i = 0; i < 50 && (Serial() ? a.dev.serialQueueLen : a.s.rxCount) < n; ++i)
            tp.WaitForEvents(0.1);
        ASSERT_EQ(Serial() ? a.dev.serialQueueLen : a.s.rxCount, n);
    }

    // The request the peer received.
    std::vector<uint8_t> Received() {
        std::vector<uint8_t> got(64);
        const ssize_t n = read(peer, got.data(), got.size());
        got.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return got;
    }
};

TEST_P(PeerExchange, RequestGoesOutAsBuilt) {
    AnswerWith(Frame(ORDER_FIRMWARE, 0, {'L', 'Q'}));
    EXPECT_EQ(Exchange(ORDER_FIRMWARE), 1);
    EXPECT_EQ(Received(), (std::vector<uint8_t>{0x55, 0x07, 0, 0, 0, 0, 0xAA, 0x52}));
    EXPECT_EQ(a.s.rxBuffer[8], 'L');
    EXPECT_EQ(a.s.rxBuffer[9], 'Q');
}

TEST_P(PeerExchange, ErrorResponsesByStatus) {
    struct Case {
        uint16_t status;
        int result;
        const char* text;  // nullptr: no report
    };
    const Case cases[] = {
        {1, -1, kTextInvalidOrder}, {2, -1, kTextCommError}, {3, 1, nullptr}, {0, 1, nullptr},
        {0xFFFF, 1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        Arm();
        AnswerWith(Frame(ORDER_ERROR, c.status, {}));
        EXPECT_EQ(Exchange(ORDER_LIVE), c.result);
        if (c.text)
            ExpectReport(c.text);
        else
            ExpectNoReport();
        EXPECT_EQ(a.s.respOrder, 0);
        EXPECT_EQ(a.s.respStatus, c.status);
    }
    // An accepted error response may carry data; it is checked like any other.
    Arm();
    AnswerWith(Frame(ORDER_ERROR, 3, {1, 2, 3, 4}));
    EXPECT_EQ(Exchange(ORDER_LIVE), 1);
    EXPECT_EQ(a.s.rxBuffer[11], 4);
}

TEST_P(PeerExchange, LengthZeroNeedsNoDataCheck) {
    std::vector<uint8_t> h = Frame(ORDER_LOAD_EEPROM, 2, {});
    h[6] = 0x5B;  // not the CRC of no bytes, but covered by the header CRC
    h[7] = crc8Update(h.data(), 0, 7);
    AnswerWith(h);
    EXPECT_EQ(Exchange(ORDER_LOAD_EEPROM), 1);
    EXPECT_EQ(a.s.respStatus, 2);
    ExpectNoReport();
}

TEST_P(PeerExchange, LargestAnswerThatFits) {
    const int largest = Serial() ? kSerialQueueSize : kMaxFrameData;
    const std::vector<uint8_t> data = Bytes(static_cast<size_t>(largest), 5);
    AnswerWith(Frame(ORDER_READ, 0, data));
    EXPECT_EQ(Exchange(ORDER_READ), 1);
    EXPECT_EQ(0, std::memcmp(a.s.rxBuffer + 8, data.data(), data.size()));
    ExpectNoReport();
}

TEST_P(PeerExchange, OversizeLengthFailsWithoutWaiting) {
    // A header that announces one byte more than can be held, and nothing else.
    const int length = (Serial() ? kSerialQueueSize : kMaxFrameData) + 1;
    std::vector<uint8_t> h = Frame(ORDER_READ, 0, {});
    h[4] = static_cast<uint8_t>(length & 0xFF);
    h[5] = static_cast<uint8_t>(length >> 8);
    h[7] = crc8Update(h.data(), 0, 7);
    AnswerWith(h);
    const double before = tp.now;
    EXPECT_EQ(Exchange(ORDER_READ), -1);
    ExpectReport(kTextBadData);
    EXPECT_LT(tp.now - before, 1.0) << "no data wait";
    // Nothing of it is left for the next exchange.
    Arm();
    AnswerWith(Frame(ORDER_LIVE, 0, Bytes(42, 1)));
    EXPECT_EQ(Exchange(ORDER_LIVE), 1);
    ExpectNoReport();
}

TEST_P(PeerExchange, LateAnswerIsNotTakenForTheNextOne) {
    // The answer to a request that timed out comes late and lies waiting.
    EXPECT_EQ(Exchange(ORDER_LIVE), -1);
    Received();
    Write(Frame(ORDER_LIVE, 0, Bytes(42, 99)));
    if (Serial()) {
        for (int i = 0; i < 50 && a.dev.serialQueueLen < 50; ++i) tp.WaitForEvents(0.1);
        ASSERT_EQ(a.dev.serialQueueLen, 50);
    }
    AnswerWith(Frame(ORDER_LIVE, 0, Bytes(42, 1)));
    EXPECT_EQ(Exchange(ORDER_LIVE), 1);
    EXPECT_EQ(0, std::memcmp(a.s.rxBuffer + 8, Bytes(42, 1).data(), 42));
}

// A valid frame of another order answers some other request (one that came
// late, was repeated, or was sent unasked): its header counts as incorrect,
// and the decoded fields keep what the last answer to this link said.
TEST_P(PeerExchange, FrameOfAnotherOrderIsAnIncorrectHeader) {
    struct Case {
        int request;
        int answer;
        bool badCrc;  // the header CRC is wrong as well: still one report
    };
    const Case cases[] = {
        {ORDER_FIRMWARE, ORDER_LIVE, false},    {ORDER_READ, ORDER_NAME, false},
        {ORDER_LOAD_EEPROM, ORDER_READ, false}, {ORDER_CYCLE_TIME, ORDER_WRITE, false},
        {ORDER_LIVE, ORDER_CYCLE_TIME, false},  {ORDER_WRITE, ORDER_STORE_EEPROM, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.request << " answered by " << c.answer);
        Arm();
        AnswerWith(Frame(ORDER_NAME, 4711, {'L', 'Q'}));
        ASSERT_EQ(Exchange(ORDER_NAME), 1);
        Received();

        std::vector<uint8_t> f = Frame(c.answer, 3, Bytes(42, 7));
        if (c.badCrc) f[7] ^= 0x01;
        AnswerWith(f);
        EXPECT_EQ(Exchange(c.request), -1);
        ExpectReport(kTextBadHeader);
        EXPECT_EQ(a.s.respOrder, ORDER_NAME);
        EXPECT_EQ(a.s.respStatus, 4711);
        EXPECT_EQ(a.s.respLength, 2);
        Received();
    }
}

// A frame that came while no exchange waited answers no request, even one of
// the very order asked next: the exchange takes the answer to its own request,
// whether the stray bytes were still waiting on the link or already taken in.
TEST_P(PeerExchange, FrameThatCameWhileIdleIsNotTakenForTheAnswer) {
    for (const bool takenIn : {false, true}) {
        SCOPED_TRACE(takenIn ? "taken in" : "waiting on the link");
        Arm();
        Write(Frame(ORDER_LIVE, 0, Bytes(42, 99)));
        WaitReadable();
        if (takenIn) WaitTakenIn(50);
        AnswerWith(Frame(ORDER_LIVE, 0, Bytes(42, 1)));
        EXPECT_EQ(Exchange(ORDER_LIVE), 1);
        ExpectNoReport();
        EXPECT_EQ(0, std::memcmp(a.s.rxBuffer + 8, Bytes(42, 1).data(), 42));
        Received();
    }
}

TEST_P(PeerExchange, HeaderOnlyPartlyThere) {
    AnswerWith({0x55, 0x08, 0x00, 0x00, 0x2A});
    EXPECT_EQ(Exchange(ORDER_LIVE), -1);
    ExpectReport(kTextTimeout);
}

TEST_P(PeerExchange, DataOnlyPartlyThere) {
    std::vector<uint8_t> f = Frame(ORDER_LIVE, 0, Bytes(42, 1));
    f.resize(f.size() - 1);
    AnswerWith(f);
    EXPECT_EQ(Exchange(ORDER_LIVE), -1);
    ExpectReport(kTextTimeout);
}

INSTANTIATE_TEST_SUITE_P(Link, PeerExchange, testing::Values(Transport::Tcp, Transport::Serial),
                         [](const testing::TestParamInfo<Transport>& p) {
                             return p.param == Transport::Tcp ? "Tcp" : "Serial";
                         });

// ---- TCP: timing of the waits and the 2048-byte bound ------------------------------

struct TcpPeer : LinkWorld, testing::Test {
    int peer = -1;
    void SetUp() override {
        peer = AdoptSocketPair();
        ASSERT_GE(peer, 0);
        Arm();
    }
    void TearDown() override {
        DisconnectFromTCPServer(a);
        close(peer);
    }
    void Write(const std::vector<uint8_t>& b) {
        ASSERT_EQ(write(peer, b.data(), b.size()), static_cast<ssize_t>(b.size()));
    }
};

// Each wait has 3.0 s of its own, counted from its own start; bytes that come
// in a dispatch after the limit has passed are too late.
TEST_F(TcpPeer, EachWaitHasItsOwnLimit) {
    const std::vector<uint8_t> f = Frame(ORDER_LIVE, 0, Bytes(42, 1));
    const std::vector<uint8_t> header(f.begin(), f.begin() + 8), data(f.begin() + 8, f.end());
    struct Case {
        double headerDelay, dataDelay;
        int result;
    };
    for (const Case c : {Case{2.99, 2.99, 1}, Case{3.01, 0.0, -1}, Case{0.0, 3.01, -1}}) {
        SCOPED_TRACE(testing::Message() << c.headerDelay << " / " << c.dataDelay);
        Arm();
        // Dispatches 0 and 1 fall into the header wait, 2 and 3 into the data wait.
        tp.Queue([&] { tp.now += c.headerDelay; }, 0);
        tp.Queue([&] { Write(header); }, 1);
        tp.Queue([&] { tp.now += c.dataDelay; }, 2);
        tp.Queue([&] { Write(data); }, 3);
        const double before = tp.now;
        EXPECT_EQ(Exchange(ORDER_LIVE), c.result);
        if (c.result > 0) {
            ExpectNoReport();
            EXPECT_GT(tp.now - before, 5.9) << "longer than one limit in all";
        } else {
            ExpectReport(kTextTimeout);
        }
        for (int i = 0; i < 4; ++i) tp.ProcessSystemEvents();  // what is still queued
    }
}

TEST_F(TcpPeer, DataBeyondTheBufferIsNotReadIntoIt) {
    std::memset(a.s.txBuffer, 0xEE, sizeof a.s.txBuffer);
    a.s.rxCount = 2000;
    Write(std::vector<uint8_t>(3000, 0x11));
    for (int i = 0; i < 10; ++i) tp.WaitForEvents(0.05);
    EXPECT_EQ(a.s.rxCount, kFrameBufferSize);
    for (int i = 2000; i < kFrameBufferSize; ++i) ASSERT_EQ(a.s.rxBuffer[i], 0x11) << i;
    for (int i = 0; i < kFrameBufferSize; ++i) ASSERT_EQ(a.s.txBuffer[i], 0xEE) << i;
    // The rest was taken off the connection, so it does not stay readable.
    uint8_t c;
    EXPECT_LT(recv(a.dev.tcpFd, &c, 1, MSG_DONTWAIT), 0);
    EXPECT_EQ(errno, EAGAIN);
}

TEST_F(TcpPeer, AnswerFollowedByMoreThanFits) {
    std::vector<uint8_t> f = Frame(ORDER_READ, 0, Bytes(kMaxFrameData, 3));
    f.resize(f.size() + 700, 0x22);
    tp.Queue([&] { Write(f); });
    EXPECT_EQ(Exchange(ORDER_READ), 1);
    EXPECT_EQ(0, std::memcmp(a.s.rxBuffer + 8, Bytes(kMaxFrameData, 3).data(), kMaxFrameData));
    ExpectNoReport();
}

TEST_F(TcpPeer, ClosedEventOfAnotherConnectionIsIgnored) {
    ClientTCPCB(a, a.s.tcpHandle + 1000, TCP_DISCONNECT, 0);
    EXPECT_EQ(a.s.tcpOpen, 1);
    ExpectNoReport();
    ClientTCPCB(a, a.s.tcpHandle, TCP_DISCONNECT, 0);
    EXPECT_EQ(a.s.tcpOpen, 0);
    ExpectReport(kTextServerClosed);
}

// What the peer of a new connection sends by itself is gone before the first
// request; a peer that closed at once is still seen to have closed.
TEST(NewConnection, GreetingIsDroppedAndACloseStaysVisible) {
    for (const bool closes : {false, true}) {
        SCOPED_TRACE(closes ? "closed" : "open");
        int sv[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv), 0);
        const std::vector<uint8_t> greeting = Frame(ORDER_LIVE, 0, Bytes(42, 1));
        ASSERT_EQ(write(sv[1], greeting.data(), greeting.size()),
                  static_cast<ssize_t>(greeting.size()));
        if (closes) close(sv[1]);
        SettleNewConnection(sv[0]);
        uint8_t c;
        const ssize_t n = recv(sv[0], &c, 1, MSG_DONTWAIT);
        if (closes) {
            EXPECT_EQ(n, 0);
        } else {
            EXPECT_LT(n, 0);
            EXPECT_EQ(errno, EAGAIN);
            close(sv[1]);
        }
        close(sv[0]);
    }
}

// ---- opening links that fail ---------------------------------------------------------

TEST(OpenLink, SerialPortsThatCannotBeOpened) {
    TempDir dev;
    std::ofstream(dev / "ttyS0") << "a plain file";  // COM1: not a terminal
    struct Case {
        int com;
        int code;
        const char* text;
    };
    const Case cases[] = {
        {5, -7, "Cannot open port"},      // nothing behind COM5
        {1, -6, "No serial port found"},  // not a serial device
        {0, -2, "Invalid port number"},   {97, -2, "Invalid port number"},
        {256, -2, "Invalid port number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.com);
        LinkWorld w;
        CopyText(w.a.dev.deviceDir, dev.path);
        w.a.s.link.comPort = static_cast<uint16_t>(c.com);
        InitRS232(w.a);
        EXPECT_EQ(w.a.s.linkResult, c.code);
        w.ExpectReport(c.text);
        EXPECT_EQ(w.a.dev.serialFd, -1);
        // An exchange on the port that is not open runs into the time-out.
        w.Arm();
        EXPECT_EQ(w.Exchange(ORDER_LIVE), -1);
        w.ExpectReport(kTextTimeout);
    }
}

// A device node the user may not open, as /dev/ttyUSB0 is for a user outside
// the dialout group: the link's text, then one line that says what to do.
TEST(OpenLink, SerialPortRefusedForLackOfPermissionNamesTheDialoutGroup) {
    TempDir dev;
    ASSERT_EQ(chmod(dev.path.c_str(), 0755), 0);
    const std::string node = dev / "ttyUSB0";  // COM33
    std::ofstream(node) << "";
    ASSERT_EQ(chmod(node.c_str(), 0), 0);
    LinkWorld w;
    CopyText(w.a.dev.deviceDir, dev.path);
    w.a.s.link.comPort = 33;
    // In a child process, which may give up root's rights.
    EXPECT_EXIT(
        {
            if (!DropRootRights()) std::_Exit(2);
            InitRS232(w.a);
            const std::string want = std::string("Cannot open port\n") + kTextDialoutHint;
            const bool ok = w.a.s.linkResult == -7 && want == w.a.s.statusText &&
                            w.Box() == want + "\n\n" &&
                            w.tp.GetCtrlValString(w.a.s.dataPanel, DISPS_STATUS) == "TIMEOUT!";
            std::fprintf(stderr, "[%s]", w.Box().c_str());
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// A loopback port with nothing listening.
int ClosedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    socklen_t len = sizeof sa;
    getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    close(fd);
    return ntohs(sa.sin_port);
}

TEST(OpenLink, TcpServersThatCannotBeReached) {
    struct Case {
        int port;
        int code;
        const char* text;
    };
    const Case cases[] = {
        {ClosedPort(), -4, "FailedToConnect"},
        {0, -9, "InvalidParameter"},
        {70000, -9, "InvalidParameter"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port);
        LinkWorld w;
        w.a.s.link.protocol = PROTOCOL_TCPIP;
        CopyText(w.a.s.link.host, "127.0.0.1");
        w.a.s.link.tcpPort = c.port;
        w.a.s.tcpOpen = 1;  // a reconnect after an earlier connection
        InitTCP_IP(w.a);
        EXPECT_EQ(w.a.s.linkResult, c.code);
        EXPECT_EQ(w.a.s.tcpOpen, 0);
        EXPECT_EQ(w.tp.waitCursor, 0);
        w.ExpectReport(c.text);
    }
}

}  // namespace
}  // namespace lq::linktest
