// What the program draws: graphs, the strip chart, the teach grid, the text
// box and the run-time texts hold exactly what was set, and a fast stream of
// values is painted at the frame rate, not once per value.
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTableWidget>
#include <chrono>
#include <functional>

#include "app/qt/qt_widgets.h"
#include "tests/qt/qt_fixture.h"

namespace lq::qt {
namespace {

class QtDisplayTest : public QtPanelsTest {
  protected:
    void SetUp() override {
        LoadPanels();
        Show();
    }
};

TEST_F(QtDisplayTest, GraphsKeepCirclesRangesAndCursor) {
    const int d = a.s.dataPanel;
    qp.PlotArc(d, GRAPH_X_Y, 900, 1900, 1100, 2100, 0, 3600, 0xFF0000, COLOR_TRANSPARENT);
    qp.PlotArc(d, GRAPH_X_Y, 0, 0, 0, 0, 0, 3600, 0x000000, COLOR_TRANSPARENT);
    qp.SetAxisRange(d, GRAPH_X_Y, Axis::X, 975, 3525);
    qp.SetAxisRange(d, GRAPH_X_Y, Axis::Y, 1025, 3575);
    qp.SetGraphCursor(d, GRAPH_X_Y, 1, 3500, 2200);
    auto* g = static_cast<GraphWidget*>(W(d, GRAPH_X_Y));
    ASSERT_EQ(g->Arcs().size(), 2u);
    EXPECT_EQ(g->Arcs()[0].outline, 0xFF0000u);
    EXPECT_EQ(g->Arcs()[0].x2, 1100);
    double lo = 0, hi = 0;
    qp.GetAxisRange(d, GRAPH_X_Y, Axis::X, lo, hi);
    EXPECT_EQ(lo, 975);
    EXPECT_EQ(hi, 3525);
    qp.GetAxisRange(d, GRAPH_X_Y, Axis::Y, lo, hi);
    EXPECT_EQ(lo, 1025);
    EXPECT_EQ(hi, 3575);
    EXPECT_EQ(g->CursorX(), 3500);
    EXPECT_EQ(g->CursorY(), 2200);
    // Other graphs are untouched; deleting the plots keeps ranges and cursor.
    qp.GetAxisRange(d, GRAPH_X_INT, Axis::X, lo, hi);
    EXPECT_EQ(hi, 10000);
    qp.DeleteGraphPlots(d, GRAPH_X_Y);
    EXPECT_TRUE(g->Arcs().empty());
    EXPECT_EQ(g->CursorX(), 3500);
    g->grab();  // paints without trouble, also with a degenerate circle
}

TEST_F(QtDisplayTest, StripChartShowsTheLastPointsPerScreenOfEachTrace) {
    const int d = a.s.dataPanel;
    auto* s = static_cast<StripChart*>(W(d, GRAPH_RGB));
    qp.SetStripPointsPerScreen(d, GRAPH_RGB, 101);
    EXPECT_EQ(s->PointsPerScreen(), 101);
    double values[300];
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 100; ++i) {
            values[3 * i] = round * 1000 + i;            // red
            values[3 * i + 1] = round * 1000 + i + 0.5;  // green
            values[3 * i + 2] = -(round * 1000 + i);     // blue
        }
        qp.SetStripPointsPerScreen(d, GRAPH_RGB, 101);  // the same count keeps the points
        qp.PlotStripChart(d, GRAPH_RGB, values, 300);
    }
    // 101 on screen: the last point of the first update, then the second update.
    ASSERT_EQ(s->Filled(), 101);
    EXPECT_EQ(s->At(0, 0), 99);
    EXPECT_EQ(s->At(0, 1), 1000);
    EXPECT_EQ(s->At(1, 100), 1099.5);
    EXPECT_EQ(s->At(2, 100), -1099);
    // A different count starts afresh.
    qp.SetStripPointsPerScreen(d, GRAPH_RGB, 50);
    EXPECT_EQ(s->Filled(), 0);
    // More points than fit (twice, from a position inside the ring): the newest
    // are kept, oldest first.
    qp.PlotStripChart(d, GRAPH_RGB, values, 3 * 7);
    for (int k = 0; k < 2; ++k) qp.PlotStripChart(d, GRAPH_RGB, values, 300);
    ASSERT_EQ(s->Filled(), 50);
    EXPECT_EQ(s->At(0, 0), 1050);
    EXPECT_EQ(s->At(0, 49), 1099);
    EXPECT_EQ(s->At(2, 49), -1099);
    s->grab();
}

