// The platform interface: the event loop, panels, controls, popups and the few
// utilities the program needs from a desktop toolkit. Two implementations
// exist: the Qt one (src/app/qt) and the in-memory test double (tests/support).
// A console implementation serves the command-line tool.
//
// Conventions
// - Panels are addressed by handle (from LoadPanel), controls by (panel, Ctrl).
// - Calls on an unknown panel or control are ignored, getters give 0 / "".
// - Every callback runs on the one thread, from RunUserInterface or from
//   ProcessSystemEvents / WaitForEvents (nested dispatch).
#pragma once

#include <cstdint>
#include <functional>
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
    virtual CtrlCallbackFn Control(std::string_view name) const = 0;   // nullptr: none
    virtual PanelCallbackFn Panel(std::string_view name) const = 0;    // nullptr: none
};

// Table cell, counted from 1.
struct Point {
    int column = 1;
    int row = 1;
};
inline Point MakePoint(int column, int row) { return Point{column, row}; }
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

// Results of FileSelectPopup.
enum FileSelectResult : int {
    FILE_SELECT_CANCELLED = 0,
    FILE_SELECT_EXISTING = 1,
    FILE_SELECT_NEW = 2,
};

struct FileSelectRequest {
    std::string defaultDirectory;
    std::string defaultFileName;  // "Parameter.ini"
    std::string filter;           // "*.ini"
    std::string title;            // "Parameter"
    bool save = false;            // true: a new name may be entered (SEND), false: open (GET)
};

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

class Platform {
public:
    virtual ~Platform() = default;

    // ---- event loop -------------------------------------------------------
    // Runs until QuitUserInterface. A quit requested before the loop starts
    // ends it at once. Returns the code passed to QuitUserInterface.
    virtual int RunUserInterface() = 0;
    virtual void QuitUserInterface(int code) = 0;
    // Dispatches every waiting event (callbacks run nested), then returns.
    virtual void ProcessSystemEvents() = 0;
    // Like ProcessSystemEvents, but when nothing is waiting blocks for at most
    // maxSeconds until an event or a watched descriptor becomes ready. Used by
    // the exchange's waits so that a waiting program uses almost no CPU.
    virtual void WaitForEvents(double maxSeconds) = 0;
    // Calls `onReadable` from event dispatch whenever `fd` is readable (or hung
    // up). Returns a watch id (> 0) for RemoveFdWatch.
    virtual int AddFdWatch(int fd, std::function<void()> onReadable) = 0;
    virtual void RemoveFdWatch(int watchId) = 0;
    // Monotonic clock in seconds.
    virtual double Timer() = 0;
    // Waits without dispatching any event.
    virtual void Sleep(int milliseconds) = 0;
    // Called while a step blocks (a connect, a blocking read, Sleep): the
    // windows repaint what was uncovered, but no operator event is dispatched
    // and no callback runs.
    virtual void RepaintWhileBlocked() {}
    virtual void SetWaitCursor(bool on) = 0;

