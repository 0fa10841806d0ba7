// The assistant's operator dialogues: eleven tables of seven texts each,
// indexed by the language (0 German, 1 English, 2 French, 3 Spanish,
// 4 Portuguese, 5 Italian, 6 Polish). UTF-8.
#pragma once

#include "app/core/session_state.h"  // kLanguages

namespace lq {

extern const char* const AssistTextParaCancelled[kLanguages];
extern const char* const AssistTextTeachCancelled[kLanguages];
extern const char* const AssistTextAskColorCount[kLanguages];
extern const char* const AssistTextCountOutOfRange[kLanguages];
extern const char* const AssistTextCountDefault[kLanguages];
extern const char* const AssistTextAskDirectOutput[kLanguages];
extern const char* const AssistTextPlaceBrightest[kLanguages];
extern const char* const AssistTextAutoAdjust[kLanguages];
extern const char* const AssistTextPlaceColor[kLanguages];
extern const char* const AssistTextTooBright[kLanguages];
extern const char* const AssistTextSavedToEeprom[kLanguages];

// The text of `table` in `language`. A language outside 0..6 (a damaged
// settings file can carry one) falls back to German, the start-up language,
// rather than reading past the table.
const char* AssistText(const char* const (&table)[kLanguages], int language);

}  // namespace lq
