#include "app/qt/qt_widgets.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

#include "app/core/ids.h"

namespace lq::qt {

QColor ToColor(uint32_t rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

bool Backdrop::Valid(const QWidget* w) const {
    const qreal dpr = w->devicePixelRatioF();
    return valid_ && image_.size() == (QSizeF(w->size()) * dpr).toSize() &&
           image_.devicePixelRatio() == dpr;
}

namespace {
// The plain colour the widget's surroundings show through it: that of the
// nearest window or self-filling ancestor (panels paint nothing of their own),
// provided no sibling lies under the widget. Invalid when it cannot be known.
QColor ColourUnder(const QWidget* w) {
    const QWidget* parent = w->parentWidget();
    if (!parent) return QColor();
    for (const QObject* o : parent->children()) {
        if (o == w) break;  // children are listed bottom first
        const auto* sibling = qobject_cast<const QWidget*>(o);
        if (sibling && sibling->isVisible() && sibling->geometry().intersects(w->geometry()))
            return QColor();
    }
    for (const QWidget* a = parent; a; a = a->parentWidget()) {
        if (!a->isWindow() && !a->autoFillBackground()) continue;
        const QBrush b = a->palette().brush(a->backgroundRole());
        return b.style() == Qt::SolidPattern && b.color().alpha() == 255 ? b.color() : QColor();
    }
    return QColor();
}
}  // namespace

bool Backdrop::Renew(QWidget* w) {
    if (Valid(w)) return false;
    const qreal dpr = w->devicePixelRatioF();
    const QSize pixels = (QSizeF(w->size()) * dpr).toSize();
    // Opaque when the surroundings are a plain colour: the picture then
    // covers the widget, nothing under it is painted, and each frame is a
    // straight copy of rows.
    const QColor under = ColourUnder(w);
    opaque_ = under.isValid();
    const QImage::Format format =
        opaque_ ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
    if (image_.size() != pixels || image_.format() != format) image_ = QImage(pixels, format);
    image_.setDevicePixelRatio(dpr);
    // Fonts given in points come out in the widget's size.
    image_.setDotsPerMeterX(qRound(w->logicalDpiX() / 0.0254));
    image_.setDotsPerMeterY(qRound(w->logicalDpiY() / 0.0254));
    image_.fill(opaque_ ? under : QColor(Qt::transparent));
    if (w->testAttribute(Qt::WA_OpaquePaintEvent) != opaque_) {
        w->setAttribute(Qt::WA_OpaquePaintEvent, opaque_);
        w->update();  // this frame was begun under the other assumption
    }
    valid_ = true;
    ++renewals;
    return true;
}

// One rectangle of the region at a time: each copy then has a plain
// rectangular clip, which the raster engine serves as a copy of rows rather
// than as spans to blend.
void Backdrop::Draw(QPainter& p, const QRegion& region) const {
    p.save();
    for (const QRect& r : region) {
        p.setClipRect(r);
        p.drawImage(QPointF(0, 0), image_);
    }
    p.restore();
}

namespace {
// What a widget's look depends on besides its own values and size.
bool LooksChanged(const QEvent* e) {
    switch (e->type()) {
        case QEvent::FontChange:
        case QEvent::PaletteChange:
        case QEvent::StyleChange:
        case QEvent::EnabledChange:
            return true;
        default:
            return false;
    }
}
}  // namespace

// ---- repaint coalescing ------------------------------------------------------------

Repainter::Repainter(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    timer_.setInterval(kFrameMs);
    dirty_.reserve(64);
    connect(&timer_, &QTimer::timeout, this, &Repainter::Flush);
}

// Widgets deleted later (a panel discarded inside its own callback) must not
// reach back into a repainter that is gone.
Repainter::~Repainter() {
    for (Repaintable* w : dirty_) w->dirty_ = false;
}

void Repainter::MarkDirty(Repaintable* w) {
    w->dirty_ = true;
    dirty_.push_back(w);
    if (!timer_.isActive()) timer_.start();
}

void Repainter::Forget(Repaintable* w) {
    dirty_.erase(std::remove(dirty_.begin(), dirty_.end(), w), dirty_.end());
}

void Repainter::Flush() {
    for (Repaintable* w : dirty_) {
        w->dirty_ = false;
        w->Repaint();
    }
    dirty_.clear();
}

Repaintable::~Repaintable() {
    if (dirty_ && repainter_) repainter_->Forget(this);
}

namespace {

const QColor kPlotBackground(0xFB, 0xFB, 0xF8);
const QColor kGridColor(0xD8, 0xD8, 0xD8);
const QColor kAxisText(0x30, 0x30, 0x30);

// A tick step of 1, 2 or 5 times a power of ten giving at most `maxTicks` intervals.
double NiceStep(double span, int maxTicks) {
    if (!(span > 0) || !std::isfinite(span)) return 1;
    const double raw = span / maxTicks;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= raw) return m * p;
    return 10 * p;
}

QString TickLabel(double v, double step) {
    if (std::fabs(v) < step * 1e-6) v = 0;
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step)));
    return QString::number(v, 'f', std::min(decimals, 6));
}

