// The screen: panels loaded from the user-interface resource, their
// controls addressed by (panel handle, Ctrl), tab pages, tables, graphs, the
// strip chart, the drop-down history of a string field, the wait cursor.
// Calls on an unknown panel or control are ignored, getters give 0 / "".
// What only tests read back (titles, dimming, tool-tips, colours, cells,
// axis ranges) is no part of it: each implementation offers that itself.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/core/ids.h"

namespace lq {

// Control callback: (panel handle, control, event, callback data, event data 1, 2) -> 0.
using CtrlCallbackFn = int (*)(int panel, int control, int event, void* callbackData,
                               int eventData1, int eventData2);
// Panel callback: (panel handle, event, callback data, event data 1, 2) -> 0.
using PanelCallbackFn = int (*)(int panel, int event, void* callbackData, int eventData1,
                                int eventData2);

// Resolves the callback names written in the user-interface resource.
struct CallbackResolver {
    virtual ~CallbackResolver() = default;
    virtual CtrlCallbackFn Control(std::string_view name) const = 0;  // nullptr: none
    virtual PanelCallbackFn Panel(std::string_view name) const = 0;   // nullptr: none
};

// Table cell, counted from 1.
struct Point {
    int column = 1;
    int row = 1;
};
inline Point MakePoint(int column, int row) {
    return Point{column, row};
}
struct Rect {
    int top = 1;     // first row
    int left = 1;    // first column
    int height = 1;  // rows
    int width = 1;   // columns
};
inline Rect MakeRect(int top, int left, int height, int width) {
    return Rect{top, left, height, width};
}

enum class Axis { X, Y };

enum ZoomState : int { ZOOM_NORMAL = 0, ZOOM_MINIMIZED = 1, ZOOM_MAXIMIZED = 2 };

// The drop-down history hooks of a string field (the combination box). The
// list logic lives outside the toolkit; the toolkit only draws the arrow and
// the menu and forwards what the operator does.
struct DropDownHooks {
    virtual ~DropDownHooks() = default;
    // The operator pressed a key in the field (charCode 0: no character produced).
    virtual void OnKey(int charCode) = 0;
    // The field's text changed by typing; called before the field's own callback.
    virtual void OnTextEdited() = 0;
    // The arrow was clicked (or Up/Down pressed): the items to show, top first.
    virtual int ItemCount() const = 0;
    virtual std::string ItemText(int index) const = 0;
    // The operator picked item `index` from the opened menu. The hooks put
    // the text into the field and raise the field's own events themselves
    // (Platform::CallCtrlCallback); the toolkit raises none for a pick.
    virtual void OnPick(int index) = 0;
};

class Screen {
  public:
    virtual ~Screen() = default;

    // ---- panels -----------------------------------------------------------
    virtual void SetWaitCursor(bool on) = 0;
    // Callbacks named in the resource are looked up here; data goes to every callback.
    virtual void SetCallbackResolver(const CallbackResolver* resolver, void* callbackData) = 0;
    // parent 0: top-level. Returns a handle > 0, or a negative code when the
    // file or the panel cannot be loaded.
    virtual int LoadPanel(int parentPanel, const std::string& uirPath, int resource) = 0;
    virtual int GetPanelHandleFromTabPage(int panel, int tabCtrl, int pageIndex) = 0;
    virtual void DisplayPanel(int panel) = 0;
    virtual void DiscardPanel(int panel) = 0;
    virtual void SetPanelTitle(int panel, const std::string& title) = 0;
    virtual void SetPanelPos(int panel, int top, int left) = 0;
    virtual void GetPanelPos(int panel, int& top, int& left) = 0;
    virtual void SetPanelSize(int panel, int height, int width) = 0;
    virtual void GetPanelSize(int panel, int& height, int& width) = 0;
    virtual void CenterPanel(int panel) = 0;
    virtual void SetPanelZoomState(int panel, int zoom) = 0;
    virtual int GetPanelZoomState(int panel) = 0;
    // Screen rectangles, for keeping a restored window reachable.
    virtual int ScreenCount() = 0;
    virtual void GetScreenRect(int screen, int& top, int& left, int& height, int& width) = 0;

    // ---- tab control --------------------------------------------------------
    virtual void SetActiveTabPage(int panel, int tabCtrl, int pageIndex) = 0;
    virtual int GetActiveTabPage(int panel, int tabCtrl) = 0;

