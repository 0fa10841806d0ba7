// Right-click help: every operable control shows its help text under "INFO!".
#pragma once

namespace lq {

// The help text of a callback ("CBF_ButtonSend"), or nullptr when it has none.
const char* HelpText(const char* callbackName);
// On EVENT_RIGHT_CLICK shows the callback's help popup and returns true.
bool HandleHelp(void* callbackData, int event, const char* callbackName);

}  // namespace lq
