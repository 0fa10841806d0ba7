// Reads the user-interface resource: an INI document with one section per
// panel ("MAINP") and one per control ("MAINP BUTTON_SEND").
#include "app/core/uir.h"

#include <cerrno>
#include <cstdlib>
#include <set>
#include <string_view>

#include "data/ini.h"

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

namespace {

enum : int { UIR_CANNOT_READ = -1, UIR_INVALID = -2 };

struct KindName {
    std::string_view name;
    CtrlKind kind;
};
constexpr KindName kKinds[] = {
    {"button", CtrlKind::Button},    {"radio button", CtrlKind::RadioButton},
    {"ring", CtrlKind::Ring},        {"numeric", CtrlKind::Numeric},
    {"slide", CtrlKind::Slide},      {"string", CtrlKind::String},
    {"text box", CtrlKind::TextBox}, {"table", CtrlKind::Table},
    {"graph", CtrlKind::Graph},      {"strip chart", CtrlKind::StripChart},
    {"picture", CtrlKind::Picture},  {"decoration", CtrlKind::Decoration},
    {"tab", CtrlKind::Tab},          {"text message", CtrlKind::TextMessage},
};

bool KindFromName(std::string_view name, CtrlKind& out) {
    for (const auto& k : kKinds)
        if (k.name == name) {
            out = k.kind;
            return true;
        }
    return false;
}

// Typed access to the items of one section. Every getter leaves the target
// unchanged when the item is missing; a malformed number marks the reader bad.
class SectionReader {
  public:
    SectionReader(IniDocument* doc, std::string section)
        : doc_(doc), section_(std::move(section)) {}

    bool Text(const std::string& tag, std::string& out) {
        char buf[1024];
        const int r = Ini_GetStringIntoBuffer(doc_, section_, tag, buf, sizeof buf);
        if (r < 0) bad_ = true;
        if (r != 1) return false;
        out = buf;
        return true;
    }

    void Number(const std::string& tag, double& out) {
        std::string t;
        if (!Text(tag, t)) return;
        const char* begin = t.c_str();
        char* end = nullptr;
        errno = 0;
        const double v = std::strtod(begin, &end);
        while (end && (*end == ' ' || *end == '\t')) ++end;
        if (end == begin || *end != '\0' || errno == ERANGE) {
            bad_ = true;
            return;
        }
        out = v;
    }

    void Int(const std::string& tag, int& out) {
        double v = out;
        Number(tag, v);
        out = static_cast<int>(v);
    }

    void Flag(const std::string& tag, bool& out) {
        int v = out ? 1 : 0;
        Int(tag, v);
        out = v != 0;
    }

    // Colours are written 0xRRGGBB.
    void Color(const std::string& tag, uint32_t& out) {
        std::string t;
        if (!Text(tag, t)) return;
        char* end = nullptr;
        errno = 0;
        const unsigned long v = std::strtoul(t.c_str(), &end, 0);
        if (end == t.c_str() || *end != '\0' || errno == ERANGE || v > 0xFFFFFFul) {
            bad_ = true;
            return;
        }
        out = static_cast<uint32_t>(v);
    }

    bool bad() const { return bad_; }

