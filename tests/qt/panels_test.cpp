// The program's panels as the Qt implementation builds them from the shipped
// resource: window geometry, and every control of the operator surface with
// its kind, widget, visibility and initial value.
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <cmath>

#include "tests/qt/qt_fixture.h"

namespace lq::qt {
namespace {

TEST_F(QtPanelsTest, MainWindowOpensAtItsSizeWithTheDataPanelInside) {
    LoadPanels();
    Show();
    QWidget* main = qp.PanelWidgetOf(a.s.mainPanel);
    QWidget* data = qp.PanelWidgetOf(a.s.dataPanel);
    ASSERT_TRUE(main && data);
    EXPECT_TRUE(main->isWindow());
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->windowTitle().toStdString(), "LUMIQUAD TALVERN Kelvo V1.2");
    EXPECT_EQ(main->size(), QSize(1014, 690));
    EXPECT_FALSE(data->isWindow());
    EXPECT_EQ(data->parentWidget(), main);
    EXPECT_TRUE(data->isVisible());
    EXPECT_EQ(data->pos(), QPoint(385, 63));
    EXPECT_EQ(data->size(), QSize(623, 623));
    // The two tab pages are the pages of the tab control, "CONNECT" first.
    auto* tab = qobject_cast<QTabWidget*>(W(a.s.mainPanel, TAB_MAIN1));
    ASSERT_NE(tab, nullptr);
    ASSERT_EQ(tab->count(), 2);
    EXPECT_EQ(tab->tabText(0).toStdString(), "CONNECT");
    EXPECT_EQ(tab->tabText(1).toStdString(), "ASSISTANT");
    EXPECT_EQ(tab->widget(0), qp.PanelWidgetOf(a.s.tpConnect));
    EXPECT_EQ(tab->widget(1), qp.PanelWidgetOf(a.s.tpAssist));
    int h = 0, w = 0, top = 0, left = 0;
    qp.GetPanelSize(a.s.mainPanel, h, w);
    EXPECT_EQ(h, 690);
    EXPECT_EQ(w, 1014);
    qp.GetPanelPos(a.s.dataPanel, top, left);
    EXPECT_EQ(top, 63);
    EXPECT_EQ(left, 385);
}

constexpr double kAny = NAN;  // no initial value is fixed

struct Expected {
    int panel;  // resource: MAINP, DATAP, TP_CONNECT, TP_ASSIST
    Ctrl ctrl;
    CtrlKind kind;
    const char* widgetClass;
    bool visible;
    double value;      // numbers, rings (item value), radios, slides; kAny: not checked
    const char* text;  // strings and text boxes; nullptr: not checked
    int items;         // ring items, table columns
};

// clang-format off
const Expected kInventory[] = {
    {MAINP, TAB_MAIN1, CtrlKind::Tab, "QTabWidget", true, kAny, nullptr, 0},
    {MAINP, BUTTON_SEND, CtrlKind::Button, "QPushButton", true, kAny, "SEND", 0},
    {MAINP, BUTTON_GET, CtrlKind::Button, "QPushButton", true, kAny, "GET", 0},
    {MAINP, BUTTON_GO, CtrlKind::Button, "QPushButton", true, kAny, "GO", 0},
    {MAINP, BUTTON_STOP, CtrlKind::Button, "QPushButton", true, kAny, "STOP", 0},
    {MAINP, RADIO_BTN_EEPROM, CtrlKind::RadioButton, "QRadioButton", true, 1, "EE", 0},
    {MAINP, RADIO_BTN_FILE, CtrlKind::RadioButton, "QRadioButton", true, 0, "FILE", 0},
    {MAINP, EDIT_AVERAGE, CtrlKind::Ring, "QComboBox", true, 1, "1", 16},
    {MAINP, BUTTON_FREQ, CtrlKind::Button, "QPushButton", true, kAny, "FREQ [Hz]", 0},
    {MAINP, DISP_CYCLE_TIME_HZ, CtrlKind::Numeric, "lq::qt::NumericDisplay", true, 0, nullptr, 0},
    {MAINP, EDIT_SELECT_LANGUAGE, CtrlKind::Ring, "QComboBox", true, 0, "Deutsch", 7},
    {MAINP, PICTURE_1, CtrlKind::Picture, "QLabel", false, kAny, nullptr, 0},
    {MAINP, PICTURE_2, CtrlKind::Picture, "QLabel", false, kAny, nullptr, 0},
    {MAINP, DECORATION, CtrlKind::Decoration, "lq::qt::Decoration", true, kAny, nullptr, 0},
    {MAINP, DECO_MEMORY1, CtrlKind::Decoration, "lq::qt::Decoration", true, kAny, nullptr, 0},
    {MAINP, DECO_MEMORY2, CtrlKind::Decoration, "lq::qt::Decoration", true, kAny, nullptr, 0},
    {MAINP, DECO_ASSISTANT_1, CtrlKind::Decoration, "lq::qt::Decoration", true, kAny, nullptr, 0},
    {MAINP, DECO_ASSISTANT_2, CtrlKind::Decoration, "lq::qt::Decoration", true, kAny, nullptr, 0},

    {DATAP, DISP_X, CtrlKind::Numeric, "lq::qt::NumericDisplay", true, 0, nullptr, 0},
    {DATAP, DISP_Y, CtrlKind::Numeric, "lq::qt::NumericDisplay", true, 0, nullptr, 0},
    {DATAP, DISP_INT, CtrlKind::Numeric, "lq::qt::NumericDisplay", true, 0, nullptr, 0},
    {DATAP, DISP_C_No, CtrlKind::Numeric, "lq::qt::NumericDisplay", true, 0, nullptr, 0},
    {DATAP, BAR_RED, CtrlKind::Slide, "lq::qt::BarWidget", true, 0, nullptr, 0},
    {DATAP, BAR_GREEN, CtrlKind::Slide, "lq::qt::BarWidget", true, 0, nullptr, 0},
    {DATAP, BAR_BLUE, CtrlKind::Slide, "lq::qt::BarWidget", true, 0, nullptr, 0},
    {DATAP, GRAPH_X_Y, CtrlKind::Graph, "lq::qt::GraphWidget", true, kAny, nullptr, 0},
    {DATAP, GRAPH_X_INT, CtrlKind::Graph, "lq::qt::GraphWidget", true, kAny, nullptr, 0},
    {DATAP, GRAPH_Y_INT, CtrlKind::Graph, "lq::qt::GraphWidget", true, kAny, nullptr, 0},
    {DATAP, GRAPH_RGB, CtrlKind::StripChart, "lq::qt::StripChart", true, kAny, nullptr, 0},
    {DATAP, DISPS_STATUS, CtrlKind::String, "QLineEdit", true, kAny, "", 0},
    {DATAP, EDIT_SELECT_COM_PORT, CtrlKind::Numeric, "lq::qt::NumericDisplay", false, kAny, nullptr, 0},
    {DATAP, STRING_IP_ADRESS, CtrlKind::String, "QLineEdit", false, kAny, "", 0},
    {DATAP, DECO_STATLINE, CtrlKind::Decoration, "lq::qt::Decoration", true, kAny, nullptr, 0},

    {TP_CONNECT, EDIT_COM_PROTOCOL, CtrlKind::Ring, "QComboBox", true, 0, "RS232", 2},
    {TP_CONNECT, EDIT_SELECT_COM_PORT, CtrlKind::Numeric, "QDoubleSpinBox", true, 1, nullptr, 0},
    {TP_CONNECT, EDIT_SELECT_BAUDRATE, CtrlKind::Ring, "QComboBox", true, 4, "115200", 7},
    {TP_CONNECT, STRING_IP_ADRESS, CtrlKind::String, "QLineEdit", true, kAny, "", 0},
    {TP_CONNECT, STRING_PORT_NUMBER, CtrlKind::String, "QLineEdit", true, kAny, "5000", 0},
    {TP_CONNECT, BUTTON_TRY_TO_CONNECT, CtrlKind::Button, "QPushButton", true, kAny, "TRY TO CONNECT", 0},
    {TP_CONNECT, BUTTON_DISCONNECT, CtrlKind::Button, "QPushButton", true, kAny, "DISCONNECT", 0},
    {TP_CONNECT, EDIT_TEXT_BOX_STATUS, CtrlKind::TextBox, "QPlainTextEdit", true, kAny, "", 0},
    {TP_CONNECT, BUTTON_FIND_COM_PORTS, CtrlKind::Button, "QPushButton", true, kAny, "FIND COM PORTS", 0},
    {TP_CONNECT, BUTTON_ACCEPT, CtrlKind::Button, "QPushButton", true, kAny, "ACCEPT SETTINGS", 0},
    {TP_CONNECT, DECO_CONNECT_1, CtrlKind::Decoration, "lq::qt::Decoration", true, kAny, nullptr, 0},
    {TP_CONNECT, DECO_CONNECT_2, CtrlKind::Decoration, "lq::qt::Decoration", true, kAny, nullptr, 0},

    {TP_ASSIST, BUTTON_START, CtrlKind::Button, "QPushButton", true, kAny, "START ASSISTANT", 0},
    {TP_ASSIST, EDIT_MAXCOL_NO, CtrlKind::Numeric, "lq::qt::NumericDisplay", true, kAny, nullptr, 0},
    {TP_ASSIST, SLIDE_POWER, CtrlKind::Slide, "lq::qt::BarWidget", true, kAny, nullptr, 0},
    {TP_ASSIST, EDIT_GAIN, CtrlKind::Ring, "QComboBox", true, kAny, nullptr, 8},
    {TP_ASSIST, EDIT_INTEGRAL, CtrlKind::Numeric, "lq::qt::NumericDisplay", true, kAny, nullptr, 0},
    {TP_ASSIST, GRID_CTT, CtrlKind::Table, "QTableWidget", true, kAny, nullptr, 5},
    {TP_ASSIST, DECO_CONNECT_1, CtrlKind::Decoration, "lq::qt::Decoration", true, kAny, nullptr, 0},
    {TP_ASSIST, DECO_CONNECT_2, CtrlKind::Decoration, "lq::qt::Decoration", true, kAny, nullptr, 0},
};
// clang-format on

TEST_F(QtPanelsTest, EveryControlExistsWithItsKindAndInitialValue) {
    LoadPanels();
    Show();
    const std::map<int, int> handle = {{MAINP, a.s.mainPanel},
                                       {DATAP, a.s.dataPanel},
                                       {TP_CONNECT, a.s.tpConnect},
                                       {TP_ASSIST, a.s.tpAssist}};
    for (const Expected& e : kInventory) {
        const int panel = handle.at(e.panel);
        SCOPED_TRACE(std::string(PanelResourceName(e.panel)) + " " + std::string(CtrlName(e.ctrl)));
        QWidget* w = qp.ControlWidget(panel, e.ctrl);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget(), qp.PanelWidgetOf(panel));
        EXPECT_EQ(qp.ControlKind(panel, e.ctrl), e.kind);
        EXPECT_TRUE(w->inherits(e.widgetClass)) << w->metaObject()->className();
        EXPECT_EQ(qp.GetCtrlVisible(panel, e.ctrl), e.visible);
        EXPECT_EQ(w->isVisible(), e.visible);
        EXPECT_FALSE(qp.GetCtrlDimmed(panel, e.ctrl));
        if (!std::isnan(e.value)) {
            EXPECT_EQ(qp.GetCtrlValDouble(panel, e.ctrl), e.value);
        }
        if (e.text) {
            EXPECT_EQ(qp.GetCtrlValString(panel, e.ctrl), e.text);
        }
        if (e.kind == CtrlKind::Ring) {
            EXPECT_EQ(qobject_cast<QComboBox*>(w)->count(), e.items);
        }
        if (e.kind == CtrlKind::Table) {
            auto* t = qobject_cast<QTableWidget*>(w);
            EXPECT_EQ(t->columnCount(), e.items);
            EXPECT_EQ(t->rowCount(), 31);
            EXPECT_EQ(t->horizontalHeaderItem(3)->text().toStdString(), "TOL");
        }
    }
    // Each panel holds exactly the controls listed, nothing more.
    for (const auto& [res, h] : handle) {
        int listed = 0;
        for (const Expected& e : kInventory) listed += e.panel == res;
        int built = 0;
        for (int id = CTRL_NONE + 1; id < CTRL_COUNT; ++id)
            built += qp.ControlWidget(h, id) != nullptr;
        EXPECT_EQ(built, listed) << PanelResourceName(res);
    }
}

