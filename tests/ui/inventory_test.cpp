// The controls of the four panels as the program sees them once the
// resource is loaded: kind, label, callback, initial value, flags, ranges.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <set>

#include "tests/support/program_fixture.h"

namespace lq {
namespace {

constexpr double kAny = std::numeric_limits<double>::quiet_NaN();

struct Expected {
    int panel;  // resource number
    Ctrl ctrl;
    CtrlKind kind;
    const char* label;
    const char* callback;
    double value;      // kAny: not checked
    const char* text;  // nullptr: not checked
    bool indicator;
    bool visible;
    double min = kAny, max = kAny;
};

using K = CtrlKind;
// clang-format off
const Expected kInventory[] = {
    // MAINP
    {MAINP, TAB_MAIN1, K::Tab, "", "CBF_TabMain1", kAny, nullptr, false, true},
    {MAINP, BUTTON_SEND, K::Button, "SEND", "CBF_ButtonSend", kAny, nullptr, false, true},
    {MAINP, BUTTON_GET, K::Button, "GET", "CBF_ButtonGet", kAny, nullptr, false, true},
    {MAINP, BUTTON_GO, K::Button, "GO", "CBF_ButtonGo", kAny, nullptr, false, true},
    {MAINP, BUTTON_STOP, K::Button, "STOP", "CBF_ButtonStop", kAny, nullptr, false, true},
    {MAINP, RADIO_BTN_EEPROM, K::RadioButton, "EE", "CBF_ButtonSelectMem", 1, nullptr, false, true},
    {MAINP, RADIO_BTN_FILE, K::RadioButton, "FILE", "CBF_ButtonSelectMem", 0, nullptr, false, true},
    {MAINP, EDIT_AVERAGE, K::Ring, "AVERAGE", "CBF_EditAverage", 1, nullptr, false, true},
    {MAINP, BUTTON_FREQ, K::Button, "FREQ [Hz]", "CBF_ButtonFREQ", kAny, nullptr, false, true},
    {MAINP, DISP_CYCLE_TIME_HZ, K::Numeric, "", "CBF_DispScanFreq", 0, nullptr, true, true, 0, 10000000},
    {MAINP, EDIT_SELECT_LANGUAGE, K::Ring, "SELECT LANGUAGE", "CBF_EditSelectLanguage", 0, nullptr, false, true},
    {MAINP, PICTURE_1, K::Picture, "", "", kAny, nullptr, false, false},
    {MAINP, PICTURE_2, K::Picture, "", "", kAny, nullptr, false, false},
    {MAINP, DECORATION, K::Decoration, "", "", kAny, nullptr, false, true},
    {MAINP, DECO_MEMORY1, K::Decoration, "", "", kAny, nullptr, false, true},
    {MAINP, DECO_MEMORY2, K::Decoration, "", "", kAny, nullptr, false, true},
    {MAINP, DECO_ASSISTANT_1, K::Decoration, "", "", kAny, nullptr, false, true},
    {MAINP, DECO_ASSISTANT_2, K::Decoration, "", "", kAny, nullptr, false, true},
    // DATAP
    {DATAP, DISP_X, K::Numeric, "s", "CBF_DispX", 0, nullptr, true, true, 0, 10000},
    {DATAP, DISP_Y, K::Numeric, "i", "CBF_DispY", 0, nullptr, true, true, 0, 10000},
    {DATAP, DISP_INT, K::Numeric, "M", "CBF_DispINT", 0, nullptr, true, true, 0, 4096},
    {DATAP, DISP_C_No, K::Numeric, "C-No:", "CBF_DispCOL", 0, nullptr, true, true, 0, 4096},
    {DATAP, BAR_RED, K::Slide, "", "CBF_DispRGB", 0, nullptr, true, true, 0, 4095},
    {DATAP, BAR_GREEN, K::Slide, "", "CBF_DispRGB", 0, nullptr, true, true, 0, 4095},
    {DATAP, BAR_BLUE, K::Slide, "", "CBF_DispRGB", 0, nullptr, true, true, 0, 4095},
    {DATAP, GRAPH_X_Y, K::Graph, "s/i", "CBF_Graph3D", kAny, nullptr, true, true},
    {DATAP, GRAPH_X_INT, K::Graph, "s/M", "CBF_Graph3D", kAny, nullptr, true, true},
    {DATAP, GRAPH_Y_INT, K::Graph, "i/M", "CBF_Graph3D", kAny, nullptr, true, true},
    {DATAP, GRAPH_RGB, K::StripChart, "RGB", "CBF_Graph3D", kAny, nullptr, true, true},
    {DATAP, DISPS_STATUS, K::String, "", "CBF_DispStatus", kAny, "", true, true},
    {DATAP, EDIT_SELECT_COM_PORT, K::Numeric, "COMMUNICATION PORT", "", kAny, nullptr, true, false, 1, 256},
    {DATAP, STRING_IP_ADRESS, K::String, "IP ADDRESS", "", kAny, "", true, false},
    {DATAP, DECO_STATLINE, K::Decoration, "", "", kAny, nullptr, false, true},
    // TP_CONNECT
    {TP_CONNECT, EDIT_COM_PROTOCOL, K::Ring, "COMMUNICATION PROTOCOL", "CBF_EditCommunicationProtocol", 0, nullptr, false, true},
    {TP_CONNECT, EDIT_SELECT_COM_PORT, K::Numeric, "SELECT COM PORT [1...256]", "CBF_EditSelectComPort", 1, nullptr, false, true, 1, 256},
    {TP_CONNECT, EDIT_SELECT_BAUDRATE, K::Ring, "SELECT BAUDRATE", "CBF_EditSelectBaudrate", 4, nullptr, false, true},
    {TP_CONNECT, STRING_IP_ADRESS, K::String, "IP ADRESS (xxx.xxx.xxx.xxx)  OR HOST NAME", "CBF_StringIpAdress", kAny, "", false, true},
    {TP_CONNECT, STRING_PORT_NUMBER, K::String, "PORT NUMBER (Default 5000)", "CBF_StringPortNumber", kAny, "5000", false, true},
    {TP_CONNECT, BUTTON_TRY_TO_CONNECT, K::Button, "TRY TO CONNECT", "CBF_ButtonTryToConnect", kAny, nullptr, false, true},
    {TP_CONNECT, BUTTON_DISCONNECT, K::Button, "DISCONNECT", "CBF_ButtonDisconnect", kAny, nullptr, false, true},
    {TP_CONNECT, EDIT_TEXT_BOX_STATUS, K::TextBox, "", "CBF_DispStatus", kAny, "", true, true},
    {TP_CONNECT, BUTTON_FIND_COM_PORTS, K::Button, "FIND COM PORTS", "CBF_ButtonFindComPorts", kAny, nullptr, false, true},
    {TP_CONNECT, BUTTON_ACCEPT, K::Button, "ACCEPT SETTINGS", "CBF_ButtonAccept", kAny, nullptr, false, true},
    {TP_CONNECT, DECO_CONNECT_1, K::Decoration, "", "", kAny, nullptr, false, true},
    {TP_CONNECT, DECO_CONNECT_2, K::Decoration, "", "", kAny, nullptr, false, true},
    // TP_ASSIST
    {TP_ASSIST, BUTTON_START, K::Button, "START ASSISTANT", "CBF_ButtonStart", kAny, nullptr, false, true},
    {TP_ASSIST, EDIT_MAXCOL_NO, K::Numeric, "MAXCOL-No.", "", kAny, nullptr, true, true, 1, 31},
    {TP_ASSIST, SLIDE_POWER, K::Slide, "POWER (pm)", "", kAny, nullptr, true, true, 500, 1000},
    {TP_ASSIST, EDIT_GAIN, K::Ring, "GAIN", "", kAny, nullptr, true, true},
    {TP_ASSIST, EDIT_INTEGRAL, K::Numeric, "INTEGRAL", "", kAny, nullptr, true, true, 1, 250},
    {TP_ASSIST, GRID_CTT, K::Table, "", "", kAny, nullptr, true, true},
    {TP_ASSIST, DECO_CONNECT_1, K::Decoration, "", "", kAny, nullptr, false, true},
    {TP_ASSIST, DECO_CONNECT_2, K::Decoration, "", "", kAny, nullptr, false, true},
};
// clang-format on

class InventoryTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        LoadPanels();
    }
    int HandleOfResource(int resource) {
        switch (resource) {
            case MAINP:
                return Main();
            case DATAP:
                return Data();
            case TP_CONNECT:
                return Connect();
            default:
                return Assist();
        }
    }
};

