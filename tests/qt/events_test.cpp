// Operator actions on the Qt panels become the callback calls the program
// expects, and nothing else does.
#include <unistd.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include "tests/qt/qt_fixture.h"

namespace lq::qt {
namespace {

using Events = std::vector<int>;

class QtEventsTest : public QtPanelsTest {
  protected:
    void SetUp() override {
        LoadPanels();
        Show();
    }
    void RightClick(QWidget* w, QPoint at = QPoint(4, 4)) {
        QTest::mouseClick(w, Qt::RightButton, {}, at);
    }
    void RightDoubleClick(QWidget* w, QPoint at = QPoint(4, 4)) {
        QTest::mouseDClick(w, Qt::RightButton, {}, at);
    }
};

TEST_F(QtEventsTest, FunctionKeysPressTheirButtonsFromAnywhereInTheWindow) {
    struct Case {
        Qt::Key key;
        Ctrl button;
    };
    const Case cases[] = {{Qt::Key_F9, BUTTON_SEND},
                          {Qt::Key_F10, BUTTON_GET},
                          {Qt::Key_F11, BUTTON_GO},
                          {Qt::Key_F12, BUTTON_STOP}};
    // From the main window, from a field on a tab page and from the data panel.
    QWidget* targets[] = {qp.PanelWidgetOf(a.s.mainPanel), W(a.s.tpConnect, STRING_PORT_NUMBER),
                          W(a.s.dataPanel, DISPS_STATUS)};
    for (const Case& c : cases) {
        for (QWidget* t : targets) {
            rec.calls.clear();
            QTest::keyClick(t, c.key);
            EXPECT_EQ(rec.Events(a.s.mainPanel, c.button), Events{EVENT_COMMIT})
                << CtrlName(c.button) << " via " << t->objectName().toStdString();
            EXPECT_EQ(rec.calls.size(), 1u);
        }
    }
    // A dimmed button ignores its key; the field keeps its text.
    qp.SetCtrlDimmed(a.s.mainPanel, BUTTON_GO, true);
    rec.calls.clear();
    QTest::keyClick(W(a.s.tpConnect, STRING_PORT_NUMBER), Qt::Key_F11);
    EXPECT_TRUE(rec.calls.empty());
    EXPECT_EQ(qp.GetCtrlValString(a.s.tpConnect, STRING_PORT_NUMBER), "5000");
}

TEST_F(QtEventsTest, ACallbackThatWaitsSeesNestedCallbacksAndDescriptorWatches) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    bool fdFired = false, stopSeen = false, goReturned = false;
    int depthAtStop = 0, depthAtFd = 0;
    const int watch = qp.AddFdWatch(fds[0], [&] {
        char b[16];
        (void)!read(fds[0], b, sizeof b);
        fdFired = true;
        depthAtFd = qp.CallbackDepth();
    });
    auto* stop = qobject_cast<QPushButton*>(W(a.s.mainPanel, BUTTON_STOP));
    rec.onControl = [&](const Call& c) {
        if (c.control == BUTTON_STOP && c.event == EVENT_COMMIT) {
            stopSeen = true;
            depthAtStop = qp.CallbackDepth();
        }
        if (c.control != BUTTON_GO || c.event != EVENT_COMMIT) return;
        // Like the live loop: start work, then wait while dispatching.
        QTimer::singleShot(0, stop, &QPushButton::click);
        ASSERT_EQ(write(fds[1], "x", 1), 1);
        for (int pass = 0; pass < 400 && !(stopSeen && fdFired); ++pass) qp.WaitForEvents(0.05);
        goReturned = true;
    };
    QTest::mouseClick(W(a.s.mainPanel, BUTTON_GO), Qt::LeftButton);
    EXPECT_TRUE(goReturned);
    EXPECT_TRUE(stopSeen);
    EXPECT_TRUE(fdFired);
    EXPECT_EQ(depthAtStop, 2);  // STOP ran inside GO
    EXPECT_EQ(depthAtFd, 2);
    EXPECT_EQ(rec.Events(a.s.mainPanel, BUTTON_GO), Events{EVENT_COMMIT});
    qp.RemoveFdWatch(watch);
    close(fds[0]);
    close(fds[1]);
}

TEST_F(QtEventsTest, OperatorActionsGiveTheirEvents) {
    const int m = a.s.mainPanel, c = a.s.tpConnect, d = a.s.dataPanel;
    struct Case {
        const char* what;
        int panel;
        Ctrl ctrl;
        std::function<void(QWidget*)> act;
        Events expected;
    };
    const Case cases[] = {
        {"button click",
         m,
         BUTTON_SEND,
         [](QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); },
         {EVENT_COMMIT}},
        {"radio click",
         m,
         RADIO_BTN_FILE,
         [](QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2)); },
         {EVENT_VAL_CHANGED, EVENT_COMMIT}},
        {"ring changed from the keyboard",
         c,
         EDIT_SELECT_BAUDRATE,
         [](QWidget* w) { QTest::keyClick(w, Qt::Key_Down); },
         {EVENT_VAL_CHANGED, EVENT_COMMIT}},
        {"number typed and entered",
         c,
         EDIT_SELECT_COM_PORT,
         [](QWidget* w) {
             auto* s = static_cast<QDoubleSpinBox*>(w);
             s->selectAll();
             QTest::keyClicks(s, "7");
             QTest::keyClick(s, Qt::Key_Return);
         },
         {EVENT_VAL_CHANGED, EVENT_COMMIT}},
        {"text typed, then entered",
         c,
         STRING_PORT_NUMBER,
         [](QWidget* w) {
             QTest::keyClicks(w, "12");
             QTest::keyClick(w, Qt::Key_Return);
         },
         {EVENT_VAL_CHANGED, EVENT_VAL_CHANGED, EVENT_COMMIT}},
        {"right click on an indicator",
         d,
         DISP_X,
         [this](QWidget* w) { RightClick(w); },
         {EVENT_RIGHT_CLICK}},
        {"right click on a graph",
         d,
         GRAPH_RGB,
         [this](QWidget* w) { RightClick(w); },
         {EVENT_RIGHT_CLICK}},
        {"right click on a control's label",
         m,
         EDIT_AVERAGE,
         [this](QWidget* w) {
             QWidget* label = w->parentWidget()->findChild<QWidget*>("EDIT_AVERAGE_LABEL");
             ASSERT_NE(label, nullptr);
             RightClick(label);
         },
         {EVENT_RIGHT_CLICK}},
        {"right double click on the text box",
         c,
         EDIT_TEXT_BOX_STATUS,
         [this](QWidget* w) { RightDoubleClick(static_cast<QPlainTextEdit*>(w)->viewport()); },
         {EVENT_RIGHT_DOUBLE_CLICK}},
        {"right click on a button",
         m,
         BUTTON_GO,
         [this](QWidget* w) { RightClick(w); },
         {EVENT_RIGHT_CLICK}},
        {"tab chosen by the operator",
         m,
         TAB_MAIN1,
         [](QWidget* w) {
             QTabBar* bar = static_cast<QTabWidget*>(w)->tabBar();
             QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
         },
         {EVENT_ACTIVE_TAB_CHANGE}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        rec.calls.clear();
        k.act(W(k.panel, k.ctrl));
        EXPECT_EQ(rec.Events(k.panel, k.ctrl), k.expected);
        EXPECT_EQ(rec.calls.size(), k.expected.size());
    }
    EXPECT_EQ(qp.GetCtrlValDouble(m, RADIO_BTN_FILE), 1);
    EXPECT_EQ(qp.GetCtrlValDouble(c, EDIT_SELECT_BAUDRATE), 5);
    EXPECT_EQ(qp.GetCtrlValDouble(c, EDIT_SELECT_COM_PORT), 7);
    EXPECT_EQ(qp.GetCtrlValString(c, STRING_PORT_NUMBER), "500012");
    EXPECT_EQ(qp.GetActiveTabPage(m, TAB_MAIN1), 1);
}

