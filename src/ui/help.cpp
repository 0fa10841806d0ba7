// Placeholder until the help table lands.
#include "ui/help.h"

namespace lq {
const char* HelpText(const char*) { return nullptr; }
bool HandleHelp(void*, int, const char*) { return false; }
}  // namespace lq
