// The drop-down history attached to a string field (combination box). The
// list and the completion rules live here; the toolkit only draws and
// forwards keys (Platform::AttachDropDown).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/core/session_state.h"

namespace lq {

enum ComboError : int {
    COMBO_NO_COMBO = -45,
    COMBO_BAD_ATTRIBUTE = -46,
    COMBO_NO_MEMORY = -12,
    COMBO_BAD_INDEX = -14,  // an index or count outside the list
};
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
// The texts of the first `max` entries (all when max < 0), top first; empty
// when the field has no list.
std::vector<std::string> Combo_GetItems(App& a, int panel, int ctrl, int max = -1);

// ---- the list and completion rules, free of any toolkit --------------------

// The field text after completing `typed` from `items`, and the added part to
// select. Empty when nothing is completed: an empty text, no item that begins
// with it, or a first such item shorter than two characters. The first item
// that begins with the text wins; letter case is compared only when
// `caseSensitive` (ASCII letters). The result is cut to `maxLength` (0: none).
struct ComboCompletion {
    std::string text;
    int selStart = 0;
    int selLength = 0;
};
std::optional<ComboCompletion> CompleteFromItems(const std::vector<std::string>& items,
                                                 const std::string& typed, bool caseSensitive,
                                                 int maxLength);

// The ordered item list of one combination (index 0 at the top).
class ComboList {
  public:
    int Count() const { return static_cast<int>(items_.size()); }
    // 0 ... Count(); Count() appends. 0, COMBO_BAD_INDEX or COMBO_NO_MEMORY.
    int Insert(int index, const std::string& text);
    // `count` items from `index`; -1: every item from `index` on. An index
    // equal to Count() deletes nothing. 0 or COMBO_BAD_INDEX.
    int Delete(int index, int count);
    // First item equal to `text`, letter case included; -1 when none.
    int Find(const std::string& text) const;
    const std::string* At(int index) const;
    const std::vector<std::string>& Items() const { return items_; }

  private:
    std::vector<std::string> items_;
};

}  // namespace lq
