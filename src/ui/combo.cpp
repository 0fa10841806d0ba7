// The drop-down history of a string field. The toolkit draws the arrow and
// the menu and forwards the operator's keys and picks through DropDownHooks;
// the list, the picking and the completion while typing are done here.
#include "ui/combo.h"

#include <algorithm>
#include <memory>
#include <new>

#include "app/core/platform.h"

namespace lq {

// ---- list and completion ------------------------------------------------------

namespace {

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWith(const std::string& item, const std::string& prefix, bool caseSensitive) {
    if (item.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        const char x = caseSensitive ? item[i] : FoldCase(item[i]);
        const char y = caseSensitive ? prefix[i] : FoldCase(prefix[i]);
        if (x != y) return false;
    }
    return true;
}

std::string CutTo(std::string text, int maxLength) {
    if (maxLength > 0 && text.size() > static_cast<size_t>(maxLength))
        text.resize(static_cast<size_t>(maxLength));
    return text;
}

}  // namespace

std::optional<ComboCompletion> CompleteFromItems(const std::vector<std::string>& items,
                                                 const std::string& typed, bool caseSensitive,
                                                 int maxLength) {
    if (typed.empty()) return std::nullopt;
    const auto match = std::find_if(items.begin(), items.end(), [&](const std::string& item) {
        return StartsWith(item, typed, caseSensitive);
    });
    if (match == items.end() || match->size() < 2) return std::nullopt;
    ComboCompletion c;
    c.text = CutTo(typed + match->substr(typed.size()), maxLength);
    c.selStart = static_cast<int>(std::min(typed.size(), c.text.size()));
    c.selLength = static_cast<int>(c.text.size()) - c.selStart;
    return c;
}

int ComboList::Insert(int index, const std::string& text) {
    if (index < 0 || index > Count()) return COMBO_BAD_INDEX;
    try {
        items_.insert(items_.begin() + index, text);
    } catch (const std::bad_alloc&) {
        return COMBO_NO_MEMORY;
    }
    return 0;
}

int ComboList::Delete(int index, int count) {
    if (index < 0 || index > Count() || count < -1) return COMBO_BAD_INDEX;
    const int available = Count() - index;
    if (count == -1) count = available;
    if (count > available) return COMBO_BAD_INDEX;
    items_.erase(items_.begin() + index, items_.begin() + index + count);
    return 0;
}

int ComboList::Find(const std::string& text) const {
    const auto it = std::find(items_.begin(), items_.end(), text);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

const std::string* ComboList::At(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return &items_[static_cast<size_t>(index)];
}

// ---- the combinations of the application -------------------------------------------

class ComboBox;

// Every combination of the run, and the two flags they share: a pick in
// progress (its callbacks must not complete) and no completion until the
// next key that produces a character.
class ComboRegistry {
  public:
    explicit ComboRegistry(App& a) : app(a) {}
    ~ComboRegistry();
    ComboBox* Find(int panel, int ctrl);

    App& app;
    std::vector<std::unique_ptr<ComboBox>> boxes;
    bool pickInProgress = false;
    bool noCompletion = false;
};

class ComboBox final : public DropDownHooks {
  public:
    ComboBox(ComboRegistry& r, int p, int c) : reg(r), panel(p), ctrl(c) {}

    void OnKey(int charCode) override { reg.noCompletion = (charCode == 0); }

    void OnTextEdited() override {
        if (reg.pickInProgress || reg.noCompletion) return;
        Platform& ui = reg.app.ui;
        const std::string typed = ui.GetCtrlValString(panel, ctrl);
        const auto c =
            CompleteFromItems(list.Items(), typed, caseSensitive, ui.GetCtrlMaxLength(panel, ctrl));
        if (!c) return;
        ui.SetCtrlVal(panel, ctrl, c->text);
        ui.SetCtrlTextSelection(panel, ctrl, c->selStart, c->selLength);
        reg.noCompletion = true;
    }

    int ItemCount() const override { return list.Count(); }

    std::string ItemText(int index) const override {
        const std::string* t = list.At(index);
        return t ? *t : std::string();
    }

    void OnPick(int index) override {
        const std::string* item = list.At(index);
        if (!item) return;
        // The callbacks below may change the list (and even discard this
        // combination): keep only copies and the registry from here on.
        ComboRegistry& r = reg;
        Platform& ui = r.app.ui;
        const int p = panel, c = ctrl;
        const std::string text = CutTo(*item, ui.GetCtrlMaxLength(p, c));
        ui.SetCtrlVal(p, c, text);
        ui.SetCtrlTextSelection(p, c, 0, static_cast<int>(text.size()));
        const bool wasPicking = r.pickInProgress;
        r.pickInProgress = true;
        ui.CallCtrlCallback(p, c, EVENT_VAL_CHANGED, index, 0);
        ui.CallCtrlCallback(p, c, EVENT_COMMIT, index, 0);
        r.pickInProgress = wasPicking;
    }

    ComboRegistry& reg;
    const int panel;
    const int ctrl;
    ComboList list;
    bool caseSensitive = false;
    uint32_t frameColor = 0;
};

ComboRegistry::~ComboRegistry() {
    for (auto& b : boxes) app.ui.AttachDropDown(b->panel, b->ctrl, nullptr);
}

ComboBox* ComboRegistry::Find(int panel, int ctrl) {
    for (auto& b : boxes)
        if (b->panel == panel && b->ctrl == ctrl) return b.get();
    return nullptr;
}

namespace {

ComboBox* FindCombo(App& a, int panel, int ctrl) {
    return a.combos ? a.combos->Find(panel, ctrl) : nullptr;
}

void DeleteRegistry(ComboRegistry* r) {
    delete r;
}

}  // namespace

// ---- the operations -------------------------------------------------------------------

int Combo_NewComboBox(App& a, int panel, int ctrl) {
    try {
        if (!a.combos) a.combos = {new ComboRegistry(a), &DeleteRegistry};
        if (a.combos->Find(panel, ctrl)) return COMBO_NO_COMBO;
        a.combos->boxes.push_back(std::make_unique<ComboBox>(*a.combos, panel, ctrl));
    } catch (const std::bad_alloc&) {
        return COMBO_NO_MEMORY;
    }
    a.ui.AttachDropDown(panel, ctrl, a.combos->boxes.back().get());
    return ctrl;
}

int Combo_SetComboAttribute(App& a, int panel, int ctrl, int attribute, int value) {
    ComboBox* b = FindCombo(a, panel, ctrl);
    if (!b) return COMBO_NO_COMBO;
    switch (attribute) {
        case ATTR_COMBO_FRAME_COLOR:
            b->frameColor = static_cast<uint32_t>(value) & 0xFFFFFFu;
            a.ui.SetDropDownFrameColor(panel, ctrl, b->frameColor);
            return 0;
        case ATTR_COMBO_VISIBLE:
            a.ui.SetCtrlVisible(panel, ctrl, value != 0);
            a.ui.SetDropDownVisible(panel, ctrl, value != 0);
            return 0;
        case ATTR_COMBO_CASE_SENSITIVE:
            b->caseSensitive = value != 0;
            return 0;
        default:
            return COMBO_BAD_ATTRIBUTE;
    }
}

int Combo_GetComboAttribute(App& a, int panel, int ctrl, int attribute, int* value) {
    ComboBox* b = FindCombo(a, panel, ctrl);
    if (!b) return COMBO_NO_COMBO;
    int v = 0;
    switch (attribute) {
        case ATTR_COMBO_FRAME_COLOR:
            v = static_cast<int>(b->frameColor);
            break;
        case ATTR_COMBO_NUM_ITEMS:
            v = b->list.Count();
            break;
        case ATTR_COMBO_CASE_SENSITIVE:
            v = b->caseSensitive ? 1 : 0;
            break;
        default:
            return COMBO_BAD_ATTRIBUTE;
    }
    if (value) *value = v;
    return 0;
}

int Combo_InsertComboItem(App& a, int panel, int ctrl, int index, const std::string& text) {
    ComboBox* b = FindCombo(a, panel, ctrl);
    return b ? b->list.Insert(index, text) : COMBO_NO_COMBO;
}

int Combo_DeleteComboItem(App& a, int panel, int ctrl, int index, int count) {
    ComboBox* b = FindCombo(a, panel, ctrl);
    return b ? b->list.Delete(index, count) : COMBO_NO_COMBO;
}

int Combo_GetIndexFromValue(App& a, int panel, int ctrl, int* index, const std::string& text) {
    ComboBox* b = FindCombo(a, panel, ctrl);
    if (!b) return COMBO_NO_COMBO;
    if (index) *index = b->list.Find(text);
    return 0;
}

int Combo_GetValueFromIndex(App& a, int panel, int ctrl, int index, std::string* text) {
    ComboBox* b = FindCombo(a, panel, ctrl);
    if (!b) return COMBO_NO_COMBO;
    const std::string* item = b->list.At(index);
    if (!item) {
        if (text) text->clear();
        return COMBO_BAD_INDEX;
    }
    if (text) *text = *item;
    return 0;
}

std::vector<std::string> Combo_GetItems(App& a, int panel, int ctrl, int max) {
    std::vector<std::string> out;
    int count = 0;
    Combo_GetComboAttribute(a, panel, ctrl, ATTR_COMBO_NUM_ITEMS, &count);
    if (max >= 0 && count > max) count = max;
    for (int i = 0; i < count; ++i) {
        std::string text;
        Combo_GetValueFromIndex(a, panel, ctrl, i, &text);
        out.push_back(std::move(text));
    }
    return out;
}

int Combo_DiscardComboBox(App& a, int panel, int ctrl) {
    if (!FindCombo(a, panel, ctrl)) return COMBO_NO_COMBO;
    auto& boxes = a.combos->boxes;
    a.ui.AttachDropDown(panel, ctrl, nullptr);
    a.ui.SetCtrlVisible(panel, ctrl, false);  // the field goes with its combination
    boxes.erase(std::remove_if(boxes.begin(), boxes.end(),
                               [&](const std::unique_ptr<ComboBox>& b) {
                                   return b->panel == panel && b->ctrl == ctrl;
                               }),
                boxes.end());
    return 0;
}

}  // namespace lq
