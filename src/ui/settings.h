// The settings file PanelSettings.cfg: window geometry, language, last
// parameter file, host history and communication settings.
#pragma once

#include "app/core/session_state.h"

namespace lq {

void LoadPanelSettings(App& a);
void GetConnectionSettingsFromFile(App& a);
void StorePanelSettings(App& a);

}  // namespace lq
