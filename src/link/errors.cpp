// Baud-rate table, result-code texts, and the mapping of Linux errors onto
// the link's result codes.
#include <netdb.h>

#include <cerrno>

#include "link/link.h"
#include "link/link_internal.h"

namespace lq {
namespace {

struct CodeText {
    int code;
    const char* text;
};

constexpr CodeText kRs232Texts[] = {
    {-1, "Unknown system error"}, {-2, "Invalid port number"},
    {-3, "Port is not open"},     {-4, "Unknown I/0 error"},
    {-6, "No serial port found"}, {-7, "Cannot open port"},
    {-14, "Invalid Baudrate"},    {-99, "Timeout"},
};

constexpr const char* kTcpTexts[] = {
    "UnableToRegisterService",
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
    "InfoNotAvailable",
};

struct ErrCode {
    int err;
    int code;
};

// Opening and setting up a serial device.
constexpr ErrCode kRs232Errno[] = {
    {ENOENT, kComCannotOpen},                              // no device node behind the COM number
    {ENODEV, kComCannotOpen},                              // node without a driver
    {ENXIO, kComCannotOpen},                               // driver present, hardware absent
    {EACCES, kComCannotOpen},                              // not in the dialout group
    {EPERM, kComCannotOpen},  {EBUSY, kComCannotOpen},     // held exclusively by another program
    {EROFS, kComCannotOpen},  {ENOTTY, kComNoSerialPort},  // the node is not a terminal
    {EIO, kComIoError},       {EINVAL, kComInvalidBaud},   // the driver refused the line settings
    {ETIMEDOUT, kComTimeout},
};

// Making a TCP connection.
constexpr ErrCode kTcpErrno[] = {
    {ECONNREFUSED, kTcpFailedToConnect},  // host up, nothing listening
    {ETIMEDOUT, kTcpTimeOut},
    {EHOSTUNREACH, kTcpUnableToEstablish},
    {ENETUNREACH, kTcpUnableToEstablish},
    {EADDRNOTAVAIL, kTcpUnableToEstablish},
    {ECONNRESET, kTcpConnectionClosed},
    {ECONNABORTED, kTcpConnectionClosed},
    {ENETDOWN, kTcpNetworkNotReady},
    {EAFNOSUPPORT, kTcpNetworkNotReady},
    {EMFILE, kTcpTooManyConversations},
    {ENFILE, kTcpTooManyConversations},
    {ENOMEM, kTcpOutOfMemory},
    {ENOBUFS, kTcpOutOfMemory},
    {EINVAL, kTcpInvalidParameter},
    {EIO, kTcpGeneralIo},
};

template <size_t N>
int Lookup(const ErrCode (&table)[N], int err, int fallback) {
    for (const ErrCode& e : table)
        if (e.err == err) return e.code;
    return fallback;
}

}  // namespace

int BaudRateOf(int baudIndex) {
    static constexpr int kBaud[] = {9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
    if (baudIndex < 0 || baudIndex >= static_cast<int>(sizeof kBaud / sizeof kBaud[0]))
        return 115200;
    return kBaud[baudIndex];
}

const char* Rs232ErrorText(int code) {
    for (const CodeText& c : kRs232Texts)
        if (c.code == code) return c.text;
    return "RS-232 error!";
}

const char* Rs232PermissionHint(int code, int openErrno) {
    return code == kComCannotOpen && openErrno == EACCES ? kTextDialoutHint : nullptr;
}

const char* TcpErrorText(int code) {
    constexpr int n = static_cast<int>(sizeof kTcpTexts / sizeof kTcpTexts[0]);
    if (code <= -1 && code >= -n) return kTcpTexts[-code - 1];
    return "Connection to server failed";
}

int Rs232CodeOfErrno(int err) {
    return Lookup(kRs232Errno, err, kComUnknownSystemError);
}

int TcpCodeOfErrno(int err) {
    return Lookup(kTcpErrno, err, kTcpFailedToConnect);
}

int TcpCodeOfGaiError(int gaiErr) {
    switch (gaiErr) {
        case 0:
            return 0;
        case EAI_MEMORY:
            return kTcpOutOfMemory;
        case EAI_SERVICE:
        case EAI_BADFLAGS:
            return kTcpInvalidParameter;
        case EAI_SYSTEM:
            return TcpCodeOfErrno(errno);
        default:  // unknown host, no address, name server unreachable
            return kTcpUnableToEstablish;
    }
}

}  // namespace lq
