// The program's entry, start-up sequence and shutdown.
#pragma once

#include <string>

#include "app/core/session_state.h"
#include "data/program.h"  // kUirFileName, kProgramTitle

namespace lq {

// Loads the panels, runs InitAll and the event loop, shuts down. 0 after a
// normal end, -1 when the resource or a panel cannot be loaded.
int WinMain(App& a);
// WinMain's steps 2 to 5: loads MAINP and DATAP, sets the title, places DATAP,
// and obtains the tab-page handles. 0, or -1 when the resource or a panel
// cannot be loaded. Tests use it to set up the panels without InitAll.
int LoadProgramPanels(App& a, const std::string& uirPath);
void InitAll(App& a);

}  // namespace lq