  private:
    IniDocument* doc_;
    std::string section_;
    bool bad_ = false;
};

std::string Numbered(const char* prefix, int n, const char* suffix) {
    return std::string(prefix) + std::to_string(n) + suffix;
}

int ReadPanel(IniDocument* doc, const IniSection& sec, PanelDesc& p) {
    p.name = sec.name;
    p.resource = PanelResourceFromName(sec.name);
    if (p.resource == 0) return UIR_INVALID;
    SectionReader r(doc, sec.name);
    int resource = p.resource;
    r.Int("RESOURCE", resource);
    if (resource != p.resource) return UIR_INVALID;
    r.Text("TITLE", p.title);
    r.Int("TOP", p.top);
    r.Int("LEFT", p.left);
    r.Int("WIDTH", p.width);
    r.Int("HEIGHT", p.height);
    r.Text("CALLBACK", p.callback);
    return r.bad() ? UIR_INVALID : 0;
}

int ReadControl(IniDocument* doc, const IniSection& sec, const std::string& ctrlName,
                ControlDesc& c) {
    c.name = ctrlName;
    c.id = CtrlFromName(ctrlName);
    if (c.id == CTRL_NONE) return UIR_INVALID;
    SectionReader r(doc, sec.name);
    std::string kind;
    if (!r.Text("KIND", kind) || !KindFromName(kind, c.kind)) return UIR_INVALID;
    r.Text("LABEL", c.label);
    r.Int("TOP", c.top);
    r.Int("LEFT", c.left);
    r.Int("WIDTH", c.width);
    r.Int("HEIGHT", c.height);
    r.Number("MIN", c.min);
    r.Number("MAX", c.max);
    r.Number("STEP", c.step);
    r.Int("PRECISION", c.precision);
    r.Flag("INDICATOR", c.indicator);
    r.Flag("VISIBLE", c.visible);
    r.Flag("DIMMED", c.dimmed);
    r.Number("VALUE", c.initialValue);
    r.Text("TEXT", c.initialText);
    r.Text("CALLBACK", c.callback);
    r.Text("SHORTCUT", c.shortcut);
    r.Int("MAX LENGTH", c.maxLength);
    r.Int("ROWS", c.rows);
    r.Int("COLUMNS", c.columns);
    r.Color("FRAME COLOR", c.frameColor);
    r.Number("X MIN", c.xMin);
    r.Number("X MAX", c.xMax);
    r.Number("Y MIN", c.yMin);
    r.Number("Y MAX", c.yMax);
    r.Int("CURSORS", c.cursors);

    int items = 0;
    r.Int("ITEMS", items);
    for (int i = 1; i <= items; ++i) {
        RingItem item;
        if (!r.Text(Numbered("ITEM ", i, " LABEL"), item.label)) return UIR_INVALID;
        item.value = i - 1;
        r.Number(Numbered("ITEM ", i, " VALUE"), item.value);
        c.items.push_back(item);
    }
    for (int i = 1; i <= c.columns; ++i) {
        std::string header;
        r.Text(Numbered("COLUMN ", i, " HEADER"), header);
        c.columnHeaders.push_back(header);
    }
    int pages = 0;
    r.Int("PAGES", pages);
    for (int i = 1; i <= pages; ++i) {
        std::string panel, label;
        if (!r.Text(Numbered("PAGE ", i, " PANEL"), panel)) return UIR_INVALID;
        r.Text(Numbered("PAGE ", i, " LABEL"), label);
        c.pages.push_back(panel);
        c.pageLabels.push_back(label);
    }
    int traces = 0;
    r.Int("TRACES", traces);
    for (int i = 1; i <= traces; ++i) {
        uint32_t color = 0;
        r.Color(Numbered("TRACE ", i, " COLOR"), color);
        c.traceColors.push_back(color);
    }
    if (items < 0 || pages < 0 || traces < 0 || c.rows < 0 || c.columns < 0) return UIR_INVALID;
    return r.bad() ? UIR_INVALID : 0;
}

}  // namespace

int LoadUir(const std::string& path, UirDocument& out) {
    out = UirDocument{};
    IniHandle doc = Ini_NewHandle();
    if (!doc) return UIR_CANNOT_READ;
    if (Ini_ReadFromFile(doc.get(), path) < 0) return UIR_CANNOT_READ;

    UirDocument res;
    // Panels first, so that control sections may stand anywhere.
    for (const auto& sec : doc->sections) {
        if (sec.name.find(' ') != std::string::npos) continue;
        if (res.FindByName(sec.name)) return UIR_INVALID;
        PanelDesc p;
        if (const int r = ReadPanel(doc.get(), sec, p); r < 0) return r;
        res.panels.push_back(std::move(p));
    }
    if (res.panels.empty()) return UIR_INVALID;

    for (const auto& sec : doc->sections) {
        const size_t blank = sec.name.find(' ');
        if (blank == std::string::npos) continue;
        const std::string panelName = sec.name.substr(0, blank);
        std::string ctrlName = sec.name.substr(blank + 1);
        while (!ctrlName.empty() && ctrlName.front() == ' ') ctrlName.erase(0, 1);
        PanelDesc* panel = nullptr;
        for (auto& p : res.panels)
            if (p.name == panelName) panel = &p;
        if (!panel) return UIR_INVALID;
        ControlDesc c;
        if (const int r = ReadControl(doc.get(), sec, ctrlName, c); r < 0) return r;
        if (panel->Find(c.id)) return UIR_INVALID;
        panel->controls.push_back(std::move(c));
    }

    // Every tab page must be a panel of the resource.
    for (const auto& p : res.panels)
        for (const auto& c : p.controls)
            for (const auto& page : c.pages)
                if (!res.FindByName(page)) return UIR_INVALID;

    out = std::move(res);
    return 0;
}

}  // namespace lq
