// The measurement view over the test double: circles, extents, framing,
// cursors, strip chart, live displays and the parameter display.
#include "ui/view/view.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "data/para.h"
#include "tests/session/fixture.h"
#include "ui/screen_events.h"

namespace lq::test {
namespace {

// Logs the axis settings in the order they are made.
class AxisLog : public TestPlatform {
  public:
    struct Call {
        int ctrl;
        Axis axis;
        double min, max;
    };
    void SetAxisRange(int panel, int ctrl, Axis axis, double min, double max) override {
        calls.push_back({ctrl, axis, min, max});
        TestPlatform::SetAxisRange(panel, ctrl, axis, min, max);
    }
    std::vector<Call> calls;
};

class ViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ui.SetCallbackResolver(&ProgramCallbacks(), &a);
        ASSERT_EQ(0, LoadProgramPanels(a, TestUirPath()));
    }
    void Live(int x, int y, int in) {
        a.s.liveRecord.w[3] = static_cast<int16_t>(x);
        a.s.liveRecord.w[4] = static_cast<int16_t>(y);
        a.s.liveRecord.w[5] = static_cast<int16_t>(in);
    }
    void Vector(int i, uint16_t x, uint16_t y, uint16_t in, uint16_t r) {
        a.teach[i][CELL0] = x;
        a.teach[i][CELL1] = y;
        a.teach[i][CELL2] = in;
        a.teach[i][CELL3] = r;
    }
    void ExpectAxes(int ctrl, double xMin, double xMax, double yMin, double yMax) {
        ControlState& g = ui.Ctl(a.s.dataPanel, ctrl);
        EXPECT_EQ(g.xMin, xMin) << CtrlName(static_cast<Ctrl>(ctrl));
        EXPECT_EQ(g.xMax, xMax) << CtrlName(static_cast<Ctrl>(ctrl));
        EXPECT_EQ(g.yMin, yMin) << CtrlName(static_cast<Ctrl>(ctrl));
        EXPECT_EQ(g.yMax, yMax) << CtrlName(static_cast<Ctrl>(ctrl));
    }
    std::tuple<int, int, int, int, int, int> Ext() const {
        return {a.ext.xMin, a.ext.xMax, a.ext.yMin, a.ext.yMax, a.ext.intMin, a.ext.intMax};
    }

    AxisLog ui;
    ScreenApp a{ui};
};

TEST_F(ViewTest, WorkedExampleFramesBothAxesToTheWiderSpan) {
    a.ext = GraphExtents{1000, 3000, 2000, 2600, 0, 100};
    Live(3500, 2200, 50);
    ShowGraph3D(a);
    ExpectAxes(GRAPH_X_Y, 975, 3525, 1025, 3575);

    // Six settings in the fixed order: X/Y, X/INT, Y/INT, horizontal first.
    ASSERT_EQ(ui.calls.size(), 6u);
    const int order[] = {GRAPH_X_Y, GRAPH_X_Y, GRAPH_X_INT, GRAPH_X_INT, GRAPH_Y_INT, GRAPH_Y_INT};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(ui.calls[i].ctrl, order[i]) << i;
        EXPECT_EQ(ui.calls[i].axis, i % 2 == 0 ? Axis::X : Axis::Y) << i;
        // Equal widths on both axes of one graph.
        if (i % 2 == 1) {
            EXPECT_EQ(ui.calls[i].max - ui.calls[i].min, ui.calls[i - 1].max - ui.calls[i - 1].min);
        }
    }
}

TEST_F(ViewTest, AllZeroTableDrawsEveryCircleAndFramesTheFullRange) {
    InitGraphs(a);
    EXPECT_EQ(Ext(), std::make_tuple(0, 10000, 0, 10000, 0, 10000));
    for (int g : {GRAPH_X_Y, GRAPH_X_INT, GRAPH_Y_INT}) {
        const std::vector<ArcRecord>& arcs = ui.Ctl(a.s.dataPanel, g).arcs;
        ASSERT_EQ(arcs.size(), 64u);
        for (int i = 0; i < 64; ++i) {
            EXPECT_EQ(arcs[i].outline, ColorCycle(i)) << i;
            EXPECT_EQ(arcs[i].fill, COLOR_TRANSPARENT);
            EXPECT_EQ(arcs[i].start, 0);
            EXPECT_EQ(arcs[i].arc, 3600);
            EXPECT_EQ(arcs[i].x1, 0);
            EXPECT_EQ(arcs[i].x2, 0);
        }
    }
    // The strip chart is not a circle graph: InitGraphs leaves it alone.
    EXPECT_TRUE(ui.Ctl(a.s.dataPanel, GRAPH_RGB).strip.empty());

    Live(5000, 5000, 2000);
    ShowGraph3D(a);
    for (int g : {GRAPH_X_Y, GRAPH_X_INT, GRAPH_Y_INT}) ExpectAxes(g, -25, 10025, -25, 10025);
}

