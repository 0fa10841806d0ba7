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

    // ---- Platform ---------------------------------------------------------------
    // Panels, controls, tables, graphs and the strip chart draw nothing;
    // control values, dimming, visibility, tool-tips and precision are kept.
    LQ_EVENT_LOOP_OVERRIDES;
    LQ_SCREEN_OVERRIDES;
    LQ_DIALOGUE_OVERRIDES;
    std::string GetProjectDir() override;
    LQ_SCREEN_READBACK;

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
