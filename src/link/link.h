// The sensor link: building requests, opening the serial or TCP link, one
// request/response exchange under time limits, and the failure report.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/core/session_state.h"
#include "link/crc8.h"

namespace lq {

// Builds a request in txBuffer from frameBuffer (request data already at 8..).
void FillTxBuf(App& a, int order, uint16_t argument, uint16_t length);
// 1 when rxBuffer[0..7] is a valid response header (decodes resp* fields);
// otherwise reports "ATTENTION! \nRECEIVED HEADER FRAME IS INCORRECT!" and -1.
int CheckHeaderCRC(App& a);

// (Re)opens the serial port of a.s.link; result in a.s.linkResult.
void InitRS232(App& a);
// (Re)connects to the TCP server of a.s.link; result in a.s.linkResult; sets tcpOpen.
void InitTCP_IP(App& a);
// Closes serial port `comPort` (harmless when not open).
void CloseCom(App& a, int comPort);
// Closes the TCP connection (tcpOpen = 0).
void DisconnectFromTCPServer(App& a);

enum TcpEvent : int { TCP_DISCONNECT = 1, TCP_DATAREADY = 2 };
int ClientTCPCB(App& a, int handle, int event, int error);

// One exchange of `count` bytes of txBuffer. 1 success, -1 failure (reported).
int DataExchange(App& a, int count);
int GetHeaderFrame(App& a);
int GetDataFrame(App& a);

// The failure report: ends the live loop and the connection and reports
// statusText (SessionEvents::FailureReported).
void SetTimeout(App& a);
// Appends to the status log (SessionEvents::StatusAppended).
void AppendStatusBox(App& a, std::string_view text);
// A link failure: puts `text` into statusText, counts it in dev.failures and
// raises the failure report.
void ReportFailure(App& a, const char* text);

// Baud rate of a baud-rate index (115200 for unknown indices).
int BaudRateOf(int baudIndex);
// Text of an RS-232 / TCP error code.
const char* Rs232ErrorText(int code);
const char* TcpErrorText(int code);
// The line added below an RS-232 text when a COM device exists but the user may
// not open it (`openErrno`: errno of the failed open); nullptr otherwise.
const char* Rs232PermissionHint(int code, int openErrno);
inline constexpr const char* kTextDialoutHint =
    "Permission denied: to use this serial port the user must be in the dialout group "
    "(sudo usermod -aG dialout $USER, then log in again).";

// Device path of a COM number inside `deviceDir` ("" when the number has none).
// COM1-32 ttyS0-31, COM33-64 ttyUSB0-31, COM65-96 ttyACM0-31.
bool ComDevicePath(const char* deviceDir, int comPort, char* out, size_t outSize);
// Fills `ports` with the COM numbers whose device exists; returns how many.
int LocateCom(const char* deviceDir, int* ports, int capacity);

// Texts of the exchange failures.
inline constexpr const char* kTextTimeout =
    "TIMEOUT! \nNO DATA RECEIVED! \nCOMMUNICATION ERROR! \nCHECK POWER SUPPLY AND COM SETTINGS. "
    "\nTRY TO CONNECT AGAIN!";
inline constexpr const char* kTextBadHeader = "ATTENTION! \nRECEIVED HEADER FRAME IS INCORRECT!";
inline constexpr const char* kTextBadData = "ATTENTION! \nRECEIVED DATA FRAME IS INCORRECT!";
inline constexpr const char* kTextInvalidOrder =
    "INVALIDE ORDER NUMBER!\nVERIFY PC AND SENSOR SOFTWARE!";
inline constexpr const char* kTextCommError =
    "COMMUNICATION ERROR!\nYOU MAY HAVE TO REDUCE BAUDRATE!";
inline constexpr const char* kTextServerClosed = "SERVER HAS CLOSED CONNECTION!";

}  // namespace lq
