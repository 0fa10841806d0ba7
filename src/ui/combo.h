// The drop-down history attached to a string field (combination box). The
// list and the completion rules live here; the toolkit only draws and
// forwards keys (Platform::AttachDropDown).
#pragma once

#include <string>

#include "app/core/session_state.h"

namespace lq {

enum ComboError : int { COMBO_NO_COMBO = -45, COMBO_BAD_ATTRIBUTE = -46, COMBO_NO_MEMORY = -12 };
enum ComboAttribute : int {
    ATTR_COMBO_FRAME_COLOR = 4,
    ATTR_COMBO_VISIBLE = 12,
    ATTR_COMBO_NUM_ITEMS = 15,
    ATTR_COMBO_CASE_SENSITIVE = 16,
};

int Combo_NewComboBox(App& a, int panel, int ctrl);
int Combo_SetComboAttribute(App& a, int panel, int ctrl, int attribute, int value);
int Combo_GetComboAttribute(App& a, int panel, int ctrl, int attribute, int* value);
int Combo_InsertComboItem(App& a, int panel, int ctrl, int index, const std::string& text);
int Combo_DeleteComboItem(App& a, int panel, int ctrl, int index, int count);
int Combo_GetIndexFromValue(App& a, int panel, int ctrl, int* index, const std::string& text);
int Combo_GetValueFromIndex(App& a, int panel, int ctrl, int index, std::string* text);
int Combo_DiscardComboBox(App& a, int panel, int ctrl);

}  // namespace lq
