// The teach assistant: colour count and output mode, power adjustment, teaching.
#pragma once

#include <string_view>

#include "app/core/session_state.h"

namespace lq {

// Runs the three stages in order and shows the closing cancellation messages.
void StartAssistant(App& a);
// Stages: 0 = go on, 1 = stop.
int GetMaxVecNo(App& a);
int SetSensorPower(App& a);
int TeachColors(App& a);

// The colour-count entry as a decimal integer: leading blanks, one sign,
// digits up to the first non-digit; no digits give 0. Values beyond the int
// range saturate (they are out of range for the count anyway).
int ParseCountEntry(std::string_view text);

// Largest colour count of the connected model (3 on the two-output model).
int MaxColorCount(const App& a);

}  // namespace lq