    // ---- control values and attributes -----------------------------------------
    // Numeric, ring (by item value), slide, radio (0/1), table not included.
    virtual void SetCtrlVal(int panel, int ctrl, double value) = 0;
    // String controls replace; a text box appends.
    virtual void SetCtrlVal(int panel, int ctrl, std::string_view text) = 0;
    virtual double GetCtrlValDouble(int panel, int ctrl) = 0;
    int GetCtrlValInt(int panel, int ctrl) {
        return static_cast<int>(GetCtrlValDouble(panel, ctrl));
    }
    virtual std::string GetCtrlValString(int panel, int ctrl) = 0;
    virtual void ResetTextBox(int panel, int ctrl, std::string_view text) = 0;
    virtual void SetCtrlDimmed(int panel, int ctrl, bool dimmed) = 0;
    virtual void SetCtrlVisible(int panel, int ctrl, bool visible) = 0;
    virtual void SetCtrlPos(int panel, int ctrl, int top, int left) = 0;
    virtual void SetCtrlTooltip(int panel, int ctrl, const std::string& text) = 0;
    virtual void SetCtrlPrecision(int panel, int ctrl, int digits) = 0;
    virtual void SetCtrlFrameColor(int panel, int ctrl, uint32_t rgb) = 0;
    // Selects `length` characters of a string field from `start`.
    virtual void SetCtrlTextSelection(int panel, int ctrl, int start, int length) = 0;
    // Run-time text message on a panel (no callback). Returns its control id (> CTRL_COUNT).
    virtual int NewTextMessage(int panel, const std::string& text, int top, int left, int pointSize,
                               uint32_t bgColor, uint32_t textColor) = 0;
    // Loads an image file into a picture control. Negative when it cannot be read.
    virtual int DisplayImageFile(int panel, int ctrl, const std::string& path) = 0;
    virtual void HideBuiltInCtrlMenuItems(int panel, int ctrl) = 0;

    // ---- tables --------------------------------------------------------------
    virtual void SetTableCellVal(int panel, int ctrl, Point cell, int value) = 0;
    virtual void SetTableCellRangeBgColor(int panel, int ctrl, Rect range, uint32_t rgb) = 0;
    virtual void SetActiveTableCell(int panel, int ctrl, Point cell) = 0;

    // ---- graphs and strip chart ---------------------------------------------------
    virtual void DeleteGraphPlots(int panel, int ctrl) = 0;
    // A circle/arc in the bounding box (x1,y1)-(x2,y2), angles in tenths of a degree.
    virtual void PlotArc(int panel, int ctrl, double x1, double y1, double x2, double y2,
                         int startAngle, int arcAngle, uint32_t outline, uint32_t fill) = 0;
    virtual void SetAxisRange(int panel, int ctrl, Axis axis, double min, double max) = 0;
    virtual void SetGraphCursor(int panel, int ctrl, int cursor, double x, double y) = 0;
    virtual void SetStripPointsPerScreen(int panel, int ctrl, int points) = 0;
    // Appends count / traces points per trace, interleaved (t0, t1, t2, t0, ...).
    virtual void PlotStripChart(int panel, int ctrl, const double* values, int count) = 0;