TEST_F(InventoryTest, EveryControlHasItsKindLabelCallbackAndInitialState) {
    std::map<int, std::set<int>> expectedIds;
    for (const Expected& e : kInventory) {
        SCOPED_TRACE(std::string(PanelResourceName(e.panel)) + " " + std::string(CtrlName(e.ctrl)));
        const int h = HandleOfResource(e.panel);
        expectedIds[h].insert(e.ctrl);
        ASSERT_TRUE(tp.Has(h, e.ctrl));
        const ControlState& c = tp.Ctl(h, e.ctrl);
        ASSERT_NE(c.desc, nullptr);
        EXPECT_EQ(c.kind, e.kind);
        EXPECT_EQ(c.desc->label, e.label);
        EXPECT_EQ(c.desc->callback, e.callback);
        if (!std::isnan(e.value)) {
            EXPECT_EQ(tp.GetCtrlValDouble(h, e.ctrl), e.value);
        }
        if (e.text) {
            EXPECT_EQ(tp.GetCtrlValString(h, e.ctrl), e.text);
        }
        EXPECT_EQ(c.desc->indicator, e.indicator);
        EXPECT_EQ(tp.GetCtrlVisible(h, e.ctrl), e.visible);
        EXPECT_FALSE(tp.GetCtrlDimmed(h, e.ctrl));
        if (!std::isnan(e.min)) {
            EXPECT_EQ(c.desc->min, e.min);
        }
        if (!std::isnan(e.max)) {
            EXPECT_EQ(c.desc->max, e.max);
        }
        if (!e.callback[0]) {
            EXPECT_EQ(tp.PanelOf(h)->callbacks[e.ctrl], nullptr);
        } else {
            EXPECT_NE(tp.PanelOf(h)->callbacks[e.ctrl], nullptr) << "callback not bound";
        }
    }
    // Nothing beyond the inventory.
    for (int h : {Main(), Data(), Connect(), Assist()}) {
        std::set<int> ids;
        for (const auto& [id, c] : tp.PanelOf(h)->controls) ids.insert(id);
        EXPECT_EQ(ids, expectedIds[h]) << "panel " << h;
    }
}