TEST_F(QtPanelsTest, RingsCarryTheirItemValues) {
    LoadPanels();
    struct Case {
        int panel;
        Ctrl ctrl;
        double value;
        const char* label;
    };
    const Case cases[] = {
        {a.s.mainPanel, EDIT_AVERAGE, 32768, "32768"},
        {a.s.mainPanel, EDIT_SELECT_LANGUAGE, 2, "Français"},
        {a.s.mainPanel, EDIT_SELECT_LANGUAGE, 6, "Polski"},
        {a.s.tpConnect, EDIT_COM_PROTOCOL, 1, "TCP/IP"},
        {a.s.tpConnect, EDIT_SELECT_BAUDRATE, 6, "460800"},
        {a.s.tpAssist, EDIT_GAIN, 8, "AMP8"},
    };
    for (const Case& c : cases) {
        qp.SetCtrlVal(c.panel, c.ctrl, c.value);
        EXPECT_EQ(qp.GetCtrlValDouble(c.panel, c.ctrl), c.value);
        EXPECT_EQ(qp.GetCtrlValString(c.panel, c.ctrl), c.label);
    }
    // A value that is no item's leaves the ring as it was.
    qp.SetCtrlVal(a.s.mainPanel, EDIT_AVERAGE, 3);
    EXPECT_EQ(qp.GetCtrlValDouble(a.s.mainPanel, EDIT_AVERAGE), 32768);
}

}  // namespace
}  // namespace lq::qt
