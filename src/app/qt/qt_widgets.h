// The drawn widgets of the panels: numeric displays, bars, graphs, the strip
// chart, decorations and the panel surface itself. Setters only store the new
// state and ask the Repainter for a repaint, so a fast live loop costs a few
// stores per value and the screen is painted at a steady frame rate.
#pragma once

#include <QElapsedTimer>
#include <QFrame>
#include <QImage>
#include <QLineF>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <vector>

class QPainter;

namespace lq::qt {

class Repaintable;

// Collects the widgets whose state changed and repaints them together, at most
// once per frame interval.
class Repainter : public QObject {
    Q_OBJECT
  public:
    explicit Repainter(QObject* parent = nullptr);
    ~Repainter() override;
    void MarkDirty(Repaintable* w);
    void Forget(Repaintable* w);
    static constexpr int kFrameMs = 30;

  private:
    void Flush();
    QTimer timer_;
    std::vector<Repaintable*> dirty_;
};

class Repaintable {
  public:
    explicit Repaintable(QWidget* self, Repainter* r) : self_(self), repainter_(r) {}
    virtual ~Repaintable();
    Repaintable(const Repaintable&) = delete;
    Repaintable& operator=(const Repaintable&) = delete;
    void Touch() {
        if (!dirty_ && repainter_) repainter_->MarkDirty(this);
    }
    QWidget* Self() const { return self_; }
    long paints = 0;  // paint events served, for the tests

  protected:
    // Asks Qt to repaint what changed since the last frame; the whole widget
    // unless a widget knows better.
    virtual void Repaint() { self_->update(); }

  private:
    friend class Repainter;
    QWidget* self_;
    Repainter* repainter_;
    bool dirty_ = false;
};

QColor ToColor(uint32_t rgb);

// What a widget draws under its moving parts (frame, grid, labels, circles),
// kept as a picture until something it shows changes, over the colour of the
// panel behind it. It must be drawn anew
// when invalidated, and when the widget's size or device pixel ratio is no
// longer the picture's (resized, rescaled, moved to another screen).
class Backdrop {
  public:
    void Invalidate() { valid_ = false; }
    // Drawn, and for the widget's present size and device pixel ratio.
    bool Valid(const QWidget* w) const;
    // True when the picture has to be painted again for `w`; it is then sized
    // for `w`, cleared to transparent and counts as valid from here on.
    bool Renew(QWidget* w);
    QImage& Image() { return image_; }
    // Puts the picture on the widget within `region`.
    void Draw(QPainter& p, const QRegion& region) const;
    bool Opaque() const { return opaque_; }
    long renewals = 0;  // times it was painted anew, for the tests

  private:
    QImage image_;
    bool valid_ = false;
    bool opaque_ = false;
};

// The plot area of a graph or strip chart and the ranges its axes span.
struct PlotFrame {
    QRectF plot;
    double xMin = 0, xMax = 1, yMin = 0, yMax = 1;
    double X(double x) const { return plot.left() + (x - xMin) / (xMax - xMin) * plot.width(); }
    double Y(double y) const { return plot.bottom() - (y - yMin) / (yMax - yMin) * plot.height(); }
};

// A read-only number in a recessed field.
class NumericDisplay : public QFrame, public Repaintable {
    Q_OBJECT
  public:
    NumericDisplay(QWidget* parent, Repainter* r);
    void SetValue(double v) {
        if (v == value_) return;
        value_ = v;
        Touch();
    }
    double Value() const { return value_; }
    void SetPrecision(int p) {
        precision_ = p;
        Touch();
    }
    int Precision() const { return precision_; }
    const Backdrop& Background() const { return backdrop_; }

  protected:
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;
    void Repaint() override { update(contentsRect()); }  // the frame stays