// Title, plot background, grid and tick labels. Returns the plot frame. A
// square plot area (centred in the room there is) shows equal axis spans at
// equal lengths, so circles stay round.
PlotFrame PaintAxes(QPainter& p, const QRect& r, const QString& title, double xMin, double xMax,
                    double yMin, double yMax, bool xLabels, bool square = false) {
    QFont small = p.font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1.5));
    p.setFont(small);
    const QFontMetrics fm(small);
    const int th = fm.height();
    PlotFrame f{QRectF(r.left() + fm.horizontalAdvance(QStringLiteral("-00000")) + 6,
                       r.top() + th + 4, 0, 0),
                xMin, xMax, yMin, yMax};
    // Room for half of the last tick label on the right.
    f.plot.setRight(r.right() -
                    (xLabels ? fm.horizontalAdvance(QStringLiteral("00000")) / 2 + 4 : 8));
    f.plot.setBottom(r.bottom() - (xLabels ? th + 4 : 6));
    if (square) {
        const double side = std::max(std::min(f.plot.width(), f.plot.height()), 1.0);
        f.plot.translate((f.plot.width() - side) / 2, (f.plot.height() - side) / 2);
        f.plot.setSize(QSizeF(side, side));
    }
    if (!(f.xMax > f.xMin)) f.xMax = f.xMin + 1;
    if (!(f.yMax > f.yMin)) f.yMax = f.yMin + 1;

    QFont bold = small;
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(kAxisText);
    p.drawText(QRectF(f.plot.left(), f.plot.top() - th - 4, f.plot.width(), th + 2),
               Qt::AlignCenter, title);
    p.setFont(small);

    p.fillRect(f.plot, kPlotBackground);
    const double xs = NiceStep(f.xMax - f.xMin, 5), ys = NiceStep(f.yMax - f.yMin, 5);
    for (double v = std::ceil(f.xMin / xs) * xs; v <= f.xMax + xs * 1e-9; v += xs) {
        const double x = f.X(v);
        p.setPen(kGridColor);
        p.drawLine(QPointF(x, f.plot.top()), QPointF(x, f.plot.bottom()));
        if (!xLabels) continue;
        p.setPen(kAxisText);
        p.drawText(QRectF(x - 40, f.plot.bottom() + 2, 80, th), Qt::AlignHCenter | Qt::AlignTop,
                   TickLabel(v, xs));
    }
    for (double v = std::ceil(f.yMin / ys) * ys; v <= f.yMax + ys * 1e-9; v += ys) {
        const double y = f.Y(v);
        p.setPen(kGridColor);
        p.drawLine(QPointF(f.plot.left(), y), QPointF(f.plot.right(), y));
        p.setPen(kAxisText);
        p.drawText(QRectF(r.left(), y - th / 2.0, f.plot.left() - r.left() - 4, th),
                   Qt::AlignRight | Qt::AlignVCenter, TickLabel(v, ys));
    }
    p.setPen(QPen(QColor(0x70, 0x70, 0x70), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(f.plot);
    return f;
}

}  // namespace

