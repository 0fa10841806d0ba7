// Placeholder until the measurement view lands.
#include "ui/view/view.h"

namespace lq {
uint32_t ColorCycle(int) { return 0; }
void SetPanelValues(App&) {}
void InitGraphs(App&) {}
void ShowGraph3D(App&) {}
void SetPanelData(App&) {}
}  // namespace lq