TEST_F(QtEventsTest, ProgramChangesAndDimmedControlsRaiseNoEvents) {
    const int m = a.s.mainPanel, c = a.s.tpConnect;
    qp.SetCtrlVal(m, RADIO_BTN_FILE, 1);
    qp.SetCtrlVal(m, EDIT_AVERAGE, 64);
    qp.SetCtrlVal(c, EDIT_SELECT_COM_PORT, 9);
    qp.SetCtrlVal(c, STRING_IP_ADRESS, "host");
    qp.SetActiveTabPage(m, TAB_MAIN1, 1);
    qp.SetActiveTabPage(m, TAB_MAIN1, 0);
    qp.SetCtrlDimmed(m, BUTTON_SEND, true);
    QTest::mouseClick(W(m, BUTTON_SEND), Qt::LeftButton);
    RightClick(W(m, BUTTON_SEND));
    QApplication::processEvents();
    EXPECT_TRUE(rec.calls.empty());
    EXPECT_EQ(qp.GetCtrlValDouble(c, EDIT_SELECT_COM_PORT), 9);
    EXPECT_EQ(qp.GetCtrlValString(c, STRING_IP_ADRESS), "host");
    // Only an explicit call runs a callback for the program.
    EXPECT_EQ(qp.CallCtrlCallback(c, STRING_IP_ADRESS, EVENT_COMMIT, 0, 0), 0);
    EXPECT_EQ(rec.Events(c, STRING_IP_ADRESS), Events{EVENT_COMMIT});
    rec.calls.clear();
    // An indicator ring keeps its value when clicked.
    QTest::mouseClick(W(a.s.tpAssist, EDIT_GAIN), Qt::LeftButton);
    QTest::keyClick(W(a.s.tpAssist, EDIT_GAIN), Qt::Key_Down);
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(W(a.s.tpAssist, EDIT_GAIN), &wheel);
    EXPECT_EQ(qp.GetCtrlValDouble(a.s.tpAssist, EDIT_GAIN), 1);
    EXPECT_TRUE(rec.calls.empty());
}