TEST_F(InventoryTest, PanelsHaveTheirSizesTitlesAndCallbacks) {
    const PanelState& m = *tp.PanelOf(Main());
    const PanelState& d = *tp.PanelOf(Data());
    EXPECT_EQ(m.width, 1014);
    EXPECT_EQ(m.height, 690);
    EXPECT_EQ(m.top, 30);
    EXPECT_EQ(m.left, 10);
    EXPECT_EQ(m.title, "LUMIQUAD TALVERN Kelvo V1.2");
    EXPECT_NE(m.callback, nullptr);
    EXPECT_EQ(d.width, 623);
    EXPECT_EQ(d.height, 623);
    EXPECT_EQ(d.title, "DATAPANEL");
    EXPECT_NE(d.callback, nullptr);
    for (int page : {Connect(), Assist()}) {
        EXPECT_EQ(tp.PanelOf(page)->width, 372);
        EXPECT_EQ(tp.PanelOf(page)->height, 430);
    }
    const ControlDesc& tab = *tp.Ctl(Main(), TAB_MAIN1).desc;
    EXPECT_EQ(tab.pages, (std::vector<std::string>{"TP_CONNECT", "TP_ASSIST"}));
    EXPECT_EQ(tab.pageLabels, (std::vector<std::string>{"CONNECT", "ASSISTANT"}));
}

std::vector<std::pair<std::string, double>> Items(const ControlDesc& d) {
    std::vector<std::pair<std::string, double>> v;
    for (const RingItem& i : d.items) v.emplace_back(i.label, i.value);
    return v;
}

TEST_F(InventoryTest, RingsCarryTheirItemsAndValues) {
    std::vector<std::pair<std::string, double>> average;
    for (int i = 0; i < 16; ++i)
        average.emplace_back(std::to_string(1 << i), static_cast<double>(1 << i));
    EXPECT_EQ(Items(*tp.Ctl(Main(), EDIT_AVERAGE).desc), average);
    EXPECT_EQ(Items(*tp.Ctl(Main(), EDIT_SELECT_LANGUAGE).desc),
              (std::vector<std::pair<std::string, double>>{{"Deutsch", 0},
                                                           {"English", 1},
                                                           {"Français", 2},
                                                           {"Español", 3},
                                                           {"Portuguesa", 4},
                                                           {"Italiano", 5},
                                                           {"Polski", 6}}));
    EXPECT_EQ(Items(*tp.Ctl(Connect(), EDIT_COM_PROTOCOL).desc),
              (std::vector<std::pair<std::string, double>>{{"RS232", 0}, {"TCP/IP", 1}}));
    EXPECT_EQ(Items(*tp.Ctl(Connect(), EDIT_SELECT_BAUDRATE).desc),
              (std::vector<std::pair<std::string, double>>{{"9600", 0},
                                                           {"19200", 1},
                                                           {"38400", 2},
                                                           {"57600", 3},
                                                           {"115200", 4},
                                                           {"230400", 5},
                                                           {"460800", 6}}));
    std::vector<std::pair<std::string, double>> gain;
    for (int i = 1; i <= 8; ++i) gain.emplace_back("AMP" + std::to_string(i), i);
    EXPECT_EQ(Items(*tp.Ctl(Assist(), EDIT_GAIN).desc), gain);
    EXPECT_EQ(tp.GetCtrlValString(Connect(), EDIT_SELECT_BAUDRATE), "115200");
}

