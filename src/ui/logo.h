// The title text and logo at the top of the main panel, and the teach-grid
// preparation done at start-up.
#pragma once

#include <cstdint>
#include <string>

#include "app/core/session_state.h"

namespace lq {

void ShowLogo(App& a);
int ShowInfoText(App& a, const std::string& text, int tooltip, int left, int top, int pointSize,
                 uint32_t bgColor, uint32_t textColor);
void PrepareTeachGrid(App& a);

}  // namespace lq
