// The measurement view: tolerance circles and framing of the three
// colour-space graphs, cursors, strip chart, live numbers; and the display of
// the parameter block and the teach grid.
#include "ui/view/view.h"

#include <algorithm>
#include <cstring>

#include "app/core/platform.h"
#include "data/para.h"

namespace lq {
namespace {

constexpr int kEmptyLimit = 10;  // X and Y both at most this: the vector is unused
constexpr int kMargin = 25;
constexpr int kStripPoints = 101;
constexpr int kFullCircle = 3600;  // tenths of a degree

struct Span {
    int32_t span;
    int32_t centre;
};

// The range that holds both the extents and the live value.
Span Frame(int32_t live, int32_t qmin, int32_t qmax) {
    const int32_t lower = std::min(live, qmin);
    const int32_t upper = std::max(live, qmax);
    const int32_t span = upper - lower;
    return Span{span, lower + span / 2};
}

void FrameGraph(App& a, int ctrl, const Span& h, const Span& v) {
    const int32_t half = std::max(h.span, v.span) / 2;
    a.ui.SetAxisRange(a.s.dataPanel, ctrl, Axis::X, h.centre - kMargin - half,
                      h.centre + half + kMargin);
    a.ui.SetAxisRange(a.s.dataPanel, ctrl, Axis::Y, v.centre - kMargin - half,
                      v.centre + half + kMargin);
}

void Circle(App& a, int ctrl, int32_t cx, int32_t cy, int32_t r, uint32_t colour) {
    a.ui.PlotArc(a.s.dataPanel, ctrl, cx - r, cy - r, cx + r, cy + r, 0, kFullCircle, colour,
                 COLOR_TRANSPARENT);
}

void Widen(int32_t& lo, int32_t& hi, int32_t value, int32_t r) {
    lo = std::min(lo, value - r);
    hi = std::max(hi, value + r);
}

void Order(int32_t& lo, int32_t& hi) {
    if (hi < lo) std::swap(lo, hi);
}

}  // namespace

void SetPanelValues(App& a) {
    Platform& ui = a.ui;
    const ParaBlock& p = a.para;
    ui.SetCtrlVal(a.s.mainPanel, EDIT_AVERAGE, static_cast<double>(p[AVERAGE]));
    ui.SetCtrlVal(a.s.tpAssist, SLIDE_POWER, static_cast<double>(p[POWER]));
    ui.SetCtrlVal(a.s.tpAssist, EDIT_MAXCOL_NO, static_cast<double>(p[MAX_VEC_NO]));
    ui.SetCtrlVal(a.s.tpAssist, EDIT_GAIN, static_cast<double>(p[GAIN]));
    ui.SetCtrlVal(a.s.tpAssist, EDIT_INTEGRAL, static_cast<double>(p[INTEGRAL]));
    for (int row = 1; row <= kGridRows; ++row)
        for (int col = 1; col <= 4; ++col)
            ui.SetTableCellVal(a.s.tpAssist, GRID_CTT, MakePoint(col, row),
                               a.teach[row - 1][col - 1]);
}

void InitGraphs(App& a) {
    Platform& ui = a.ui;
    const int panel = a.s.dataPanel;
    ui.DeleteGraphPlots(panel, GRAPH_X_Y);
    ui.DeleteGraphPlots(panel, GRAPH_X_INT);
    ui.DeleteGraphPlots(panel, GRAPH_Y_INT);

    GraphExtents& e = a.ext;
    e.xMin = e.yMin = e.intMin = 10000;
    e.xMax = e.yMax = e.intMax = 0;
    for (int i = 0; i < kTeachVectors; ++i) {
        const TeachVector& v = a.teach[i];
        const int32_t x = v[CELL0], y = v[CELL1], in = v[CELL2], r = v[CELL3];
        const uint32_t c = ColorCycle(i);
        Circle(a, GRAPH_X_Y, x, y, r, c);
        Circle(a, GRAPH_X_INT, x, in, r, c);
        Circle(a, GRAPH_Y_INT, y, in, r, c);
        if (x <= kEmptyLimit && y <= kEmptyLimit) continue;  // drawn, but not framed
        Widen(e.xMin, e.xMax, x, r);
        Widen(e.yMin, e.yMax, y, r);
        Widen(e.intMin, e.intMax, in, r);
    }
    // With no counted vector this gives 0 ... 10000 for every quantity.
    Order(e.xMin, e.xMax);
    Order(e.yMin, e.yMax);
    Order(e.intMin, e.intMax);
}

void ShowGraph3D(App& a) {
    Platform& ui = a.ui;
    const int panel = a.s.dataPanel;
    const LiveRecord& rec = a.s.liveRecord;
    const GraphExtents& e = a.ext;
    const Span x = Frame(rec.X(), e.xMin, e.xMax);
    const Span y = Frame(rec.Y(), e.yMin, e.yMax);
    const Span in = Frame(rec.INT(), e.intMin, e.intMax);

    FrameGraph(a, GRAPH_X_Y, x, y);
    FrameGraph(a, GRAPH_X_INT, x, in);
    FrameGraph(a, GRAPH_Y_INT, y, in);

    ui.SetGraphCursor(panel, GRAPH_X_Y, 1, rec.X(), rec.Y());
    ui.SetGraphCursor(panel, GRAPH_X_INT, 1, rec.X(), rec.INT());
    ui.SetGraphCursor(panel, GRAPH_Y_INT, 1, rec.Y(), rec.INT());

    ui.SetStripPointsPerScreen(panel, GRAPH_RGB, kStripPoints);
    ui.PlotStripChart(panel, GRAPH_RGB, a.rgb.v.data(), static_cast<int>(a.rgb.v.size()));
}

void SetPanelData(App& a) {
    Platform& ui = a.ui;
    const int panel = a.s.dataPanel;
    const LiveRecord& rec = a.s.liveRecord;
    ui.SetCtrlVal(panel, DISP_X, static_cast<double>(rec.X()));
    ui.SetCtrlVal(panel, DISP_Y, static_cast<double>(rec.Y()));
    ui.SetCtrlVal(panel, DISP_INT, static_cast<double>(rec.INT()));
    ui.SetCtrlVal(panel, DISP_C_No, static_cast<double>(rec.ColorNo()));
    ui.SetCtrlVal(panel, BAR_RED, static_cast<double>(rec.R()));
    ui.SetCtrlVal(panel, BAR_GREEN, static_cast<double>(rec.G()));
    ui.SetCtrlVal(panel, BAR_BLUE, static_cast<double>(rec.B()));

    // Drop the oldest sample, in place.
    auto& h = a.rgb.v;
    std::memmove(h.data(), h.data() + 3, (h.size() - 3) * sizeof(double));
    h[297] = rec.R();
    h[298] = rec.G();
    h[299] = rec.B();
}

}  // namespace lq