TEST_F(QtDisplayTest, TeachGridCellsValuesAndColours) {
    const int t = a.s.tpAssist;
    qp.SetTableCellRangeBgColor(t, GRID_CTT, MakeRect(1, 1, 31, 5), COLOR_LIGHT_GRAY);
    qp.SetTableCellRangeBgColor(t, GRID_CTT, MakeRect(4, 5, 1, 1), 0x000000);
    qp.SetTableCellVal(t, GRID_CTT, MakePoint(4, 31), 120);
    qp.SetTableCellVal(t, GRID_CTT, MakePoint(6, 1), 5);  // outside: ignored
    qp.SetActiveTableCell(t, GRID_CTT, MakePoint(2, 7));
    EXPECT_EQ(qp.GetTableCellVal(t, GRID_CTT, MakePoint(4, 31)), 120);
    EXPECT_EQ(qp.GetTableCellBgColor(t, GRID_CTT, MakePoint(5, 4)), 0x000000u);
    EXPECT_EQ(qp.GetTableCellBgColor(t, GRID_CTT, MakePoint(5, 3)), COLOR_LIGHT_GRAY);
    const Point active = qp.GetActiveTableCell(t, GRID_CTT);
    EXPECT_EQ(active.column, 2);
    EXPECT_EQ(active.row, 7);
    auto* table = static_cast<QTableWidget*>(W(t, GRID_CTT));
    EXPECT_EQ(table->item(30, 3)->text().toStdString(), "120");
    EXPECT_EQ(table->item(3, 4)->background().color(), QColor(0, 0, 0));
    EXPECT_EQ(table->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(QtDisplayTest, TextBoxAppendsAndResets) {
    const int c = a.s.tpConnect;
    qp.SetCtrlVal(c, EDIT_TEXT_BOX_STATUS, "TRY TO CONNECT!\n");
    qp.SetCtrlVal(c, EDIT_TEXT_BOX_STATUS, "LUMIQUAD V4.1");
    qp.SetCtrlVal(c, EDIT_TEXT_BOX_STATUS, "\nSENSOR: x\n\n");
    EXPECT_EQ(qp.GetCtrlValString(c, EDIT_TEXT_BOX_STATUS),
              "TRY TO CONNECT!\nLUMIQUAD V4.1\nSENSOR: x\n\n");
    qp.ResetTextBox(c, EDIT_TEXT_BOX_STATUS, "");
    EXPECT_EQ(qp.GetCtrlValString(c, EDIT_TEXT_BOX_STATUS), "");
    // Bytes that are not UTF-8 (a sensor's own text) arrive as Latin-1.
    qp.SetCtrlVal(a.s.dataPanel, DISPS_STATUS, std::string("caf\xe9"));
    EXPECT_EQ(qp.GetCtrlValString(a.s.dataPanel, DISPS_STATUS), "caf\xc3\xa9");
}

TEST_F(QtDisplayTest, TitleTextLogoAndAttributes) {
    const int m = a.s.mainPanel;
    const int id = qp.NewTextMessage(m, "LUMIQUAD TALVERN Kelvo V1.2", 18, 15, 20,
                                     COLOR_TRANSPARENT, COLOR_BLACK);
    ASSERT_GT(id, CTRL_COUNT);
    qp.SetCtrlTooltip(m, id, "LUMIQUAD TALVERN Kelvo V1.2.0");
    EXPECT_EQ(qp.GetCtrlTooltip(m, id), "LUMIQUAD TALVERN Kelvo V1.2.0");
    auto* title = qobject_cast<QLabel*>(qp.ControlWidget(m, id));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->pos(), QPoint(15, 18));
    EXPECT_EQ(title->font().pointSize(), 20);
    EXPECT_TRUE(title->isVisible());

    // The logo is found beside the program; a missing file leaves the picture empty.
    EXPECT_EQ(qp.DisplayImageFile(m, PICTURE_1, std::string(LQ_RUNTIME_DIR) + "/logoZEB.bmp"), 0);
    auto* logo = qobject_cast<QLabel*>(W(m, PICTURE_1));
    EXPECT_FALSE(logo->pixmap().isNull());
    EXPECT_LT(qp.DisplayImageFile(m, PICTURE_2, "no-such-logo.bmp"), 0);
    EXPECT_TRUE(qobject_cast<QLabel*>(W(m, PICTURE_2))->pixmap().isNull());

    qp.SetCtrlPrecision(m, DISP_CYCLE_TIME_HZ, 3);
    EXPECT_EQ(qp.GetCtrlPrecision(m, DISP_CYCLE_TIME_HZ), 3);
    qp.SetCtrlFrameColor(m, DECORATION, COLOR_WHITE);
    EXPECT_EQ(qp.GetCtrlFrameColor(m, DECORATION), COLOR_WHITE);
    qp.SetCtrlVisible(a.s.dataPanel, STRING_IP_ADRESS, true);
    EXPECT_TRUE(W(a.s.dataPanel, STRING_IP_ADRESS)->isVisible());
    EXPECT_TRUE(W(a.s.dataPanel, STRING_IP_ADRESS)
                    ->parentWidget()
                    ->findChild<QWidget*>("STRING_IP_ADRESS_LABEL")
                    ->isVisible());
}

// The graph keeps its frame, grid, labels and circles as a picture: what it
// shows must never lag behind what was set, and a cursor move must not cost
// that picture or a repaint of the whole widget.
class QtGraphCacheTest : public QtDisplayTest {
  protected:
    void SetUp() override {
        QtDisplayTest::SetUp();
        g = static_cast<GraphWidget*>(W(a.s.dataPanel, GRAPH_X_Y));
        qp.PlotArc(a.s.dataPanel, GRAPH_X_Y, 900, 1900, 1100, 2100, 0, 3600, 0xFF0000,
                   COLOR_TRANSPARENT);
        qp.SetAxisRange(a.s.dataPanel, GRAPH_X_Y, Axis::X, 0, 4000);
        qp.SetAxisRange(a.s.dataPanel, GRAPH_X_Y, Axis::Y, 0, 4000);
        Frame();
    }
    // Lets the coalesced repaint of what was set reach the screen.
    void Frame() {
        const long before = g->paints;
        for (int i = 0; i < 50 && g->paints == before; ++i) qp.WaitForEvents(0.02);
        ASSERT_GT(g->paints, before);
    }
    // The graph as it is on the screen, and as a fresh drawing of its state.
    QImage OnScreen() {
        QWidget* win = g->window();
        const QRect r(g->mapTo(win, QPoint(0, 0)), g->size());
        return g->screen()
            ->grabWindow(win->winId(), r.x(), r.y(), r.width(), r.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    QImage Fresh() {
        QEvent styleChanged(QEvent::StyleChange);  // drops the picture
        QApplication::sendEvent(g, &styleChanged);
        return g->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    GraphWidget* g = nullptr;
};

TEST_F(QtGraphCacheTest, PictureIsDrawnAnewExactlyWhenWhatItShowsChanged) {
    const int d = a.s.dataPanel;
    struct Case {
        const char* what;
        std::function<void()> act;
        bool redraws;
    } cases[] = {
        {"cursor moved", [&] { qp.SetGraphCursor(d, GRAPH_X_Y, 1, 1000, 2000); }, false},
        {"same ranges again", [&] { qp.SetAxisRange(d, GRAPH_X_Y, Axis::X, 0, 4000); }, false},
        {"horizontal range", [&] { qp.SetAxisRange(d, GRAPH_X_Y, Axis::X, -25, 4025); }, true},
        {"vertical range", [&] { qp.SetAxisRange(d, GRAPH_X_Y, Axis::Y, 100, 3900); }, true},
        {"circle added",
         [&] { qp.PlotArc(d, GRAPH_X_Y, 0, 0, 500, 500, 0, 3600, 0x00FF00, COLOR_TRANSPARENT); },
         true},
        {"plots deleted", [&] { qp.DeleteGraphPlots(d, GRAPH_X_Y); }, true},
        {"resized", [&] { g->resize(g->width() + 30, g->height() + 20); }, true},
        {"font scaled",
         [&] {
             QFont f = g->font();
             f.setPointSizeF(f.pointSizeF() * 1.25);
             g->setFont(f);
         },
         true},
    };
    double x = 1500;
    for (const Case& c : cases) {
        const long renewals = g->Background().renewals;
        c.act();
        qp.SetGraphCursor(d, GRAPH_X_Y, 1, x += 10, 1500);  // a frame in every case
        Frame();
        EXPECT_EQ(g->Background().renewals > renewals, c.redraws) << c.what;
    }
}

TEST_F(QtGraphCacheTest, CursorMoveRepaintsOnlyTheCursor) {
    qp.SetGraphCursor(a.s.dataPanel, GRAPH_X_Y, 1, 1000, 2000);
    Frame();
    qp.SetGraphCursor(a.s.dataPanel, GRAPH_X_Y, 1, 3000, 500);
    const QRegion pending = g->PendingRegion();
    // Not the title above the plot, nor the tick labels left of it...
    EXPECT_FALSE(pending.intersects(QRect(0, 0, g->width(), 8)));
    EXPECT_FALSE(pending.intersects(QRect(0, 0, 8, g->height())));
    // ...and only a small part of the widget.
    long area = 0;
    for (const QRect& r : pending) area += static_cast<long>(r.width()) * r.height();
    EXPECT_LT(area, static_cast<long>(g->width()) * g->height() / 4);
    // Both where the ring was and where it is now (ranges 0 ... 4000).
    const QRectF plot = g->PlotArea();
    const auto at = [&](double x, double y) {
        return QPointF(plot.left() + x / 4000 * plot.width(),
                       plot.bottom() - y / 4000 * plot.height())
            .toPoint();
    };
    EXPECT_TRUE(pending.contains(at(1000, 2000)));
    EXPECT_TRUE(pending.contains(at(3000, 500)));
    EXPECT_FALSE(pending.contains(at(2000, 3500)));
}

TEST_F(QtGraphCacheTest, ScreenAfterManyFramesEqualsAFreshDrawing) {
    const int d = a.s.dataPanel;
    // Cursor moves (each a partial repaint), a range change in between, a
    // cursor leaving the plot and coming back.
    const double path[][2] = {{1000, 2000}, {1010, 2030}, {3000, 500},
                              {-900, 9000}, {2500, 2500}, {2490, 2520}};
    for (size_t i = 0; i < std::size(path); ++i) {
        if (i == 3) qp.SetAxisRange(d, GRAPH_X_Y, Axis::Y, -25, 4025);
        qp.SetGraphCursor(d, GRAPH_X_Y, 1, path[i][0], path[i][1]);
        Frame();
    }
    const QImage screen = OnScreen();
    const QImage fresh = Fresh();
    ASSERT_EQ(screen.size(), fresh.size());
    int differing = 0;
    for (int y = 0; y < fresh.height(); ++y)
        for (int x = 0; x < fresh.width(); ++x)
            differing += screen.pixel(x, y) != fresh.pixel(x, y);
    EXPECT_EQ(differing, 0) << "pixels left over from earlier frames";
}

TEST_F(QtDisplayTest, StripChartRedrawsItsAxesOnlyWhenTheyChange) {
    const int d = a.s.dataPanel;
    auto* s = static_cast<StripChart*>(W(d, GRAPH_RGB));
    const auto frame = [&] {
        const long before = s->paints;
        for (int i = 0; i < 50 && s->paints == before; ++i) qp.WaitForEvents(0.02);
        ASSERT_GT(s->paints, before);
    };
    double rgb[300] = {};
    qp.SetStripPointsPerScreen(d, GRAPH_RGB, 101);
    qp.PlotStripChart(d, GRAPH_RGB, rgb, 300);
    frame();
    long renewals = s->Background().renewals;
    for (int i = 0; i < 3; ++i) {
        rgb[299] = 1000 * i;
        qp.SetStripPointsPerScreen(d, GRAPH_RGB, 101);
        qp.PlotStripChart(d, GRAPH_RGB, rgb, 300);
        frame();
    }
    EXPECT_EQ(s->Background().renewals, renewals) << "new points only";
    qp.SetStripPointsPerScreen(d, GRAPH_RGB, 50);  // the horizontal axis changes
    frame();
    EXPECT_GT(s->Background().renewals, renewals);
    renewals = s->Background().renewals;
    s->resize(s->width() - 20, s->height());
    frame();
    EXPECT_GT(s->Background().renewals, renewals);
}

TEST_F(QtDisplayTest, AFastLiveStreamIsPaintedAtTheFrameRate) {
    using Clock = std::chrono::steady_clock;
    const int d = a.s.dataPanel;
    auto* x = static_cast<NumericDisplay*>(W(d, DISP_X));
    auto* strip = static_cast<StripChart*>(W(d, GRAPH_RGB));
    auto* graph = static_cast<GraphWidget*>(W(d, GRAPH_X_Y));
    qp.ProcessSystemEvents();
    const long before[3] = {x->paints, strip->paints, graph->paints};
    double rgb[300] = {};
    const int records = 1000;
    const auto t0 = Clock::now();
    for (int i = 0; i < records; ++i) {
        qp.SetCtrlVal(d, DISP_X, i);
        qp.SetAxisRange(d, GRAPH_X_Y, Axis::X, -i, 10000 + i);
        qp.SetGraphCursor(d, GRAPH_X_Y, 1, i, i);
        qp.SetStripPointsPerScreen(d, GRAPH_RGB, 101);
        rgb[299] = i;
        qp.PlotStripChart(d, GRAPH_RGB, rgb, 300);
        qp.ProcessSystemEvents();  // as the live loop does between records
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    for (int i = 0; i < 5; ++i) qp.WaitForEvents(0.05);  // let the last frame out
    // Values are current at once...
    EXPECT_EQ(x->Value(), records - 1);
    EXPECT_EQ(strip->At(2, 100), records - 1);
    // ...and each widget was painted at most once per frame interval, plus the last frame.
    const long frames = static_cast<long>(seconds * 1000 / Repainter::kFrameMs) + 2;
    const long painted[3] = {x->paints - before[0], strip->paints - before[1],
                             graph->paints - before[2]};
    for (long p : painted) {
        EXPECT_GE(p, 1);
        EXPECT_LE(p, frames);
        EXPECT_LT(p, records);
    }
}

}  // namespace
}  // namespace lq::qt