  private:
    double value_ = 0;
    int precision_ = 0;
    Backdrop backdrop_;  // the frame and the empty field
};

// A filled bar between min and max; vertical when taller than wide.
class BarWidget : public QWidget, public Repaintable {
    Q_OBJECT
  public:
    BarWidget(QWidget* parent, Repainter* r, double min, double max, QColor fill);
    void SetValue(double v) {
        if (v == value_) return;
        value_ = v;
        Touch();
    }
    double Value() const { return value_; }

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    double value_ = 0, min_, max_;
    QColor fill_;
};

// An x-y plot area with fixed axis ranges, circles and one crosshair cursor.
class GraphWidget : public QWidget, public Repaintable {
    Q_OBJECT
  public:
    GraphWidget(QWidget* parent, Repainter* r, const QString& title);
    struct Arc {
        double x1, y1, x2, y2;
        int start, span;  // tenths of a degree
        uint32_t outline, fill;
    };
    void DeletePlots() {
        arcs_.clear();
        Changed();
    }
    void AddArc(const Arc& a) {
        arcs_.push_back(a);
        Changed();
    }
    const std::vector<Arc>& Arcs() const { return arcs_; }
    void SetRange(bool xAxis, double min, double max) {
        double& lo = xAxis ? xMin_ : yMin_;
        double& hi = xAxis ? xMax_ : yMax_;
        if (lo == min && hi == max) return;
        lo = min;
        hi = max;
        Changed();
    }
    void Range(bool xAxis, double& min, double& max) const {
        min = xAxis ? xMin_ : yMin_;
        max = xAxis ? xMax_ : yMax_;
    }
    void SetCursor(double x, double y) {
        if (x == cx_ && y == cy_) return;
        cx_ = x;
        cy_ = y;
        Touch();
    }
    // What the next frame repaints: the whole widget, or (when only the
    // cursor moved) the cursor where it was painted and where it is now.
    QRegion PendingRegion() const;
    double CursorX() const { return cx_; }
    double CursorY() const { return cy_; }
    const Backdrop& Background() const { return backdrop_; }
    QRectF PlotArea() const { return frame_.plot; }  // as last painted

  protected:
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;
    void Repaint() override;

  private:
    // The circles or the ranges changed: the background is drawn anew.
    void Changed() {
        backdrop_.Invalidate();
        Touch();
    }
    void PaintBackground();
    QRegion CursorRegion(double x, double y) const;

    QString title_;
    std::vector<Arc> arcs_;
    double xMin_ = 0, xMax_ = 10000, yMin_ = 0, yMax_ = 10000;
    double cx_ = 0, cy_ = 0;
    Backdrop backdrop_;                   // frame, grid, labels, title and circles
    PlotFrame frame_;                     // where backdrop_ put the plot area
    double paintedX_ = 0, paintedY_ = 0;  // the cursor as last painted
};

// A scrolling multi-trace chart holding the last `pointsPerScreen` points.
class StripChart : public QWidget, public Repaintable {
    Q_OBJECT
  public:
    StripChart(QWidget* parent, Repainter* r, const QString& title, std::vector<QColor> traces,
               double yMin, double yMax);
    void SetPointsPerScreen(int points);
    int PointsPerScreen() const { return pps_; }
    // Appends count / traces points per trace, interleaved.
    void Append(const double* values, int count);
    int Filled() const { return filled_; }
    // Point i (0 oldest) of trace t among those on screen.
    double At(int trace, int i) const;
    const Backdrop& Background() const { return backdrop_; }

  protected:
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;
    void Repaint() override;  // the plot area: title and labels stay

  private:
    QString title_;
    std::vector<QColor> colors_;
    double yMin_, yMax_;
    int pps_ = 0, head_ = 0, filled_ = 0;
    std::vector<double> buf_;   // trace-major, pps_ entries per trace
    std::vector<QLineF> line_;  // one trace's segments, reused while painting
    Backdrop backdrop_;         // frame, grid, labels and title
    PlotFrame frame_;
};

// A frame or line with no behaviour.
class Decoration : public QWidget {
    Q_OBJECT
  public:
    explicit Decoration(QWidget* parent) : QWidget(parent) {}
    void SetFrameColor(uint32_t rgb) {
        frame_ = rgb;
        update();
    }
    uint32_t FrameColor() const { return frame_; }

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    uint32_t frame_ = 0x9A9A9A;
};

// The surface of a panel: reports right clicks on its background and, as a
// window, turns the close box into an event instead of closing.
class PanelWidget : public QWidget {
    Q_OBJECT
  public:
    PanelWidget(QWidget* parent, int handle) : QWidget(parent), handle_(handle) {}
    int Handle() const { return handle_; }

  signals:
    void PanelEvent(int handle, int event, int data1, int data2);
    void Resized(int handle);

  protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

  private:
    int handle_;
};

}  // namespace lq::qt
