// The teach assistant: colour count and output mode, power adjustment, teaching.
#pragma once

#include "app/core/session_state.h"

namespace lq {

void StartAssistant(App& a);
int GetMaxVecNo(App& a);
int SetSensorPower(App& a);
int TeachColors(App& a);

}  // namespace lq