    // ---- drop-down history on a string field -----------------------------------
    // hooks == nullptr detaches. The toolkit draws an arrow beside the field.
    virtual void AttachDropDown(int panel, int ctrl, DropDownHooks* hooks) = 0;
    virtual void SetDropDownVisible(int panel, int ctrl, bool visible) = 0;
    virtual void SetDropDownFrameColor(int panel, int ctrl, uint32_t rgb) = 0;
    virtual int GetCtrlMaxLength(int panel, int ctrl) = 0;  // 0: none
    // Runs the control's own callback with the given event at once, as if the
    // toolkit had raised it; returns the callback's result (0 without one).
    virtual int CallCtrlCallback(int panel, int ctrl, int event, int eventData1, int eventData2) {
        (void)panel, (void)ctrl, (void)event, (void)eventData1, (void)eventData2;
        return 0;
    }
};

// The declarations of an implementation (one list, expanded in each).
#define LQ_SCREEN_OVERRIDES                                                                       \
    void SetWaitCursor(bool on) override;                                                         \
    void SetCallbackResolver(const CallbackResolver* resolver, void* callbackData) override;      \
    int LoadPanel(int parentPanel, const std::string& uirPath, int resource) override;            \
    int GetPanelHandleFromTabPage(int panel, int tabCtrl, int pageIndex) override;                \
    void DisplayPanel(int panel) override;                                                        \
    void DiscardPanel(int panel) override;                                                        \
    void SetPanelTitle(int panel, const std::string& title) override;                             \
    void SetPanelPos(int panel, int top, int left) override;                                      \
    void GetPanelPos(int panel, int& top, int& left) override;                                    \
    void SetPanelSize(int panel, int height, int width) override;                                 \
    void GetPanelSize(int panel, int& height, int& width) override;                               \
    void CenterPanel(int panel) override;                                                         \
    void SetPanelZoomState(int panel, int zoom) override;                                         \
    int GetPanelZoomState(int panel) override;                                                    \
    int ScreenCount() override;                                                                   \
    void GetScreenRect(int screen, int& top, int& left, int& height, int& width) override;        \
    void SetActiveTabPage(int panel, int tabCtrl, int pageIndex) override;                        \
    int GetActiveTabPage(int panel, int tabCtrl) override;                                        \
    void SetCtrlVal(int panel, int ctrl, double value) override;                                  \
    void SetCtrlVal(int panel, int ctrl, std::string_view text) override;                         \
    double GetCtrlValDouble(int panel, int ctrl) override;                                        \
    std::string GetCtrlValString(int panel, int ctrl) override;                                   \
    void ResetTextBox(int panel, int ctrl, std::string_view text) override;                       \
    void SetCtrlDimmed(int panel, int ctrl, bool dimmed) override;                                \
    void SetCtrlVisible(int panel, int ctrl, bool visible) override;                              \
    void SetCtrlPos(int panel, int ctrl, int top, int left) override;                             \
    void SetCtrlTooltip(int panel, int ctrl, const std::string& text) override;                   \
    void SetCtrlPrecision(int panel, int ctrl, int digits) override;                              \
    void SetCtrlFrameColor(int panel, int ctrl, uint32_t rgb) override;                           \
    void SetCtrlTextSelection(int panel, int ctrl, int start, int length) override;               \
    int NewTextMessage(int panel, const std::string& text, int top, int left, int pointSize,      \
                       uint32_t bgColor, uint32_t textColor) override;                            \
    int DisplayImageFile(int panel, int ctrl, const std::string& path) override;                  \
    void HideBuiltInCtrlMenuItems(int panel, int ctrl) override;                                  \
    void SetTableCellVal(int panel, int ctrl, Point cell, int value) override;                    \
    void SetTableCellRangeBgColor(int panel, int ctrl, Rect range, uint32_t rgb) override;        \
    void SetActiveTableCell(int panel, int ctrl, Point cell) override;                            \
    void DeleteGraphPlots(int panel, int ctrl) override;                                          \
    void PlotArc(int panel, int ctrl, double x1, double y1, double x2, double y2, int startAngle, \
                 int arcAngle, uint32_t outline, uint32_t fill) override;                         \
    void SetAxisRange(int panel, int ctrl, Axis axis, double min, double max) override;           \
    void SetGraphCursor(int panel, int ctrl, int cursor, double x, double y) override;            \
    void SetStripPointsPerScreen(int panel, int ctrl, int points) override;                       \
    void PlotStripChart(int panel, int ctrl, const double* values, int count) override;           \
    void AttachDropDown(int panel, int ctrl, DropDownHooks* hooks) override;                      \
    void SetDropDownVisible(int panel, int ctrl, bool visible) override;                          \
    void SetDropDownFrameColor(int panel, int ctrl, uint32_t rgb) override;                       \
    int GetCtrlMaxLength(int panel, int ctrl) override

// What an implementation that keeps its controls' state reads back for its
// own tests; the program never asks.
#define LQ_SCREEN_READBACK                                         \
    std::string GetPanelTitle(int panel);                          \
    bool GetCtrlDimmed(int panel, int ctrl);                       \
    bool GetCtrlVisible(int panel, int ctrl);                      \
    std::string GetCtrlTooltip(int panel, int ctrl);               \
    int GetCtrlPrecision(int panel, int ctrl);                     \
    uint32_t GetCtrlFrameColor(int panel, int ctrl);               \
    int GetTableCellVal(int panel, int ctrl, Point cell);          \
    uint32_t GetTableCellBgColor(int panel, int ctrl, Point cell); \
    Point GetActiveTableCell(int panel, int ctrl);                 \
    void GetAxisRange(int panel, int ctrl, Axis axis, double& min, double& max)

}  // namespace lq
