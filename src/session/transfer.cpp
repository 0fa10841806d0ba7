// Placeholder until the parameter transfer lands.
#include "session/session.h"

namespace lq {
void SendPara(App&) {}
void GetPara(App&) {}
}  // namespace lq
