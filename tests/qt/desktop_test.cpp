// The panel as a desktop shows it: scaling with the window, square plots,
// the keyboard's Tab chain, no toolkit page switching, painting while a step
// blocks.
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <cmath>
#include <set>

#include "app/core/uir.h"
#include "app/qt/qt_widgets.h"
#include "tests/qt/qt_fixture.h"

namespace lq::qt {
namespace {

class QtDesktopTest : public QtPanelsTest {
  protected:
    UirDocument doc;
    void SetUp() override {
        ASSERT_EQ(LoadUir(ShippedUir(), doc), 0);
        LoadPanels();
        Show();
    }
    QWidget* Main() { return qp.PanelWidgetOf(a.s.mainPanel); }
    void ResizeMain(int width, int height) {
        Main()->resize(width, height);
        QApplication::processEvents();
    }
    // A resource rectangle at factor f, by its scaled edges.
    static QRect Scaled(int left, int top, int width, int height, double f, QPoint offset) {
        const int l = static_cast<int>(std::lround(left * f));
        const int t = static_cast<int>(std::lround(top * f));
        const int r = static_cast<int>(std::lround((left + width) * f));
        const int b = static_cast<int>(std::lround((top + height) * f));
        return QRect(l + offset.x(), t + offset.y(), r - l, b - t);
    }
};

TEST_F(QtDesktopTest, EveryControlScalesWithTheWindowAndKeepsTheAspectRatio) {
    struct Size {
        int width, height;
        double factor;
        QPoint offset;  // where the scaled content starts (the band before it)
    };
    const Size sizes[] = {
        {1400, 953, 1400.0 / 1014, QPoint(0, 0)},  // the width limits: 953 is 952.7 rounded up
        {800, 545, 800.0 / 1014, QPoint(0, static_cast<int>((545 - 690 * (800.0 / 1014)) / 2))},
        {2028, 1380, 2.0, QPoint(0, 0)},
        {1400, 690, 1.0, QPoint(193, 0)},  // wider only: a band on both sides
        {1014, 690, 1.0, QPoint(0, 0)},
    };
    const std::map<int, int> handle = {{MAINP, a.s.mainPanel},
                                       {DATAP, a.s.dataPanel},
                                       {TP_CONNECT, a.s.tpConnect},
                                       {TP_ASSIST, a.s.tpAssist}};
    const QFont appFont = QApplication::font();
    for (const Size& s : sizes) {
        SCOPED_TRACE(std::to_string(s.width) + "x" + std::to_string(s.height));
        ResizeMain(s.width, s.height);
        ASSERT_EQ(Main()->size(), QSize(s.width, s.height));
        // The data panel sits at its scaled place, the tab pages fill their tab control.
        const QRect dataAt = Scaled(385, 63, 623, 623, s.factor, s.offset);
        EXPECT_EQ(qp.PanelWidgetOf(a.s.dataPanel)->geometry(), dataAt);
        for (const PanelDesc& pd : doc.panels) {
            const int panel = handle.at(pd.resource);
            const QPoint offset = pd.resource == MAINP ? s.offset : QPoint();
            for (const ControlDesc& d : pd.controls) {
                if (d.width <= 0 || d.height <= 0) continue;
                SCOPED_TRACE(pd.name + " " + d.name);
                QWidget* w = qp.ControlWidget(panel, d.id);
                ASSERT_NE(w, nullptr);
                EXPECT_EQ(w->geometry(),
                          Scaled(d.left, d.top, d.width, d.height, s.factor, offset));
                EXPECT_NEAR(w->font().pointSizeF(), appFont.pointSizeF() * s.factor, 0.01);
                // Nothing is cut off by the window's edges.
                const QRect inMain(w->mapTo(Main(), QPoint(0, 0)), w->size());
                EXPECT_TRUE(Main()->rect().contains(inMain));
            }
        }
    }
    // The right double click's size is the resource's size again: factor 1.
    qp.SetPanelSize(a.s.mainPanel, 690, 1014);
    QApplication::processEvents();
    EXPECT_EQ(qp.ControlWidget(a.s.mainPanel, BUTTON_GO)->geometry(), QRect(210, 638, 78, 42));
}

TEST_F(QtDesktopTest, ColourSpacePlotsAreSquareSoCirclesStayRound) {
    auto* graph = static_cast<GraphWidget*>(W(a.s.dataPanel, GRAPH_X_Y));
    for (const QSize size :
         {QSize(1014, 690), QSize(1400, 953), QSize(800, 545), QSize(1014, 400)}) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        ResizeMain(size.width(), size.height());
        graph->grab();  // paints it
        const QRectF plot = graph->PlotArea();
        EXPECT_GT(plot.width(), 20);
        EXPECT_DOUBLE_EQ(plot.width(), plot.height());
        EXPECT_TRUE(QRectF(graph->rect()).contains(plot));
    }
}

TEST_F(QtDesktopTest, TabLeavesNeitherTheGridNorTheLogAsAStop) {
    QWidget* grid = W(a.s.tpAssist, GRID_CTT);
    QWidget* log = W(a.s.tpConnect, EDIT_TEXT_BOX_STATUS);
    for (bool backwards : {false, true}) {
        SCOPED_TRACE(backwards ? "Shift+Tab" : "Tab");
        Main()->activateWindow();
        QWidget* start = W(a.s.tpAssist, BUTTON_START);
        start->setFocus(Qt::TabFocusReason);
        std::set<QWidget*> visited;
        bool back = false;
        // More presses than the window has stops, far fewer than the grid has cells.
        for (int i = 0; i < 60 && !back; ++i) {
            QWidget* focus = QApplication::focusWidget();
            ASSERT_NE(focus, nullptr);
            QTest::keyClick(focus, backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                            backwards ? Qt::ShiftModifier : Qt::NoModifier);
            QWidget* now = QApplication::focusWidget();
            EXPECT_FALSE(now == grid || grid->isAncestorOf(now));
            EXPECT_FALSE(now == log || log->isAncestorOf(now));
            visited.insert(now);
            back = now == start;
        }
        EXPECT_TRUE(back) << "the chain returns to START ASSISTANT";
        EXPECT_GT(visited.size(), 3u);
    }
}

TEST_F(QtDesktopTest, CtrlTabAndTheWheelDoNotSwitchPages) {
    auto* tab = static_cast<QTabWidget*>(W(a.s.mainPanel, TAB_MAIN1));
    ASSERT_EQ(tab->currentIndex(), 0);
    QWidget* button = W(a.s.tpConnect, BUTTON_TRY_TO_CONNECT);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(button, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QTabBar* bar = tab->findChild<QTabBar*>();
    ASSERT_NE(bar, nullptr);
    const QPointF at(bar->width() / 4.0, bar->height() / 2.0);
    QWheelEvent wheel(at, bar->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(bar, &wheel);
    EXPECT_EQ(tab->currentIndex(), 0);
    EXPECT_TRUE(rec.Events(a.s.mainPanel, TAB_MAIN1).empty());
    // A click on the tab still switches.
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(1).center());
    EXPECT_EQ(tab->currentIndex(), 1);
    EXPECT_EQ(rec.Events(a.s.mainPanel, TAB_MAIN1), std::vector<int>{EVENT_ACTIVE_TAB_CHANGE});
}

TEST_F(QtDesktopTest, TheActiveGridCellShowsItsOwnColourNotASelection) {
    constexpr uint32_t kCyan = 0x00FFFF;
    const int row = 3;
    qp.SetTableCellRangeBgColor(a.s.tpAssist, GRID_CTT, MakeRect(row, 1, 1, 4), kCyan);
    qp.SetActiveTableCell(a.s.tpAssist, GRID_CTT, MakePoint(1, row));
    EXPECT_EQ(qp.GetActiveTableCell(a.s.tpAssist, GRID_CTT).row, row);
    auto* t = static_cast<QTableWidget*>(W(a.s.tpAssist, GRID_CTT));
    QApplication::processEvents();
    const QRect cell = t->visualItemRect(t->item(row - 1, 0));
    const QImage shot = t->viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(cell.center()), QColor(0x00, 0xFF, 0xFF));
    // Back to grey when the colour is done: no selection colour stays behind.
    qp.SetTableCellRangeBgColor(a.s.tpAssist, GRID_CTT, MakeRect(row, 1, 1, 4), 0xC0C0C0);
    qp.SetActiveTableCell(a.s.tpAssist, GRID_CTT, MakePoint(1, row + 1));
    const QImage after = t->viewport()->grab().toImage();
    EXPECT_EQ(after.pixelColor(cell.center()), QColor(0xC0, 0xC0, 0xC0));
}

// While a step blocks, the window paints, but no callback runs: neither a
// descriptor watch that became readable nor a timer.
TEST_F(QtDesktopTest, ASleepKeepsPaintingButRunsNothing) {
    auto* graph = static_cast<GraphWidget*>(W(a.s.dataPanel, GRAPH_X_Y));
    QApplication::processEvents();
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    bool watched = false, timed = false;
    const int watch = qp.AddFdWatch(fds[0], [&] {
        char c;
        (void)!read(fds[0], &c, 1);
        watched = true;
    });
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    QTimer::singleShot(0, [&] { timed = true; });
    const long before = graph->paints;
    qp.Sleep(450);
    EXPECT_GT(graph->paints, before);
    EXPECT_FALSE(watched);
    EXPECT_FALSE(timed);
    qp.ProcessSystemEvents();
    EXPECT_TRUE(watched);
    EXPECT_TRUE(timed);
    // A short wait, as between two bytes of a serial read, paints nothing.
    const long settled = graph->paints;
    qp.Sleep(2);
    EXPECT_EQ(graph->paints, settled);
    qp.RemoveFdWatch(watch);
    close(fds[0]);
    close(fds[1]);
}

}  // namespace
}  // namespace lq::qt
