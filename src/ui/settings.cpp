// Placeholder until the settings file lands.
#include "ui/settings.h"

namespace lq {
void LoadPanelSettings(App&) {}
void GetConnectionSettingsFromFile(App&) {}
void StorePanelSettings(App&) {}
}  // namespace lq
