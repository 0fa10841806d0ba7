// Tables, graphs and the strip chart.
#include <QTableWidget>
#include <algorithm>

#include "app/qt/qt_internal.h"
#include "app/qt/qt_platform.h"
#include "app/qt/qt_widgets.h"

namespace lq::qt {

// ---- tables -------------------------------------------------------------------------------

namespace {
bool InTable(const QTableWidget* t, int column, int row) {
    return row >= 1 && column >= 1 && row <= t->rowCount() && column <= t->columnCount();
}
}  // namespace

void QtPlatform::SetTableCellVal(int panel, int ctrl, Point cell, int value) {
    Control* c = Find(panel, ctrl);
    if (!c || c->kind != CtrlKind::Table || !InTable(c->Table(), cell.column, cell.row)) return;
    QTableWidget* t = c->Table();
    c->cellValues[static_cast<size_t>(cell.row - 1) * t->columnCount() + cell.column - 1] = value;
    t->item(cell.row - 1, cell.column - 1)->setText(QString::number(value));
}

int QtPlatform::GetTableCellVal(int panel, int ctrl, Point cell) {
    const Control* c = Find(panel, ctrl);
    if (!c || c->kind != CtrlKind::Table || !InTable(c->Table(), cell.column, cell.row)) return 0;
    return c->cellValues[static_cast<size_t>(cell.row - 1) * c->Table()->columnCount() +
                         cell.column - 1];
}

void QtPlatform::SetTableCellRangeBgColor(int panel, int ctrl, Rect range, uint32_t rgb) {
    Control* c = Find(panel, ctrl);
    if (!c || c->kind != CtrlKind::Table) return;
    QTableWidget* t = c->Table();
    const QBrush brush(ToColor(rgb));
    for (int r = std::max(range.top, 1); r < range.top + range.height && r <= t->rowCount(); ++r)
        for (int col = std::max(range.left, 1);
             col < range.left + range.width && col <= t->columnCount(); ++col) {
            c->cellColors[static_cast<size_t>(r - 1) * t->columnCount() + col - 1] = rgb;
            t->item(r - 1, col - 1)->setBackground(brush);
        }
}

uint32_t QtPlatform::GetTableCellBgColor(int panel, int ctrl, Point cell) {
    const Control* c = Find(panel, ctrl);
    if (!c || c->kind != CtrlKind::Table || !InTable(c->Table(), cell.column, cell.row)) return 0;
    return c->cellColors[static_cast<size_t>(cell.row - 1) * c->Table()->columnCount() +
                         cell.column - 1];
}

void QtPlatform::SetActiveTableCell(int panel, int ctrl, Point cell) {
    Control* c = Find(panel, ctrl);
    if (!c || c->kind != CtrlKind::Table || !InTable(c->Table(), cell.column, cell.row)) return;
    c->Table()->setCurrentCell(cell.row - 1, cell.column - 1);
}

Point QtPlatform::GetActiveTableCell(int panel, int ctrl) {
    const Control* c = Find(panel, ctrl);
    if (!c || c->kind != CtrlKind::Table) return Point{};
    const int r = c->Table()->currentRow(), col = c->Table()->currentColumn();
    return Point{col < 0 ? 1 : col + 1, r < 0 ? 1 : r + 1};
}

// ---- graphs and strip chart -----------------------------------------------------------------

void QtPlatform::DeleteGraphPlots(int panel, int ctrl) {
    Control* c = Find(panel, ctrl);
    if (c && c->kind == CtrlKind::Graph) c->Graph()->DeletePlots();
}

void QtPlatform::PlotArc(int panel, int ctrl, double x1, double y1, double x2, double y2,
                         int startAngle, int arcAngle, uint32_t outline, uint32_t fill) {
    Control* c = Find(panel, ctrl);
    if (c && c->kind == CtrlKind::Graph)
        c->Graph()->AddArc({x1, y1, x2, y2, startAngle, arcAngle, outline, fill});
}

void QtPlatform::SetAxisRange(int panel, int ctrl, Axis axis, double min, double max) {
    Control* c = Find(panel, ctrl);
    if (c && c->kind == CtrlKind::Graph) c->Graph()->SetRange(axis == Axis::X, min, max);
}

void QtPlatform::GetAxisRange(int panel, int ctrl, Axis axis, double& min, double& max) {
    min = max = 0;
    const Control* c = Find(panel, ctrl);
    if (c && c->kind == CtrlKind::Graph) c->Graph()->Range(axis == Axis::X, min, max);
}

void QtPlatform::SetGraphCursor(int panel, int ctrl, int cursor, double x, double y) {
    Control* c = Find(panel, ctrl);
    if (c && c->kind == CtrlKind::Graph && cursor == 1) c->Graph()->SetCursor(x, y);
}

void QtPlatform::SetStripPointsPerScreen(int panel, int ctrl, int points) {
    Control* c = Find(panel, ctrl);
    if (c && c->kind == CtrlKind::StripChart) c->Strip()->SetPointsPerScreen(points);
}

void QtPlatform::PlotStripChart(int panel, int ctrl, const double* values, int count) {
    Control* c = Find(panel, ctrl);
    if (c && c->kind == CtrlKind::StripChart && values && count > 0)
        c->Strip()->Append(values, count);
}

}  // namespace lq::qt
