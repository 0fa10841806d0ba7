// The in-memory test double of the platform: controls built from the
// user-interface resource, scripted popups and file dialogues, queued
// operator events that fire inside the next dispatch, a fake clock and a
// sleep that returns at once, descriptor watches served by poll().
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/core/platform.h"
#include "app/core/uir.h"

namespace lq {

struct ArcRecord {
    double x1, y1, x2, y2;
    int start, arc;
    uint32_t outline, fill;
};

// Everything the double keeps about one control.
struct ControlState {
    const ControlDesc* desc = nullptr;
    CtrlKind kind = CtrlKind::Decoration;
    double value = 0;
    std::string text;  // strings, text boxes (accumulated), text messages
    bool dimmed = false;
    bool visible = true;
    std::string tooltip;
    int precision = 0;
    uint32_t frameColor = 0;
    int top = 0, left = 0;
    int activePage = 0;                              // tab control
    std::map<std::pair<int, int>, int> cells;        // (column, row) -> value
    std::map<std::pair<int, int>, uint32_t> cellBg;  // (column, row) -> colour
    Point activeCell{1, 1};
    bool builtInMenuHidden = false;
    std::vector<ArcRecord> arcs;
    double xMin = 0, xMax = 10000, yMin = 0, yMax = 10000;
    std::vector<std::pair<double, double>> cursors = {{0, 0}};
    int pointsPerScreen = 0;
    std::vector<double> strip;  // everything appended, in order
    std::string image;          // path of the displayed image
    int selStart = 0, selLength = 0;
    DropDownHooks* dropDown = nullptr;
    bool dropDownVisible = true;
    uint32_t dropDownFrameColor = 0;
    int setCount = 0;  // number of SetCtrlVal calls (for redraw checks)
    // Text messages made at run time.
    int pointSize = 0;
    uint32_t bgColor = 0, textColor = 0;
    std::string imageRequest;  // last path passed to DisplayImageFile, loaded or not
};

struct PanelState {
    const PanelDesc* desc = nullptr;
    int resource = 0;
    int parent = 0;
    std::string title;
    int top = 0, left = 0, width = 0, height = 0;
    int zoom = ZOOM_NORMAL;
    bool displayed = false;
    bool discarded = false;
    PanelCallbackFn callback = nullptr;
    std::map<int, ControlState> controls;  // by control id
    std::map<int, CtrlCallbackFn> callbacks;
};

struct PopupRecord {
    std::string kind;  // "message", "confirm", "generic", "file"
    std::string title;
    std::string text;
    std::vector<std::string> buttons;
    int answer = 0;
    std::string entry;       // text entered (generic with entry); path chosen (file)
    FileSelectRequest file;  // file dialogue: what the program asked for
};

class TestPlatform : public Platform {
  public:
    TestPlatform();
    ~TestPlatform() override;

    // ---- scripting --------------------------------------------------------
    // Runs `fn` inside the dispatch after `dispatches` further dispatches
    // (0: the next ProcessSystemEvents / WaitForEvents).
    void Queue(std::function<void()> fn, int dispatches = 0);
    // Operator actions, queued like Queue(): they fire inside a dispatch.
    void QueueCommit(int panel, int ctrl, int dispatches = 0);
    void QueueControlEvent(int panel, int ctrl, int event, int dispatches = 0, int ed1 = 0,
                           int ed2 = 0);
    // Operator actions performed at once (as if from the event loop).
    void Commit(int panel, int ctrl);                 // button: EVENT_COMMIT
    void Operate(int panel, int ctrl, double value);  // value, then VAL_CHANGED and COMMIT
    void OperateText(int panel, int ctrl, const std::string& text);  // same for strings
    void ControlEvent(int panel, int ctrl, int event, int ed1 = 0, int ed2 = 0);
    void PanelEvent(int panel, int event, int ed1 = 0, int ed2 = 0);
    void ChangeTab(int panel, int tabCtrl, int pageIndex);  // sets page, EVENT_ACTIVE_TAB_CHANGE
    void PressKey(int panel, int functionKey);              // 9..12: F9..F12 press the bound button
    // Typing into a string field, one character at a time, as the toolkit
    // reports it: drop-down hooks OnKey, the text changes (the selection is
    // replaced), hooks OnTextEdited, then the field's EVENT_VAL_CHANGED.
    void TypeText(int panel, int ctrl, const std::string& text);
    // Backspace: OnKey(0), deletes the selection or the last character, then
    // OnTextEdited and EVENT_VAL_CHANGED.
    void PressBackspace(int panel, int ctrl);
    // Opens the drop-down of a string field and picks item `index` (the hooks'
    // OnPick; the hooks raise the field's events through CallCtrlCallback).
    void PickDropDownItem(int panel, int ctrl, int index);
    // Operator actions on a dimmed, hidden or (for commits and value changes)
    // indicator control do nothing, as on screen; each such attempt is noted here.
    std::vector<std::string> refused;

