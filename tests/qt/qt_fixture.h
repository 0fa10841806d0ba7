// One QApplication for the whole test executable, on the offscreen platform,
// and a fixture that loads the program's panels into a fresh QtPlatform.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QWidget>
#include <string>
#include <vector>

#include "app/core/session_state.h"
#include "app/qt/qt_platform.h"
#include "app/winmain.h"
#include "ui/callbacks.h"
#include "ui/screen_events.h"

namespace lq::qt {

inline QApplication& TestApp() {
    // Never destroyed: widgets of a failed test must not outlive it.
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "test_qt";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

// Records every callback call.
struct Call {
    int panel, control, event, data1, data2;
};

struct Recorder : CallbackResolver {
    std::vector<Call> calls;
    // Per callback name, what runs besides recording (may be empty).
    std::function<void(const Call&)> onControl;
    std::function<void(const Call&)> onPanel;

    static int ControlCb(int panel, int control, int event, void* data, int d1, int d2) {
        auto* r = static_cast<Recorder*>(data);
        r->calls.push_back({panel, control, event, d1, d2});
        if (r->onControl) r->onControl(r->calls.back());
        return 0;
    }
    static int PanelCb(int panel, int event, void* data, int d1, int d2) {
        auto* r = static_cast<Recorder*>(data);
        r->calls.push_back({panel, 0, event, d1, d2});
        if (r->onPanel) r->onPanel(r->calls.back());
        return 0;
    }
    CtrlCallbackFn Control(std::string_view name) const override {
        return name.empty() ? nullptr : &ControlCb;
    }
    PanelCallbackFn Panel(std::string_view name) const override {
        return name.empty() ? nullptr : &PanelCb;
    }
    // The events that reached (panel, control), in order.
    std::vector<int> Events(int panel, int control) const {
        std::vector<int> out;
        for (const Call& c : calls)
            if (c.panel == panel && c.control == control) out.push_back(c.event);
        return out;
    }
};

inline std::string ShippedUir() {
    return std::string(LQ_RUNTIME_DIR) + "/" + kUirFileName;
}

class QtPanelsTest : public ::testing::Test {
  protected:
    QApplication& qapp = TestApp();
    QtPlatform qp;
    ScreenApp a{qp};
    Recorder rec;

    // The program's panels from the shipped resource; callbacks go to `rec`
    // unless `programCallbacks` is set.
    void LoadPanels(bool programCallbacks = false) {
        ASSERT_EQ(LoadProgramPanels(a, ShippedUir()), 0);
        if (!programCallbacks) qp.SetCallbackResolver(&rec, &rec);
    }
    void Show() {
        qp.DisplayPanel(a.s.dataPanel);
        qp.DisplayPanel(a.s.mainPanel);
        QApplication::processEvents();
    }
    QWidget* W(int panel, int ctrl) {
        QWidget* w = qp.ControlWidget(panel, ctrl);
        EXPECT_NE(w, nullptr) << "control " << ctrl << " on panel " << panel;
        return w;
    }
};

}  // namespace lq::qt