// ---- numeric display ---------------------------------------------------------------------

NumericDisplay::NumericDisplay(QWidget* parent, Repainter* r)
    : QFrame(parent), Repaintable(this, r) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFocusPolicy(Qt::NoFocus);
}

void NumericDisplay::changeEvent(QEvent* e) {
    if (LooksChanged(e)) backdrop_.Invalidate();
    QFrame::changeEvent(e);
}

void NumericDisplay::paintEvent(QPaintEvent* e) {
    ++paints;
    const QRect r = contentsRect();
    if (backdrop_.Renew(this)) {
        QPainter bp(&backdrop_.Image());
        bp.fillRect(r, isEnabled() ? QColor(0xFF, 0xFF, 0xFF) : QColor(0xEE, 0xEE, 0xEE));
        drawFrame(&bp);
    }
    QPainter p(this);
    backdrop_.Draw(p, e->region());
    p.setPen(isEnabled() ? QColor(0x10, 0x10, 0x10) : QColor(0x90, 0x90, 0x90));
    p.drawText(r.adjusted(4, 0, -5, 0), Qt::AlignRight | Qt::AlignVCenter,
               QString::number(value_, 'f', std::clamp(precision_, 0, 15)));
}

// ---- bar -------------------------------------------------------------------------------

BarWidget::BarWidget(QWidget* parent, Repainter* r, double min, double max, QColor fill)
    : QWidget(parent), Repaintable(this, r), min_(min), max_(max), fill_(fill) {}

void BarWidget::paintEvent(QPaintEvent*) {
    ++paints;
    QPainter p(this);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.fillRect(r, QColor(0x2A, 0x2A, 0x2A));
    const double span = max_ > min_ ? max_ - min_ : 1;
    const double frac = std::clamp((value_ - min_) / span, 0.0, 1.0);
    QRectF bar = r.adjusted(2, 2, -2, -2);
    const bool vertical = height() > width();
    if (vertical)
        bar.setTop(bar.bottom() - bar.height() * frac);
    else
        bar.setWidth(bar.width() * frac);
    p.fillRect(bar, isEnabled() ? fill_ : fill_.lighter(160));
    p.setPen(QColor(0x70, 0x70, 0x70));
    p.drawRect(r);
    if (!vertical) {
        QFont f = font();
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(r.adjusted(6, 0, -6, 0), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(value_, 'f', 0));
    }
}

// ---- graph -------------------------------------------------------------------------------

GraphWidget::GraphWidget(QWidget* parent, Repainter* r, const QString& title)
    : QWidget(parent), Repaintable(this, r), title_(title) {
    arcs_.reserve(256);
}

void GraphWidget::changeEvent(QEvent* e) {
    if (LooksChanged(e)) backdrop_.Invalidate();
    QWidget::changeEvent(e);
}