TEST_F(ViewTest, CirclesUseTheBoundingBoxOfEachVector) {
    Vector(5, 2000, 3000, 1500, 200);
    InitGraphs(a);
    const ArcRecord& xy = ui.Ctl(a.s.dataPanel, GRAPH_X_Y).arcs[5];
    EXPECT_EQ(std::make_tuple(xy.x1, xy.y1, xy.x2, xy.y2),
              std::make_tuple(1800.0, 2800.0, 2200.0, 3200.0));
    const ArcRecord& xi = ui.Ctl(a.s.dataPanel, GRAPH_X_INT).arcs[5];
    EXPECT_EQ(std::make_tuple(xi.x1, xi.y1, xi.x2, xi.y2),
              std::make_tuple(1800.0, 1300.0, 2200.0, 1700.0));
    const ArcRecord& yi = ui.Ctl(a.s.dataPanel, GRAPH_Y_INT).arcs[5];
    EXPECT_EQ(std::make_tuple(yi.x1, yi.y1, yi.x2, yi.y2),
              std::make_tuple(2800.0, 1300.0, 3200.0, 1700.0));
    EXPECT_EQ(xy.outline, ColorCycle(5));

    // A second run replaces the circles instead of adding to them.
    InitGraphs(a);
    EXPECT_EQ(ui.Ctl(a.s.dataPanel, GRAPH_X_Y).arcs.size(), 64u);
}

struct EmptyRuleCase {
    uint16_t x, y, in, r;
    std::tuple<int, int, int, int, int, int> ext;
};

TEST_F(ViewTest, VectorsWithSmallXAndYDoNotCount) {
    const EmptyRuleCase cases[] = {
        // X small but Y above 10: counts.
        {5, 11, 100, 2, {3, 7, 9, 13, 98, 102}},
        {11, 0, 0, 0, {11, 11, 0, 0, 0, 0}},
        // Both at most 10: ignored however large INT and the radius are.
        {10, 10, 9000, 5000, {0, 10000, 0, 10000, 0, 10000}},
        // A radius beyond the coordinate gives a negative minimum.
        {30, 500, 1000, 100, {-70, 130, 400, 600, 900, 1100}},
    };
    for (const EmptyRuleCase& c : cases) {
        a.teach = TeachTable{};
        Vector(40, c.x, c.y, c.in, c.r);  // beyond the sensor's 32: still framed
        InitGraphs(a);
        EXPECT_EQ(Ext(), c.ext) << c.x << "/" << c.y;
    }
}

TEST_F(ViewTest, ExtentsCoverEveryCountedCircle) {
    Vector(0, 1000, 2000, 500, 100);
    Vector(63, 3000, 2500, 800, 50);
    InitGraphs(a);
    EXPECT_EQ(Ext(), std::make_tuple(900, 3050, 1900, 2550, 400, 850));
}

TEST_F(ViewTest, OddSpanTruncatesAndOutsideValueWidensOneSide) {
    // X 0 ... 101 with the live value inside: centre 50, half 50.
    a.ext = GraphExtents{0, 101, 0, 10, 0, 10};
    Live(60, 5, 5);
    ShowGraph3D(a);
    ExpectAxes(GRAPH_X_Y, -25, 125, -70, 80);

    // Live X below the minimum: lower -200, upper 3000, span 3200, centre 1400.
    a.ext = GraphExtents{1000, 3000, 0, 0, 0, 0};
    Live(-200, 0, 0);
    ShowGraph3D(a);
    ExpectAxes(GRAPH_X_Y, 1400 - 25 - 1600, 1400 + 1600 + 25, 0 - 25 - 1600, 0 + 1600 + 25);
    ExpectAxes(GRAPH_Y_INT, -25, 25, -25, 25);
}