    // ---- panels -----------------------------------------------------------
    // Callbacks named in the resource are looked up here; data goes to every callback.
    virtual void SetCallbackResolver(const CallbackResolver* resolver, void* callbackData) = 0;
    // parent 0: top-level. Returns a handle > 0, or a negative code when the
    // file or the panel cannot be loaded.
    virtual int LoadPanel(int parentPanel, const std::string& uirPath, int resource) = 0;
    virtual int GetPanelHandleFromTabPage(int panel, int tabCtrl, int pageIndex) = 0;
    virtual void DisplayPanel(int panel) = 0;
    virtual void DiscardPanel(int panel) = 0;
    virtual void SetPanelTitle(int panel, const std::string& title) = 0;
    virtual std::string GetPanelTitle(int panel) = 0;
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
    int GetCtrlValInt(int panel, int ctrl) { return static_cast<int>(GetCtrlValDouble(panel, ctrl)); }
    virtual std::string GetCtrlValString(int panel, int ctrl) = 0;
    virtual void ResetTextBox(int panel, int ctrl, std::string_view text) = 0;
    virtual void SetCtrlDimmed(int panel, int ctrl, bool dimmed) = 0;
    virtual bool GetCtrlDimmed(int panel, int ctrl) = 0;
    virtual void SetCtrlVisible(int panel, int ctrl, bool visible) = 0;
    virtual bool GetCtrlVisible(int panel, int ctrl) = 0;
    virtual void SetCtrlPos(int panel, int ctrl, int top, int left) = 0;
    virtual void SetCtrlTooltip(int panel, int ctrl, const std::string& text) = 0;
    virtual std::string GetCtrlTooltip(int panel, int ctrl) = 0;
    virtual void SetCtrlPrecision(int panel, int ctrl, int digits) = 0;
    virtual int GetCtrlPrecision(int panel, int ctrl) = 0;
    virtual void SetCtrlFrameColor(int panel, int ctrl, uint32_t rgb) = 0;
    virtual uint32_t GetCtrlFrameColor(int panel, int ctrl) = 0;
    // Selects `length` characters of a string field from `start`.
    virtual void SetCtrlTextSelection(int panel, int ctrl, int start, int length) = 0;
    // Run-time text message on a panel (no callback). Returns its control id (> CTRL_COUNT).
    virtual int NewTextMessage(int panel, const std::string& text, int top, int left,
                               int pointSize, uint32_t bgColor, uint32_t textColor) = 0;
    // Loads an image file into a picture control. Negative when it cannot be read.
    virtual int DisplayImageFile(int panel, int ctrl, const std::string& path) = 0;
    virtual void HideBuiltInCtrlMenuItems(int panel, int ctrl) = 0;

    // ---- tables --------------------------------------------------------------
    virtual void SetTableCellVal(int panel, int ctrl, Point cell, int value) = 0;
    virtual int GetTableCellVal(int panel, int ctrl, Point cell) = 0;
    virtual void SetTableCellRangeBgColor(int panel, int ctrl, Rect range, uint32_t rgb) = 0;
    virtual uint32_t GetTableCellBgColor(int panel, int ctrl, Point cell) = 0;
    virtual void SetActiveTableCell(int panel, int ctrl, Point cell) = 0;
    virtual Point GetActiveTableCell(int panel, int ctrl) = 0;

    // ---- graphs and strip chart ---------------------------------------------------
    virtual void DeleteGraphPlots(int panel, int ctrl) = 0;
    // A circle/arc in the bounding box (x1,y1)-(x2,y2), angles in tenths of a degree.
    virtual void PlotArc(int panel, int ctrl, double x1, double y1, double x2, double y2,
                         int startAngle, int arcAngle, uint32_t outline, uint32_t fill) = 0;
    virtual void SetAxisRange(int panel, int ctrl, Axis axis, double min, double max) = 0;
    virtual void GetAxisRange(int panel, int ctrl, Axis axis, double& min, double& max) = 0;
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

    // ---- modal popups ------------------------------------------------------------
    virtual void MessagePopup(const std::string& title, const std::string& text) = 0;
    // 1 YES, 0 NO.
    virtual int ConfirmPopup(const std::string& title, const std::string& text) = 0;
    // Two buttons; returns 1 or 2. With `entry` non-null a text entry of at most
    // maxEntryLength characters is shown and its text stored there. enterButton /
    // escapeButton: the button that Enter / Escape operates (0: none).
    virtual int GenericMessagePopup(const std::string& title, const std::string& text,
                                    const std::string& button1, const std::string& button2,
                                    std::string* entry, int maxEntryLength, int enterButton,
                                    int escapeButton) = 0;
    // FILE_SELECT_*, or negative on error; `path` receives the chosen full path on 1 and 2.
    virtual int FileSelectPopup(const FileSelectRequest& request, std::string& path) = 0;

    // ---- utilities -----------------------------------------------------------------
    // The program's directory, without a trailing separator.
    virtual std::string GetProjectDir() = 0;
};

}  // namespace lq