// Frame, grid, labels, title and circles: drawn only when the circles, the
// ranges, the size or the look changed.
void GraphWidget::PaintBackground() {
    QPainter p(&backdrop_.Image());
    p.setFont(font());
    p.setRenderHint(QPainter::Antialiasing);
    frame_ = PaintAxes(p, rect(), title_, xMin_, xMax_, yMin_, yMax_, true, true);
    const QRectF clip = frame_.plot.adjusted(1, 1, -1, -1);
    p.setClipRect(clip);
    p.setBrush(Qt::NoBrush);
    // Wide enough for the outline's half width and its antialiased edge.
    const QRectF visible = clip.adjusted(-2, -2, 2, 2);
    for (const Arc& a : arcs_) {
        const QRectF box =
            QRectF(QPointF(frame_.X(a.x1), frame_.Y(a.y1)), QPointF(frame_.X(a.x2), frame_.Y(a.y2)))
                .normalized();
        // Clipped away entirely: not worth stroking.
        if (!box.adjusted(-2, -2, 2, 2).intersects(visible)) continue;
        p.setPen(QPen(ToColor(a.outline), 1.6));
        if (a.fill <= 0xFFFFFF) {
            p.setBrush(ToColor(a.fill));
            p.drawPie(box, a.start * 16 / 10, a.span * 16 / 10);
            p.setBrush(Qt::NoBrush);
        } else if (box.width() < 1.5 && box.height() < 1.5) {
            p.drawPoint(box.center());
        } else {
            p.drawArc(box, a.start * 16 / 10, a.span * 16 / 10);
        }
    }
}

// The pixels the cursor at (x, y) touches: the two lines of the crosshair and
// the ring, each with a pixel to spare for antialiasing.
QRegion GraphWidget::CursorRegion(double x, double y) const {
    const QRectF& r = frame_.plot;
    const QPointF c(frame_.X(x), frame_.Y(y));
    constexpr double kLine = 2, kRing = 7;
    QRegion out(QRectF(r.left(), c.y() - kLine, r.width(), 2 * kLine).toAlignedRect());
    out += QRectF(c.x() - kLine, r.top(), 2 * kLine, r.height()).toAlignedRect();
    out += QRectF(c.x() - kRing, c.y() - kRing, 2 * kRing, 2 * kRing).toAlignedRect();
    return out & r.toAlignedRect();
}

QRegion GraphWidget::PendingRegion() const {
    if (!backdrop_.Valid(this)) return QRegion(rect());
    return CursorRegion(paintedX_, paintedY_) + CursorRegion(cx_, cy_);
}

void GraphWidget::Repaint() {
    update(PendingRegion());
}

void GraphWidget::paintEvent(QPaintEvent* e) {
    ++paints;
    if (backdrop_.Renew(this)) PaintBackground();
    QPainter p(this);
    backdrop_.Draw(p, e->region());
    // The cursor: a crosshair over the whole plot and a ring at the live point.
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(frame_.plot.adjusted(1, 1, -1, -1));
    paintedX_ = cx_;
    paintedY_ = cy_;
    const QPointF c(frame_.X(cx_), frame_.Y(cy_));
    p.setPen(QPen(QColor(0x00, 0x66, 0xCC), 1, Qt::DashLine));
    p.drawLine(QPointF(frame_.plot.left(), c.y()), QPointF(frame_.plot.right(), c.y()));
    p.drawLine(QPointF(c.x(), frame_.plot.top()), QPointF(c.x(), frame_.plot.bottom()));
    p.setPen(QPen(QColor(0x00, 0x66, 0xCC), 2));
    p.drawEllipse(c, 4, 4);
}

// ---- strip chart -----------------------------------------------------------------------

StripChart::StripChart(QWidget* parent, Repainter* r, const QString& title,
                       std::vector<QColor> traces, double yMin, double yMax)
    : QWidget(parent),
      Repaintable(this, r),
      title_(title),
      colors_(std::move(traces)),
      yMin_(yMin),
      yMax_(yMax) {
    if (colors_.empty()) colors_ = {Qt::red, QColor(0, 170, 0), Qt::blue};
    SetPointsPerScreen(100);
}

void StripChart::SetPointsPerScreen(int points) {
    if (points < 2) points = 2;
    if (points == pps_) return;
    pps_ = points;
    buf_.assign(static_cast<size_t>(pps_) * colors_.size(), 0.0);
    head_ = filled_ = 0;
    line_.reserve(static_cast<size_t>(pps_));
    backdrop_.Invalidate();  // the horizontal axis spans the points
    Touch();
}