TEST_F(ViewTest, CursorsFollowTheLivePointAndTheStripShowsTheHistory) {
    InitGraphs(a);
    Live(1234, -20, 4000);
    for (size_t i = 0; i < a.rgb.v.size(); ++i) a.rgb.v[i] = static_cast<double>(i);
    ShowGraph3D(a);
    EXPECT_EQ(ui.Ctl(a.s.dataPanel, GRAPH_X_Y).cursors.at(0), std::make_pair(1234.0, -20.0));
    EXPECT_EQ(ui.Ctl(a.s.dataPanel, GRAPH_X_INT).cursors.at(0), std::make_pair(1234.0, 4000.0));
    EXPECT_EQ(ui.Ctl(a.s.dataPanel, GRAPH_Y_INT).cursors.at(0), std::make_pair(-20.0, 4000.0));
    ControlState& strip = ui.Ctl(a.s.dataPanel, GRAPH_RGB);
    EXPECT_EQ(strip.pointsPerScreen, 101);
    EXPECT_EQ(strip.strip, std::vector<double>(a.rgb.v.begin(), a.rgb.v.end()));
}

TEST_F(ViewTest, LiveRecordGoesToTheDisplaysAndShiftsTheHistory) {
    for (size_t i = 0; i < a.rgb.v.size(); ++i) a.rgb.v[i] = static_cast<double>(i + 1);
    const int16_t words[21] = {100, 200, 300, 1500, -20, 4000, 7, 3};
    for (int i = 0; i < 21; ++i) a.s.liveRecord.w[i] = words[i];
    SetPanelData(a);

    const std::pair<int, double> shown[] = {{DISP_X, 1500}, {DISP_Y, -20},  {DISP_INT, 4000},
                                            {DISP_C_No, 3}, {BAR_RED, 100}, {BAR_GREEN, 200},
                                            {BAR_BLUE, 300}};
    for (auto [ctrl, value] : shown)
        EXPECT_EQ(ui.Ctl(a.s.dataPanel, ctrl).value, value) << CtrlName(static_cast<Ctrl>(ctrl));
    // Oldest sample (1, 2, 3) gone; everything else three places forward.
    EXPECT_EQ(a.rgb.v[0], 4.0);
    EXPECT_EQ(a.rgb.v[294], 298.0);
    EXPECT_EQ(a.rgb.v[296], 300.0);
    EXPECT_EQ(a.rgb.v[297], 100.0);
    EXPECT_EQ(a.rgb.v[298], 200.0);
    EXPECT_EQ(a.rgb.v[299], 300.0);
}

TEST_F(ViewTest, ParameterDisplayShowsTheBlockAndTheFirst31Vectors) {
    LoadDefaultParaValues(a.para, a.teach, 1);
    a.para[POWER] = 750;
    a.para[INTEGRAL] = 42;
    for (int i = 0; i < 32; ++i) Vector(i, 1000 + i, 2000 + i, 3000 + i, 400 + i);
    SetPanelValues(a);

    EXPECT_EQ(ui.Ctl(a.s.mainPanel, EDIT_AVERAGE).value, 256);
    EXPECT_EQ(ui.Ctl(a.s.tpAssist, SLIDE_POWER).value, 750);
    EXPECT_EQ(ui.Ctl(a.s.tpAssist, EDIT_MAXCOL_NO).value, 1);
    EXPECT_EQ(ui.Ctl(a.s.tpAssist, EDIT_GAIN).value, 6);
    EXPECT_EQ(ui.Ctl(a.s.tpAssist, EDIT_INTEGRAL).value, 42);
    for (int row = 1; row <= 31; ++row)
        for (int col = 1; col <= 4; ++col)
            EXPECT_EQ(ui.GetTableCellVal(a.s.tpAssist, GRID_CTT, MakePoint(col, row)),
                      a.teach[row - 1][col - 1])
                << row << "/" << col;
    // Teach vector 31 has no row; the swatch column keeps no value.
    EXPECT_EQ(ui.Ctl(a.s.tpAssist, GRID_CTT).cells.count({1, 32}), 0u);
    EXPECT_EQ(ui.Ctl(a.s.tpAssist, GRID_CTT).cells.count({5, 1}), 0u);
}

}  // namespace
}  // namespace lq::test
