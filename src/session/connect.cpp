// Placeholder until the connection sequence lands.
#include "session/session.h"

namespace lq {
void TryToConnect(App&) {}
void CheckComLine(App&) {}
void Disconnect(App&) {}
void SetButtonsDimmed(App&, int, int) {}
FirmwareInfo ParseFirmware(const char*) { return {}; }
const char* DefaultParaQuestion(int) { return ""; }
}  // namespace lq
