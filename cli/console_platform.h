// The platform without a window, for the command-line tool: a poll() event
// loop with descriptor watches, the real monotonic clock, and a small
// in-memory store of panels and controls so that what the session code writes
// and reads back behaves as on the screen. Graphs, tables and the strip chart
// draw nothing. Popups never wait for an operator: messages go to the error
// stream, questions are answered from a policy set by the caller.
#pragma once

#include <poll.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "app/core/platform.h"

namespace lq::cli {

class ConsolePlatform : public Platform {
  public:
    // Panel handles are the resource numbers: DATAP 1, MAINP 2, TP_CONNECT 3,
    // TP_ASSIST 4 (the tab pages of MAINP's tab control, pages 0 and 1).
    ConsolePlatform();

    // ---- policy and what the caller learns ------------------------------------
    // Where MessagePopup and the questions are written (nullptr: nowhere).
    FILE* messages = stderr;
    // ConfirmPopup's answer: 1 YES, 0 NO.
    int confirmAnswer = 0;
    // GenericMessagePopup's answer (the button number); any entry stays empty.
    int genericAnswer = 2;
    // Whether GenericMessagePopup texts are written to `messages` too.
    bool echoGeneric = false;
    // FileSelectPopup's answer: the path it "chooses"; empty cancels.
    std::string fileAnswer;

    int confirmsAsked = 0;
    int confirmsRefused = 0;
    std::string lastGenericText;  // text of the last GenericMessagePopup
    int quitRequested = 0;        // QuitUserInterface was called
    // Every text appended to a text box, as it arrives (panel, control, text).
    std::function<void(int, int, std::string_view)> onTextBoxAppend;

    // ---- event loop -------------------------------------------------------
    int RunUserInterface() override;
    void QuitUserInterface(int code) override;
    void ProcessSystemEvents() override;
    void WaitForEvents(double maxSeconds) override;
    int AddFdWatch(int fd, std::function<void()> onReadable) override;
    void RemoveFdWatch(int watchId) override;
    double Timer() override;
    void Sleep(int milliseconds) override;
    void SetWaitCursor(bool) override {}

    // ---- panels -----------------------------------------------------------
    void SetCallbackResolver(const CallbackResolver*, void*) override {}
    int LoadPanel(int parentPanel, const std::string& uirPath, int resource) override;
    int GetPanelHandleFromTabPage(int panel, int tabCtrl, int pageIndex) override;
    void DisplayPanel(int) override {}
    void DiscardPanel(int) override {}
    void SetPanelTitle(int panel, const std::string& title) override;
    std::string GetPanelTitle(int panel) override;
    void SetPanelPos(int, int, int) override {}
    void GetPanelPos(int, int& top, int& left) override { top = left = 0; }
    void SetPanelSize(int, int, int) override {}
    void GetPanelSize(int, int& height, int& width) override { height = width = 0; }
    void CenterPanel(int) override {}
    void SetPanelZoomState(int, int) override {}
    int GetPanelZoomState(int) override { return ZOOM_NORMAL; }
    int ScreenCount() override { return 0; }
    void GetScreenRect(int, int& top, int& left, int& height, int& width) override {
        top = left = height = width = 0;
    }

    void SetActiveTabPage(int panel, int tabCtrl, int pageIndex) override;
    int GetActiveTabPage(int panel, int tabCtrl) override;

