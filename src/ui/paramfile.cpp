// Placeholder until the parameter file lands.
#include "ui/paramfile.h"

namespace lq {
void SendParaToFile(App&) {}
void ReadParaFromFile(App&) {}
}  // namespace lq
