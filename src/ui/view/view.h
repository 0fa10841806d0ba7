// The drawing side of the data panel and the configuration display: tolerance
// circles, framing, cursors, strip chart, live numbers, and the parameter
// controls and teach grid.
#pragma once

#include <cstdint>

#include "app/core/session_state.h"

namespace lq {

// 75 colours, a cycle of 15: entry i colours teach vector i and grid row i + 1.
uint32_t ColorCycle(int index);

// Shows the parameter block and the teach table on the screen.
void SetPanelValues(App& a);
// Redraws the tolerance circles and recomputes the graph extents.
void InitGraphs(App& a);
// Reframes the graphs around the extents and the live record, moves the
// cursors and replots the strip chart.
void ShowGraph3D(App& a);
// Shows the live record on the data panel and appends it to the history.
void SetPanelData(App& a);

}  // namespace lq
