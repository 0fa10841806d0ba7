// The Qt 6 Widgets implementation of the platform: panels and controls built
// from the user-interface resource, operator actions turned into callback
// calls, modal popups, the event loop with nested dispatch and descriptor
// watches. Needs a QApplication that lives longer than the object.
#pragma once

#include <QBasicTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <chrono>
#include <map>
#include <memory>
#include <vector>

#include "app/core/platform.h"
#include "app/core/uir.h"

class QWidget;
class QEventLoop;
class QKeyEvent;
class QLabel;
class QSocketNotifier;
class QToolButton;
class QFrame;

namespace lq::qt {

class PanelWidget;
class Repainter;

class QtPlatform : public QObject, public Platform {
    Q_OBJECT
  public:
    QtPlatform();
    ~QtPlatform() override;

    // ---- beyond the platform interface -----------------------------------------------
    // Builds a panel from a resource already in memory (LoadPanel reads the file
    // and calls this). The document must outlive the panel.
    int LoadPanelFromDocument(int parentPanel, const UirDocument& doc, int resource);
    // The widget of a panel or control (nullptr when unknown), for screenshots and tests.
    QWidget* PanelWidgetOf(int panel) const;
    QWidget* ControlWidget(int panel, int ctrl) const;
    // The kind the control was built as; CtrlKind::Decoration when unknown.
    CtrlKind ControlKind(int panel, int ctrl) const;
    // Acts like the operator: presses a button (EVENT_COMMIT) if it is usable.
    void OperatorCommit(int panel, int ctrl);
    // Automation without an operator: popups are not shown but answered at once
    // (OK; NO; the button Escape does not operate; file dialogue cancelled) and
    // reported on standard error.
    void SetAutomaticPopupAnswers(bool on) { autoAnswer_ = on; }
    // True while RunUserInterface runs its loop.
    bool InRunLoop() const { return loopDepth_ > 0; }
    int CallbackDepth() const { return callbackDepth_; }

    // ---- Platform -------------------------------------------------------------------
    int RunUserInterface() override;
    void QuitUserInterface(int code) override;
    void ProcessSystemEvents() override;
    void WaitForEvents(double maxSeconds) override;
    int AddFdWatch(int fd, std::function<void()> onReadable) override;
    void RemoveFdWatch(int watchId) override;
    double Timer() override;
    void Sleep(int milliseconds) override;
    void RepaintWhileBlocked() override;
    void SetWaitCursor(bool on) override;
    void SetCallbackResolver(const CallbackResolver* resolver, void* callbackData) override;
    int LoadPanel(int parentPanel, const std::string& uirPath, int resource) override;
    int GetPanelHandleFromTabPage(int panel, int tabCtrl, int pageIndex) override;
    void DisplayPanel(int panel) override;
    void DiscardPanel(int panel) override;
    void SetPanelTitle(int panel, const std::string& title) override;
    std::string GetPanelTitle(int panel) override;
    void SetPanelPos(int panel, int top, int left) override;
    void GetPanelPos(int panel, int& top, int& left) override;
    void SetPanelSize(int panel, int height, int width) override;
    void GetPanelSize(int panel, int& height, int& width) override;
    void CenterPanel(int panel) override;
    void SetPanelZoomState(int panel, int zoom) override;
    int GetPanelZoomState(int panel) override;
    int ScreenCount() override;
    void GetScreenRect(int screen, int& top, int& left, int& height, int& width) override;
    void SetActiveTabPage(int panel, int tabCtrl, int pageIndex) override;
    int GetActiveTabPage(int panel, int tabCtrl) override;
    void SetCtrlVal(int panel, int ctrl, double value) override;
    void SetCtrlVal(int panel, int ctrl, std::string_view text) override;
    double GetCtrlValDouble(int panel, int ctrl) override;
    std::string GetCtrlValString(int panel, int ctrl) override;
    void ResetTextBox(int panel, int ctrl, std::string_view text) override;
    void SetCtrlDimmed(int panel, int ctrl, bool dimmed) override;
    bool GetCtrlDimmed(int panel, int ctrl) override;
    void SetCtrlVisible(int panel, int ctrl, bool visible) override;
    bool GetCtrlVisible(int panel, int ctrl) override;
    void SetCtrlPos(int panel, int ctrl, int top, int left) override;
    void SetCtrlTooltip(int panel, int ctrl, const std::string& text) override;
    std::string GetCtrlTooltip(int panel, int ctrl) override;
    void SetCtrlPrecision(int panel, int ctrl, int digits) override;
    int GetCtrlPrecision(int panel, int ctrl) override;
    void SetCtrlFrameColor(int panel, int ctrl, uint32_t rgb) override;
    uint32_t GetCtrlFrameColor(int panel, int ctrl) override;
    void SetCtrlTextSelection(int panel, int ctrl, int start, int length) override;
    int NewTextMessage(int panel, const std::string& text, int top, int left, int pointSize,
                       uint32_t bgColor, uint32_t textColor) override;
    int DisplayImageFile(int panel, int ctrl, const std::string& path) override;
    void HideBuiltInCtrlMenuItems(int panel, int ctrl) override;
    void SetTableCellVal(int panel, int ctrl, Point cell, int value) override;
    int GetTableCellVal(int panel, int ctrl, Point cell) override;
    void SetTableCellRangeBgColor(int panel, int ctrl, Rect range, uint32_t rgb) override;
    uint32_t GetTableCellBgColor(int panel, int ctrl, Point cell) override;
    void SetActiveTableCell(int panel, int ctrl, Point cell) override;
    Point GetActiveTableCell(int panel, int ctrl) override;
    void DeleteGraphPlots(int panel, int ctrl) override;
    void PlotArc(int panel, int ctrl, double x1, double y1, double x2, double y2, int startAngle,
                 int arcAngle, uint32_t outline, uint32_t fill) override;
    void SetAxisRange(int panel, int ctrl, Axis axis, double min, double max) override;
    void GetAxisRange(int panel, int ctrl, Axis axis, double& min, double& max) override;
    void SetGraphCursor(int panel, int ctrl, int cursor, double x, double y) override;
    void SetStripPointsPerScreen(int panel, int ctrl, int points) override;
    void PlotStripChart(int panel, int ctrl, const double* values, int count) override;
    void AttachDropDown(int panel, int ctrl, DropDownHooks* hooks) override;
    void SetDropDownVisible(int panel, int ctrl, bool visible) override;
    void SetDropDownFrameColor(int panel, int ctrl, uint32_t rgb) override;
    int GetCtrlMaxLength(int panel, int ctrl) override;
    int CallCtrlCallback(int panel, int ctrl, int event, int eventData1, int eventData2) override;
    void MessagePopup(const std::string& title, const std::string& text) override;
    int ConfirmPopup(const std::string& title, const std::string& text) override;
    int GenericMessagePopup(const std::string& title, const std::string& text,
                            const std::string& button1, const std::string& button2,
                            std::string* entry, int maxEntryLength, int enterButton,
                            int escapeButton) override;
    int FileSelectPopup(const FileSelectRequest& request, std::string& path) override;
    std::string GetProjectDir() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    struct Control;
    struct Panel;