    // Popup answers, consumed in order. Confirm: 1/0; generic: button 1/2 (+ entry text).
    // Message popups need no answer. Without a scripted answer: confirm 0,
    // generic the escape button (or 2), file dialogue cancelled.
    void AnswerPopup(int answer, const std::string& entry = "");
    void AnswerFileDialog(int result, const std::string& path);
    // Called for every popup before the scripted answers (may return -1 to fall through).
    std::function<int(PopupRecord&)> popupHandler;
    std::vector<PopupRecord> popups;  // every popup shown, in order
    int unansweredPopups = 0;

    // ---- clock ---------------------------------------------------------------
    // Fake clock by default: Timer() returns `now`; Sleep advances it; a
    // WaitForEvents that finds nothing ready within `realGraceSeconds` of real
    // waiting advances it by its maxSeconds.
    bool realClock = false;
    double now = 1000.0;
    double realGraceSeconds = 0.5;
    long sleptMilliseconds = 0;
    long dispatchCount = 0;

    // ---- inspection ------------------------------------------------------------
    PanelState* PanelOf(int panel);
    ControlState& Ctl(int panel, int ctrl);  // fails the test when missing
    bool Has(int panel, int ctrl);
    std::string projectDir = "/tmp";
    int quitRequested = 0;    // 1 after QuitUserInterface
    std::string uirOverride;  // when set, LoadPanel reads this path instead
    int waitCursor = 0;
    bool running = false;  // inside RunUserInterface
    // Called when RunUserInterface starts, before its first pass: a test queues
    // the operator's actions for after start-up here.
    std::function<void()> onLoopStart;
    int quitCode = 0;  // the code passed to QuitUserInterface
    // RunUserInterface also ends when nothing is queued, no quit was requested
    // and no watched descriptor became ready within realGraceSeconds: a test
    // never hangs on an event that will not come. Set when that happened.
    bool idleExit = false;
    // Passes the last RunUserInterface made through its loop (0: it ended at once).
    int loopPasses = 0;
    // Panel handles in the order DisplayPanel was called.
    std::vector<int> displayOrder;
    // Called by DisplayPanel after the panel is shown (to look at the state
    // of the screen at that moment).
    std::function<void(int panel)> onDisplayPanel;
    // Calls the double ignored (unknown panel or control, ring value that is
    // not an item, cell outside the table, ...), for diagnosing a test.
    std::vector<std::string> errors;
    // The one screen, for CenterPanel and GetScreenRect.
    int screenWidth = 1920, screenHeight = 1080;
    // Handle of the first loaded panel with that resource number (0: none).
    int HandleOf(int resource);

    // ---- Platform ----------------------------------------------------------------
    LQ_EVENT_LOOP_OVERRIDES;
    LQ_SCREEN_OVERRIDES;
    LQ_DIALOGUE_OVERRIDES;
    int CallCtrlCallback(int panel, int ctrl, int event, int eventData1, int eventData2) override;
    std::string GetProjectDir() override;
    LQ_SCREEN_READBACK;

  private:
    struct Impl;
    Impl* impl_;
};

// Path of the resource file beside the built executables.
std::string TestUirPath();

}  // namespace lq