TEST_F(InventoryTest, FieldsTablesGraphsAndShortcuts) {
    EXPECT_EQ(tp.GetCtrlMaxLength(Connect(), STRING_IP_ADRESS), 255);
    EXPECT_EQ(tp.GetCtrlMaxLength(Connect(), STRING_PORT_NUMBER), 31);
    EXPECT_EQ(tp.Ctl(Connect(), EDIT_SELECT_COM_PORT).desc->step, 1);

    const ControlDesc& grid = *tp.Ctl(Assist(), GRID_CTT).desc;
    EXPECT_EQ(grid.rows, 31);
    EXPECT_EQ(grid.columns, 5);
    EXPECT_EQ(grid.columnHeaders, (std::vector<std::string>{"s", "i", "M", "TOL", ""}));

    for (Ctrl g : {GRAPH_X_Y, GRAPH_X_INT, GRAPH_Y_INT}) {
        const ControlState& c = tp.Ctl(Data(), g);
        EXPECT_EQ(c.cursors.size(), 1u);
        EXPECT_EQ(c.xMin, 0);
        EXPECT_EQ(c.xMax, 10000);
        EXPECT_EQ(c.yMin, 0);
        EXPECT_EQ(c.yMax, 10000);
    }
    EXPECT_EQ(tp.Ctl(Data(), GRAPH_RGB).desc->traceColors,
              (std::vector<uint32_t>{0xFF0000, 0x00FF00, 0x0000FF}));

    const std::map<Ctrl, std::string> shortcuts = {
        {BUTTON_SEND, "F9"}, {BUTTON_GET, "F10"}, {BUTTON_GO, "F11"}, {BUTTON_STOP, "F12"}};
    for (int h : {Main(), Data(), Connect(), Assist()})
        for (const auto& [id, c] : tp.PanelOf(h)->controls) {
            auto it = shortcuts.find(static_cast<Ctrl>(id));
            const std::string expected = h == Main() && it != shortcuts.end() ? it->second : "";
            EXPECT_EQ(c.desc->shortcut, expected) << CtrlName(static_cast<Ctrl>(id));
        }
}

// The layout: every control inside its panel, no two working controls on
// top of each other (except the two link displays of the data panel, which
// are shown one at a time), the data panel and the tab control side by side.
TEST_F(InventoryTest, LayoutKeepsControlsInsideTheirPanelsAndApart) {
    struct Box {
        int top, left, bottom, right;
    };
    for (int h : {Main(), Data(), Connect(), Assist()}) {
        const PanelState& p = *tp.PanelOf(h);
        std::vector<std::pair<Ctrl, Box>> boxes;
        for (const auto& [id, c] : p.controls) {
            const ControlDesc& d = *c.desc;
            SCOPED_TRACE(d.name);
            EXPECT_GT(d.width, 0);
            EXPECT_GT(d.height, 0);
            EXPECT_GE(d.top, 0);
            EXPECT_GE(d.left, 0);
            EXPECT_LE(d.top + d.height, p.height);
            EXPECT_LE(d.left + d.width, p.width);
            if (d.kind == CtrlKind::Decoration) continue;
            boxes.push_back({d.id, {d.top, d.left, d.top + d.height, d.left + d.width}});
            // A label stands in a 16-pixel strip above the body (buttons and
            // radio buttons carry theirs inside).
            if (!d.label.empty() && d.kind != CtrlKind::Button && d.kind != CtrlKind::RadioButton) {
                EXPECT_GE(d.top - 16, 0);
                boxes.push_back({d.id, {d.top - 16, d.left, d.top, d.left + d.width}});
            }
        }
        for (size_t i = 0; i < boxes.size(); ++i)
            for (size_t j = i + 1; j < boxes.size(); ++j) {
                const Box& x = boxes[i].second;
                const Box& y = boxes[j].second;
                const bool overlap =
                    x.left < y.right && y.left < x.right && x.top < y.bottom && y.top < x.bottom;
                if (boxes[i].first == boxes[j].first) continue;  // a label and its body
                const std::set<Ctrl> pair{boxes[i].first, boxes[j].first};
                const bool alternating =
                    h == Data() && pair == std::set<Ctrl>{EDIT_SELECT_COM_PORT, STRING_IP_ADRESS};
                EXPECT_TRUE(!overlap || alternating)
                    << CtrlName(boxes[i].first) << " overlaps " << CtrlName(boxes[j].first);
            }
    }
    const ControlDesc& tab = *tp.Ctl(Main(), TAB_MAIN1).desc;
    EXPECT_GE(tab.width, 372);
    EXPECT_GE(tab.height, 430);
    EXPECT_LE(tab.left + tab.width, 385);  // left of the data panel
    EXPECT_LE(63 + 623, 690);
    EXPECT_LE(385 + 623, 1014);
    const ControlDesc& logo = *tp.Ctl(Main(), PICTURE_1).desc;
    EXPECT_LE(logo.top + logo.height, 63);  // the title strip lies above both
}

}  // namespace
}  // namespace lq
