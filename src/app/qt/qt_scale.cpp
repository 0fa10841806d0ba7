// Scaling: every panel keeps the layout of the resource and is shown at one
// factor, the largest at which the window's resource size fits its current
// size. Geometry and fonts of every control are the resource's times that
// factor; the band that the aspect ratio leaves free shows the panel colour.
#include <QApplication>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QTableWidget>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "app/core/window_fit.h"
#include "app/qt/qt_internal.h"
#include "app/qt/qt_platform.h"
#include "app/qt/qt_widgets.h"

namespace lq::qt {

namespace {

// Edges are scaled, not sizes, so that controls that touch at scale 1 still
// touch.
QRect ScaledRect(const QRect& r, double f, QPoint offset) {
    const int l = static_cast<int>(std::lround(r.left() * f));
    const int t = static_cast<int>(std::lround(r.top() * f));
    const int rr = static_cast<int>(std::lround((r.left() + r.width()) * f));
    const int b = static_cast<int>(std::lround((r.top() + r.height()) * f));
    return QRect(l + offset.x(), t + offset.y(), std::max(rr - l, 1), std::max(b - t, 1));
}

QFont ScaledFont(const QFont& base, double f) {
    QFont font = base;
    const double points = base.pointSizeF() > 0 ? base.pointSizeF() : 9.0;
    font.setPointSizeF(std::max(points * f, 1.0));
    return font;
}

constexpr int kRowHeight = 20;  // table rows at scale 1

}  // namespace

void QtPlatform::Rescale(int topPanel) {
    Panel* p = FindPanel(topPanel);
    if (!p || !p->topLevel || p->base.width() <= 0 || p->base.height() <= 0) return;
    const QSize now = p->widget->size();
    const double f = std::min(static_cast<double>(now.width()) / p->base.width(),
                              static_cast<double>(now.height()) / p->base.height());
    if (!(f > 0)) return;
    const QPoint offset(static_cast<int>((now.width() - p->base.width() * f) / 2),
                        static_cast<int>((now.height() - p->base.height() * f) / 2));
    if (f == p->scale && offset == p->offset) return;
    LayoutPanel(*p, f, offset);
}

void QtPlatform::LayoutPanel(Panel& p, double scale, QPoint offset) {
    p.scale = scale;
    p.offset = offset;
    p.widget->setFont(ScaledFont(QApplication::font(), scale));
    for (auto& [id, c] : p.controls) LayoutControl(*c);
    for (int h : p.children) {
        Panel* child = FindPanel(h);
        if (!child) continue;
        // Tab pages are placed by their tab control; child panels like controls.
        if (!child->tabPage) child->widget->setGeometry(ScaledRect(child->base, scale, offset));
        LayoutPanel(*child, scale, QPoint());
    }
}

void QtPlatform::LayoutControl(Control& c) {
    const Panel* p = FindPanel(c.panel);
    if (!p || !c.widget) return;
    const double f = p->scale;
    QWidget* w = c.widget;
    w->setFont(ScaledFont(c.baseFont, f));
    if (c.kind == CtrlKind::TextMessage && !c.desc) {
        // Sized by its text: only the place scales, the size follows the font.
        w->move(ScaledRect(QRect(c.base.topLeft(), QSize(1, 1)), f, p->offset).topLeft());
        w->adjustSize();
        return;
    }
    const QRect whole = ScaledRect(c.base, f, p->offset);
    if (c.arrow) {
        // The field gives up the room of the arrow; both keep the field's place.
        const int side = whole.height();
        w->setGeometry(whole.left(), whole.top(), std::max(whole.width() - side, 1), side);
        c.arrow->setGeometry(whole.right() - side + 1, whole.top(), side, side);
        c.ddFrame->setGeometry(whole.adjusted(-2, -2, 2, 2));
    } else {
        w->setGeometry(whole);
    }
    if (c.kind == CtrlKind::Table) {
        auto* t = c.Table();
        t->verticalHeader()->setDefaultSectionSize(
            std::max(static_cast<int>(std::lround(kRowHeight * f)), 4));
    } else if (c.kind == CtrlKind::Picture && !c.picture.isNull()) {
        c.Label()->setPixmap(f == 1.0 ? c.picture
                                      : c.picture.scaled(whole.size(), Qt::KeepAspectRatio,
                                                         Qt::SmoothTransformation));
    }
    if (c.label) {
        c.label->setFont(ScaledFont(c.labelFont, f));
        PlaceLabel(c);
    }
}

void QtPlatform::PlaceChildPanel(Panel& p) {
    const Panel* parent = FindPanel(p.parent);
    if (!parent || p.tabPage || p.topLevel) return;
    p.widget->setGeometry(ScaledRect(p.base, parent->scale, parent->offset));
}

// A window that would not fit the screen's available area opens at the
// largest size that fits.
void QtPlatform::FitToScreen(Panel& p) {
    // The offscreen platform's screen is a fixed stand-in, not an operator's
    // screen: pictures made there keep the window's own size.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;
    QWidget* w = p.widget;
    const QRect g = w->geometry();
    QScreen* screen = QGuiApplication::screenAt(g.center());
    if (!screen) screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect avail = screen->availableGeometry();
    // The frame is known only once the window has been shown.
    const QRect frame = w->frameGeometry();
    const int dw = std::max(frame.width() - g.width(), 0);
    const int dh = std::max(frame.height() - g.height(), 0);
    const int dx = std::max(g.left() - frame.left(), 0);
    const int dy = std::max(g.top() - frame.top(), 0);
    const WindowBox area{avail.top() + dy, avail.left() + dx, avail.height() - dh,
                         avail.width() - dw};
    const WindowBox fitted = FitWindowToArea({g.top(), g.left(), g.height(), g.width()}, area);
    if (fitted.width != g.width() || fitted.height != g.height())
        w->setGeometry(fitted.left, fitted.top, fitted.width, fitted.height);
}

}  // namespace lq::qt