// Called with the whole history on every live record, so it stays a plain
// copy: no division per point, and points that would scroll out at once are
// skipped.
void StripChart::Append(const double* values, int count) {
    const int traces = static_cast<int>(colors_.size());
    if (traces == 0 || count < traces) return;
    int points = count / traces;
    int head = head_;
    if (points > pps_) {
        const int skipped = points - pps_;
        values += static_cast<size_t>(skipped) * traces;
        head = (head + skipped) % pps_;
        points = pps_;
    }
    double* base = buf_.data();
    for (int i = 0; i < points; ++i, values += traces) {
        for (int t = 0; t < traces; ++t) base[static_cast<size_t>(t) * pps_ + head] = values[t];
        if (++head == pps_) head = 0;
    }
    head_ = head;
    filled_ = std::min(pps_, filled_ + points);
    Touch();
}

double StripChart::At(int trace, int i) const {
    const int start = (head_ - filled_ + pps_) % pps_;
    return buf_[static_cast<size_t>(trace) * pps_ + (start + i) % pps_];
}

void StripChart::changeEvent(QEvent* e) {
    if (LooksChanged(e)) backdrop_.Invalidate();
    QWidget::changeEvent(e);
}

void StripChart::Repaint() {
    if (backdrop_.Valid(this))
        update(frame_.plot.toAlignedRect());
    else
        update();
}

void StripChart::paintEvent(QPaintEvent* e) {
    ++paints;
    if (backdrop_.Renew(this)) {
        QPainter bp(&backdrop_.Image());
        bp.setFont(font());
        bp.setRenderHint(QPainter::Antialiasing);
        frame_ = PaintAxes(bp, rect(), title_, 0, pps_ - 1, yMin_, yMax_, true);
    }
    QPainter p(this);
    backdrop_.Draw(p, e->region());
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(frame_.plot.adjusted(1, 1, -1, -1));
    // The newest point sits at the right edge; older ones scroll to the left.
    // Each trace is drawn as separate segments with square caps, which the
    // rasterizer fills directly; a polyline would go through the general
    // stroker and compute its joins on every frame.
    const int offset = pps_ - filled_;
    for (int t = 0; t < static_cast<int>(colors_.size()) && filled_ >= 2; ++t) {
        line_.clear();
        QPointF prev(frame_.X(offset), frame_.Y(At(t, 0)));
        for (int i = 1; i < filled_; ++i) {
            const QPointF next(frame_.X(offset + i), frame_.Y(At(t, i)));
            line_.emplace_back(prev, next);
            prev = next;
        }
        p.setPen(QPen(colors_[t], 1.6, Qt::SolidLine, Qt::SquareCap));
        p.drawLines(line_.data(), static_cast<int>(line_.size()));
    }
}

// ---- decoration and panel ----------------------------------------------------------------

void Decoration::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(ToColor(frame_), 1));
    p.setBrush(Qt::NoBrush);
    if (height() <= 3 || width() <= 3) {
        p.fillRect(rect(), ToColor(frame_));
        return;
    }
    p.setRenderHint(QPainter::Antialiasing);
    p.drawRoundedRect(r, 4, 4);
}

void PanelWidget::closeEvent(QCloseEvent* e) {
    e->ignore();
    emit PanelEvent(handle_, EVENT_CLOSE, 0, 0);
}

void PanelWidget::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    emit Resized(handle_);
}

void PanelWidget::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::RightButton) {
        const QPoint pos = e->position().toPoint();
        emit PanelEvent(handle_, EVENT_RIGHT_CLICK, pos.y(), pos.x());
    }
    e->accept();
}

void PanelWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::RightButton) {
        const QPoint pos = e->position().toPoint();
        emit PanelEvent(handle_, EVENT_RIGHT_DOUBLE_CLICK, pos.y(), pos.x());
    }
    e->accept();
}

}  // namespace lq::qt
