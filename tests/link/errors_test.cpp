// Baud rates, result-code texts, the mapping of Linux errors onto result
// codes, and where COM numbers point.
#include <fcntl.h>
#include <netdb.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>

#include "link_world.h"

namespace lq::linktest {
namespace {

TEST(LinkTables, BaudRates) {
    const int expected[] = {9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(BaudRateOf(i), expected[i]) << i;
    for (int i : {-1, 8, 9, 255, 65535}) EXPECT_EQ(BaudRateOf(i), 115200) << i;
}

TEST(LinkTables, Rs232Texts) {
    const std::pair<int, const char*> cases[] = {
        {-1, "Unknown system error"}, {-2, "Invalid port number"},
        {-3, "Port is not open"},     {-4, "Unknown I/0 error"},
        {-6, "No serial port found"}, {-7, "Cannot open port"},
        {-14, "Invalid Baudrate"},    {-99, "Timeout"},
        {-5, "RS-232 error!"},        {-8, "RS-232 error!"},
        {-100, "RS-232 error!"},
    };
    for (const auto& [code, text] : cases) EXPECT_STREQ(Rs232ErrorText(code), text) << code;
}

TEST(LinkTables, TcpTexts) {
    const char* names[] = {"UnableToRegisterService",
                           "UnableToEstablishConnection",
                           "ExistingServer",
                           "FailedToConnect",
                           "ServerNotRegistered",
                           "TooManyConversations",
                           "ReadFailed",
                           "WriteFailed",
                           "InvalidParameter",
                           "OutOfMemory",
                           "TimeOutError",
                           "NoConnectionEstablished",
                           "GeneralIOErr",
                           "ConnectionClosed",
                           "UnableToLoadWinsockDLL",
                           "IncorrectWinsockDLLVersion",
                           "NetworkSubsystemNotReady",
                           "ConnectionsStillOpen",
                           "DisconnectPending",
                           "InfoNotAvailable"};
    for (int i = 0; i < 20; ++i) EXPECT_STREQ(TcpErrorText(-1 - i), names[i]) << -1 - i;
    for (int code : {-21, -50, 0, 1})
        EXPECT_STREQ(TcpErrorText(code), "Connection to server failed");
}

TEST(LinkTables, LinuxErrorsOntoSerialCodes) {
    const std::pair<int, const char*> cases[] = {
        {ENOENT, "Cannot open port"}, {ENODEV, "Cannot open port"},
        {ENXIO, "Cannot open port"},  {EACCES, "Cannot open port"},
        {EBUSY, "Cannot open port"},  {ENOTTY, "No serial port found"},
        {EIO, "Unknown I/0 error"},   {EINVAL, "Invalid Baudrate"},
        {ETIMEDOUT, "Timeout"},       {ENOMEM, "Unknown system error"},
    };
    for (const auto& [err, text] : cases)
        EXPECT_STREQ(Rs232ErrorText(Rs232CodeOfErrno(err)), text) << err;
}

TEST(LinkTables, LinuxErrorsOntoTcpCodes) {
    const std::pair<int, const char*> cases[] = {
        {ECONNREFUSED, "FailedToConnect"},
        {ETIMEDOUT, "TimeOutError"},  // a host that does not answer
        {EHOSTUNREACH, "UnableToEstablishConnection"},
        {ENETUNREACH, "UnableToEstablishConnection"},
        {ECONNRESET, "ConnectionClosed"},
        {ENETDOWN, "NetworkSubsystemNotReady"},
        {EMFILE, "TooManyConversations"},
        {ENOBUFS, "OutOfMemory"},
        {EINVAL, "InvalidParameter"},
        {EIO, "GeneralIOErr"},
        {EPROTO, "FailedToConnect"},
    };
    for (const auto& [err, text] : cases)
        EXPECT_STREQ(TcpErrorText(TcpCodeOfErrno(err)), text) << err;
    EXPECT_STREQ(TcpErrorText(TcpCodeOfGaiError(EAI_NONAME)), "UnableToEstablishConnection");
    EXPECT_STREQ(TcpErrorText(TcpCodeOfGaiError(EAI_AGAIN)), "UnableToEstablishConnection");
    EXPECT_STREQ(TcpErrorText(TcpCodeOfGaiError(EAI_MEMORY)), "OutOfMemory");
}

TEST(ComPorts, DevicePaths) {
    const std::pair<int, const char*> cases[] = {
        {1, "/dev/ttyS0"},     {32, "/dev/ttyS31"},  {33, "/dev/ttyUSB0"},
        {64, "/dev/ttyUSB31"}, {65, "/dev/ttyACM0"}, {96, "/dev/ttyACM31"},
    };
    char out[64];
    for (const auto& [com, path] : cases) {
        EXPECT_TRUE(ComDevicePath("/dev", com, out, sizeof out)) << com;
        EXPECT_STREQ(out, path);
    }
    for (int com : {0, -1, 97, 256, 1000}) {
        EXPECT_FALSE(ComDevicePath("/dev", com, out, sizeof out)) << com;
        EXPECT_STREQ(out, "");
    }
    char small[8];
    EXPECT_FALSE(ComDevicePath("/dev", 40, small, sizeof small)) << "does not fit";
    EXPECT_STREQ(small, "");
}

TEST(ComPorts, LocateListsTheNumbersWithADevice) {
    TempDir dir;
    for (const char* n : {"ttyS2", "ttyUSB0", "ttyACM31"})
        ASSERT_EQ(symlink("/dev/null", (dir / n).c_str()), 0);  // a character device
    std::ofstream(dir / "ttyS5") << "not a device";
    ASSERT_EQ(symlink("/nonexistent/x", (dir / "ttyS7").c_str()), 0);
    int ports[8] = {};
    const int n = LocateCom(dir.path.c_str(), ports, 8);
    ASSERT_EQ(n, 3);
    EXPECT_EQ(ports[0], 3);
    EXPECT_EQ(ports[1], 33);
    EXPECT_EQ(ports[2], 96);
    EXPECT_EQ(LocateCom(dir.path.c_str(), ports, 2), 2) << "capacity is honoured";
}

}  // namespace
}  // namespace lq::linktest
