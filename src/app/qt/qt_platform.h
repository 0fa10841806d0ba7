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
    LQ_EVENT_LOOP_OVERRIDES;
    void RepaintWhileBlocked() override;
    LQ_SCREEN_OVERRIDES;
    LQ_DIALOGUE_OVERRIDES;
    int CallCtrlCallback(int panel, int ctrl, int event, int eventData1, int eventData2) override;
    std::string GetProjectDir() override;
    LQ_SCREEN_READBACK;

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
