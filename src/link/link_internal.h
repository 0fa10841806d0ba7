// Building blocks of the link, shared by its files and its tests: the serial
// port primitives over termios, the TCP client primitives over sockets, and
// the tables that turn Linux errors into the link's negative result codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "app/core/session_state.h"

namespace lq {

// ---- result codes of opening the serial port --------------------------------
inline constexpr int kComUnknownSystemError = -1;
inline constexpr int kComInvalidPort = -2;
inline constexpr int kComPortNotOpen = -3;
inline constexpr int kComIoError = -4;
inline constexpr int kComNoSerialPort = -6;
inline constexpr int kComCannotOpen = -7;
inline constexpr int kComInvalidBaud = -14;
inline constexpr int kComTimeout = -99;

// ---- result codes of the TCP client ------------------------------------------
inline constexpr int kTcpUnableToEstablish = -2;
inline constexpr int kTcpFailedToConnect = -4;
inline constexpr int kTcpTooManyConversations = -6;
inline constexpr int kTcpInvalidParameter = -9;
inline constexpr int kTcpOutOfMemory = -10;
inline constexpr int kTcpTimeOut = -11;
inline constexpr int kTcpGeneralIo = -13;
inline constexpr int kTcpConnectionClosed = -14;
inline constexpr int kTcpNetworkNotReady = -17;

// Linux errno (from open/ioctl/tcsetattr) -> serial result code.
int Rs232CodeOfErrno(int err);
// Linux errno (from socket/connect) -> TCP result code.
int TcpCodeOfErrno(int err);
// getaddrinfo() result -> TCP result code.
int TcpCodeOfGaiError(int gaiErr);

// ---- line-error bits of the serial port (GetComStat) ---------------------------
inline constexpr int kLineParity = 0x0010;
inline constexpr int kLineOverrun = 0x0020;
inline constexpr int kLineFraming = 0x0040;
inline constexpr int kLineBreak = 0x0080;

// ---- serial port primitives (a.dev) --------------------------------------------
// Opens COM `comPort` raw 8N1 at `baud`, no handshake; the previous port is
// closed first. Returns 0 or a negative serial result code.
int OpenComConfig(App& a, int comPort, int baud);
bool SerialOpen(const App& a);
void SetComTime(App& a, double seconds);
void FlushInQ(App& a);
void FlushOutQ(App& a);
// Bytes waiting in the input queue (moves what the driver holds into it).
int GetInQLen(App& a);
// Line-error bits accumulated since the last call (0 when the driver keeps none).
int GetComStat(App& a);
// Reads up to `count` bytes, waiting at most the port's time-out; bytes read.
int ComRd(App& a, uint8_t* buffer, int count);
// Writes `count` bytes, waiting at most the port's time-out; bytes written.
int ComWrt(App& a, const uint8_t* buffer, int count);

// ---- TCP client primitives ------------------------------------------------------
// Resolves `host`, connects within `timeoutMs`; returns a connected
// non-blocking socket (>= 0) or a negative TCP result code.
// `whileWaiting` runs between short waits for the connection.
int TcpConnect(const char* host, int port, int timeoutMs,
               const std::function<void()>& whileWaiting = {});
// A peer may greet a new connection with frames of its own, which answer no
// request. Drops what arrives until the connection has been quiet for a
// moment (20 ms, at most 250 ms in all); a close stays to be seen.
void SettleNewConnection(int fd);
// Writes `count` bytes of txBuffer on the open connection; bytes written.
int ClientTCPWrite(App& a, const uint8_t* buffer, int count, double timeoutSeconds);
// Reads and throws away whatever the connection holds right now; true when
// anything was there.
bool DiscardTcpInput(App& a);
// Takes a connected stream socket as the link's TCP connection (what
// InitTCP_IP does after connecting): watch, handle, tcpOpen = 1.
void AdoptTcpSocket(App& a, int fd);

}  // namespace lq
