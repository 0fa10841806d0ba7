// Placeholder until the drop-down history lands.
#include "ui/combo.h"

namespace lq {
int Combo_NewComboBox(App&, int, int ctrl) { return ctrl; }
int Combo_SetComboAttribute(App&, int, int, int, int) { return 0; }
int Combo_GetComboAttribute(App&, int, int, int, int* v) {
    if (v) *v = 0;
    return 0;
}
int Combo_InsertComboItem(App&, int, int, int, const std::string&) { return 0; }
int Combo_DeleteComboItem(App&, int, int, int, int) { return 0; }
int Combo_GetIndexFromValue(App&, int, int, int* i, const std::string&) {
    if (i) *i = -1;
    return 0;
}
int Combo_GetValueFromIndex(App&, int, int, int, std::string* t) {
    if (t) t->clear();
    return 0;
}
int Combo_DiscardComboBox(App&, int, int) { return 0; }
}  // namespace lq