    // ---- controls -----------------------------------------------------------
    void SetCtrlVal(int panel, int ctrl, double value) override;
    void SetCtrlVal(int panel, int ctrl, std::string_view text) override;
    double GetCtrlValDouble(int panel, int ctrl) override;
    std::string GetCtrlValString(int panel, int ctrl) override;
    void ResetTextBox(int panel, int ctrl, std::string_view text) override;
    void SetCtrlDimmed(int panel, int ctrl, bool dimmed) override;
    bool GetCtrlDimmed(int panel, int ctrl) override;
    void SetCtrlVisible(int panel, int ctrl, bool visible) override;
    bool GetCtrlVisible(int panel, int ctrl) override;
    void SetCtrlPos(int, int, int, int) override {}
    void SetCtrlTooltip(int panel, int ctrl, const std::string& text) override;
    std::string GetCtrlTooltip(int panel, int ctrl) override;
    void SetCtrlPrecision(int panel, int ctrl, int digits) override;
    int GetCtrlPrecision(int panel, int ctrl) override;
    void SetCtrlFrameColor(int, int, uint32_t) override {}
    uint32_t GetCtrlFrameColor(int, int) override { return 0; }
    void SetCtrlTextSelection(int, int, int, int) override {}
    int NewTextMessage(int, const std::string&, int, int, int, uint32_t, uint32_t) override {
        return CTRL_COUNT + 1;
    }
    int DisplayImageFile(int, int, const std::string&) override { return -1; }
    void HideBuiltInCtrlMenuItems(int, int) override {}

    // ---- tables, graphs, strip chart: nothing to draw ---------------------------
    void SetTableCellVal(int, int, Point, int) override {}
    int GetTableCellVal(int, int, Point) override { return 0; }
    void SetTableCellRangeBgColor(int, int, Rect, uint32_t) override {}
    uint32_t GetTableCellBgColor(int, int, Point) override { return 0; }
    void SetActiveTableCell(int, int, Point) override {}
    Point GetActiveTableCell(int, int) override { return {}; }
    void DeleteGraphPlots(int, int) override {}
    void PlotArc(int, int, double, double, double, double, int, int, uint32_t, uint32_t) override {}
    void SetAxisRange(int, int, Axis, double, double) override {}
    void GetAxisRange(int, int, Axis, double& min, double& max) override { min = max = 0; }
    void SetGraphCursor(int, int, int, double, double) override {}
    void SetStripPointsPerScreen(int, int, int) override {}
    void PlotStripChart(int, int, const double*, int) override {}
    void AttachDropDown(int, int, DropDownHooks*) override {}
    void SetDropDownVisible(int, int, bool) override {}
    void SetDropDownFrameColor(int, int, uint32_t) override {}
    int GetCtrlMaxLength(int, int) override { return 0; }

    // ---- popups -------------------------------------------------------------------
    void MessagePopup(const std::string& title, const std::string& text) override;
    int ConfirmPopup(const std::string& title, const std::string& text) override;
    int GenericMessagePopup(const std::string& title, const std::string& text,
                            const std::string& button1, const std::string& button2,
                            std::string* entry, int maxEntryLength, int enterButton,
                            int escapeButton) override;
    int FileSelectPopup(const FileSelectRequest& request, std::string& path) override;

    std::string GetProjectDir() override;

  private:
    static constexpr int kPanels = 5;  // handles 1 ... 4

    struct Control {
        double value = 0;
        std::string text;
        std::string tooltip;
        bool dimmed = false;
        bool visible = true;
        int precision = 0;
    };
    struct Panel {
        std::string title;
        int activePage = 0;
        Control controls[CTRL_COUNT];
    };
    struct Watch {
        int id = 0;
        int fd = -1;
        std::function<void()> fn;
        int running = 0;  // calls of fn under way
    };

    Control* Find(int panel, int ctrl);
    // Polls the watched descriptors for at most `ms` (-1: no limit) and runs
    // the callbacks of the ready ones.
    void Dispatch(int ms);
    void Print(const std::string& title, const std::string& text);

    static constexpr int kMaxWatches = 8;

    Panel panels_[kPanels];
    Watch watches_[kMaxWatches];
    // The poll set of the live watches, with each entry's watch id and slot.
    pollfd pollFds_[kMaxWatches] = {};
    int pollIds_[kMaxWatches] = {};
    int pollSlots_[kMaxWatches] = {};
    int pollCount_ = 0;
    bool pollStale_ = true;
    int nextWatchId_ = 0;
    int quitCode_ = 0;
};

}  // namespace lq::cli
