// Placeholder until the resource loader lands.
#include "app/core/uir.h"

namespace lq {
const ControlDesc* PanelDesc::Find(Ctrl id) const {
    for (const auto& c : controls)
        if (c.id == id) return &c;
    return nullptr;
}
const PanelDesc* UirDocument::Find(int resource) const {
    for (const auto& p : panels)
        if (p.resource == resource) return &p;
    return nullptr;
}
const PanelDesc* UirDocument::FindByName(const std::string& name) const {
    for (const auto& p : panels)
        if (p.name == name) return &p;
    return nullptr;
}
int LoadUir(const std::string&, UirDocument&) { return -1; }
}  // namespace lq
