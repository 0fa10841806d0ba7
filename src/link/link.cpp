// Placeholder until the link lands.
#include "link/link.h"

namespace lq {
void FillTxBuf(App&, int, uint16_t, uint16_t) {}
int CheckHeaderCRC(App&) { return -1; }
void InitRS232(App& a) { a.s.linkResult = -1; }
void InitTCP_IP(App& a) { a.s.linkResult = -1; }
void CloseCom(App&, int) {}
void DisconnectFromTCPServer(App&) {}
int ClientTCPCB(App&, int, int, int) { return 0; }
int DataExchange(App&, int) { return -1; }
int GetHeaderFrame(App&) { return -1; }
int GetDataFrame(App&) { return -1; }
void SetTimeout(App&) {}
void ReportFailure(App&, const char*) {}
int BaudRateOf(int) { return 115200; }
const char* Rs232ErrorText(int) { return "RS-232 error!"; }
const char* TcpErrorText(int) { return "Connection to server failed"; }
bool ComDevicePath(const char*, int, char* out, size_t n) {
    if (out && n) out[0] = 0;
    return false;
}
int LocateCom(const char*, int*, int) { return 0; }
}  // namespace lq
