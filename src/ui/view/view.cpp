// Placeholder until the measurement view lands.
#include "ui/view/view.h"

namespace lq {
void SetPanelValues(App&) {}
void InitGraphs(App&) {}
void ShowGraph3D(App&) {}
void SetPanelData(App&) {}
}  // namespace lq
