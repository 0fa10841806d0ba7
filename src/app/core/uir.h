// The user-interface resource model: every panel and control with its kind,
// label, geometry, range, items, initial value, visibility, callback name and
// shortcut. Both toolkit implementations build their controls from it, so the
// control inventory has one source of truth (LumiquadTalvernV1_2.uir).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/core/ids.h"

namespace lq {

enum class CtrlKind {
    Button,
    RadioButton,
    Ring,
    Numeric,
    Slide,
    String,
    TextBox,
    Table,
    Graph,
    StripChart,
    Picture,
    Decoration,
    Tab,
    TextMessage,
};

struct RingItem {
    std::string label;
    double value = 0;
};

struct ControlDesc {
    std::string name;  // "BUTTON_SEND"
    Ctrl id = CTRL_NONE;
    CtrlKind kind = CtrlKind::Decoration;
    std::string label;
    int top = 0, left = 0, width = 0, height = 0;
    double min = 0, max = 0, step = 1;
    int precision = 0;
    bool indicator = false;
    bool visible = true;
    bool dimmed = false;
    double initialValue = 0;
    std::string initialText;
    std::vector<RingItem> items;  // rings
    std::string callback;         // "CBF_ButtonSend", empty for none
    std::string shortcut;         // "F9" .. "F12", empty for none
    int maxLength = 0;            // string fields, 0 = none
    int rows = 0, columns = 0;    // tables
    std::vector<std::string> columnHeaders;
    std::vector<std::string> pages;  // tab control: the page panel names, in order
    std::vector<std::string> pageLabels;
    uint32_t frameColor = 0;                                // decorations
    std::vector<uint32_t> traceColors;                      // strip chart
    double xMin = 0, xMax = 10000, yMin = 0, yMax = 10000;  // graphs
    int cursors = 0;                                        // graphs
};

struct PanelDesc {
    std::string name;  // "MAINP"
    int resource = 0;  // PanelResource
    std::string title;
    int top = 0, left = 0, width = 0, height = 0;
    std::string callback;  // "CBF_MAINP"
    std::vector<ControlDesc> controls;
    const ControlDesc* Find(Ctrl id) const;
};

struct UirDocument {
    std::vector<PanelDesc> panels;
    const PanelDesc* Find(int resource) const;
    const PanelDesc* FindByName(const std::string& name) const;
};

// Reads the resource file. 0 on success; negative when the file is missing,
// unreadable or not a valid resource (no panels, unknown kind or control name).
int LoadUir(const std::string& path, UirDocument& out);

}  // namespace lq
