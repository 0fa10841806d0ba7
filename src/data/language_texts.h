// The program's languages and every text it shows in all of them: the
// assistant's dialogues and the default-parameter question. Each table is
// indexed by the language (0 German, 1 English, 2 French, 3 Spanish,
// 4 Portuguese, 5 Italian, 6 Polish). UTF-8.
#pragma once

namespace lq {

// The program's languages (SessionState::language 0..6); every table has this many.
inline constexpr int kLanguages = 7;

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
// Asked after connecting: send the default parameters to the sensor?
extern const char* const TextSendDefaultParameters[kLanguages];

// The text of `table` in `language`, for every table above. A language
// outside 0..6 (a damaged settings file can carry one) falls back to German,
// the start-up language, rather than reading past the table.
const char* AssistText(const char* const (&table)[kLanguages], int language);

}  // namespace lq