    Panel* FindPanel(int handle) const;
    Control* Find(int panel, int ctrl) const;
    int BuildPanel(int parentPanel, const UirDocument& doc, const PanelDesc& desc, QWidget* host);
    void BuildControl(Panel& p, const UirDocument& doc, const ControlDesc& d);
    void WatchWidget(QWidget* w, Control* c);
    void ForgetPanel(int handle);
    int FireControl(int panel, int ctrl, int event, int data1 = 0, int data2 = 0);
    void FirePanel(int panel, int event, int data1 = 0, int data2 = 0);
    bool HandleFunctionKey(QObject* watched, int key);
    bool HandleDropDownKey(QObject* watched, QKeyEvent* e);
    void PlaceLabel(Control& c);
    // Scaling: a window's content follows its size with one factor.
    void Rescale(int topPanel);
    void LayoutPanel(Panel& p, double scale, QPoint offset);
    void LayoutControl(Control& c);
    void FitToScreen(Panel& p);
    void PlaceChildPanel(Panel& p);
    void OpenDropDown(int panel, int ctrl);
    QWidget* PopupParent() const;

    std::map<int, std::unique_ptr<Panel>> panels_;
    QHash<QObject*, Control*> widgetOwner_;  // every watched widget -> its control
    int nextPanel_ = 1;
    int nextMessage_ = CTRL_COUNT + 1;

    const CallbackResolver* resolver_ = nullptr;
    void* callbackData_ = nullptr;
    int callbackDepth_ = 0;

    std::map<std::string, std::unique_ptr<UirDocument>> documents_;
    std::unique_ptr<Repainter> repainter_;

    struct Watch {
        QSocketNotifier* notifier;
        std::function<void()> fn;
    };
    std::map<int, std::shared_ptr<Watch>> watches_;
    int nextWatch_ = 1;

    // Repainting while a step blocks: since when it blocks, when it last painted.
    bool repaintingOnly_ = false;
    bool blocked_ = false;
    std::chrono::steady_clock::time_point blockedSince_, lastBlockedPaint_;
    bool quitPending_ = false;
    int quitCode_ = 0;
    int loopDepth_ = 0;
    QEventLoop* loop_ = nullptr;
    bool waitCursor_ = false;
    bool autoAnswer_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    QBasicTimer wakeTimer_;  // ends WaitForEvents; kept armed across waits
    std::chrono::steady_clock::time_point wakeAt_;
};

}  // namespace lq::qt