TEST_F(QtEventsTest, CloseBoxAndPanelBackgroundReachThePanelCallback) {
    QWidget* main = qp.PanelWidgetOf(a.s.mainPanel);
    EXPECT_FALSE(main->close());  // the window stays; the program decides
    EXPECT_TRUE(main->isVisible());
    RightDoubleClick(main, QPoint(2, 300));
    RightClick(qp.PanelWidgetOf(a.s.dataPanel), QPoint(610, 250));
    EXPECT_EQ(rec.Events(a.s.mainPanel, 0), (Events{EVENT_CLOSE, EVENT_RIGHT_DOUBLE_CLICK}));
    EXPECT_EQ(rec.Events(a.s.dataPanel, 0), Events{EVENT_RIGHT_CLICK});
}

TEST_F(QtEventsTest, RightDoubleClickOnTheMainPanelRestoresSizeAndCentres) {
    qp.SetCallbackResolver(&ProgramCallbacks(), &a);
    const int m = a.s.mainPanel;
    qp.SetPanelSize(m, 400, 500);
    qp.SetPanelPos(m, 120, 70);
    RightDoubleClick(qp.PanelWidgetOf(m), QPoint(2, 300));
    int h = 0, w = 0, top = 0, left = 0;
    qp.GetPanelSize(m, h, w);
    EXPECT_EQ(h, 690);
    EXPECT_EQ(w, 1014);
    QWidget* main = qp.PanelWidgetOf(m);
    const QRect screen = main->screen()->availableGeometry();
    const QRect frame = main->frameGeometry();
    qp.GetPanelPos(m, top, left);
    EXPECT_EQ(frame.left() - screen.left(), screen.right() - frame.right());
    EXPECT_LE(std::abs((frame.top() - screen.top()) - (screen.bottom() - frame.bottom())), 1);
    EXPECT_EQ(left, main->geometry().left());
    EXPECT_EQ(top, main->geometry().top());
}

}  // namespace
}  // namespace lq::qt
