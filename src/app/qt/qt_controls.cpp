// Controls: built from their resource description, operator actions turned
// into callback events, values and attributes.
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <algorithm>

#include "app/qt/qt_internal.h"
#include "app/qt/qt_platform.h"
#include "app/qt/qt_widgets.h"

namespace lq::qt {

QPushButton* QtPlatform::Control::Button() const {
    return static_cast<QPushButton*>(widget);
}
QRadioButton* QtPlatform::Control::Radio() const {
    return static_cast<QRadioButton*>(widget);
}
QComboBox* QtPlatform::Control::Ring() const {
    return static_cast<QComboBox*>(widget);
}
QDoubleSpinBox* QtPlatform::Control::Spin() const {
    return indicator ? nullptr : static_cast<QDoubleSpinBox*>(widget);
}
NumericDisplay* QtPlatform::Control::Display() const {
    return indicator ? static_cast<NumericDisplay*>(widget) : nullptr;
}
BarWidget* QtPlatform::Control::Bar() const {
    return static_cast<BarWidget*>(widget);
}
QLineEdit* QtPlatform::Control::Line() const {
    return static_cast<QLineEdit*>(widget);
}
QPlainTextEdit* QtPlatform::Control::Text() const {
    return static_cast<QPlainTextEdit*>(widget);
}
QTableWidget* QtPlatform::Control::Table() const {
    return static_cast<QTableWidget*>(widget);
}
GraphWidget* QtPlatform::Control::Graph() const {
    return static_cast<GraphWidget*>(widget);
}
StripChart* QtPlatform::Control::Strip() const {
    return static_cast<StripChart*>(widget);
}
QLabel* QtPlatform::Control::Label() const {
    return static_cast<QLabel*>(widget);
}
Decoration* QtPlatform::Control::Deco() const {
    return static_cast<Decoration*>(widget);
}
QTabWidget* QtPlatform::Control::Tab() const {
    return static_cast<QTabWidget*>(widget);
}

namespace {

QColor BarColor(int id) {
    switch (id) {
        case BAR_RED:
            return QColor(0xE0, 0x30, 0x30);
        case BAR_GREEN:
            return QColor(0x2E, 0xB0, 0x40);
        case BAR_BLUE:
            return QColor(0x30, 0x60, 0xE0);
        default:
            return QColor(0x3C, 0x78, 0xB4);
    }
}

int FunctionKey(const std::string& name) {
    if (name == "F9") return Qt::Key_F9;
    if (name == "F10") return Qt::Key_F10;
    if (name == "F11") return Qt::Key_F11;
    if (name == "F12") return Qt::Key_F12;
    return 0;
}

// Label of a control, unless the control shows it itself.
bool HasOwnLabel(CtrlKind k) {
    switch (k) {
        case CtrlKind::Button:
        case CtrlKind::RadioButton:
        case CtrlKind::Graph:
        case CtrlKind::StripChart:
        case CtrlKind::Decoration:
        case CtrlKind::Picture:
        case CtrlKind::Tab:
        case CtrlKind::TextMessage:
            return true;
        default:
            return false;
    }
}

}  // namespace

void QtPlatform::BuildControl(Panel& p, const UirDocument& doc, const ControlDesc& d) {
    auto owned = std::make_unique<Control>();
    Control* c = owned.get();
    c->panel = p.handle;
    c->id = d.id;
    c->desc = &d;
    c->kind = d.kind;
    c->indicator = d.indicator;
    c->precision = d.precision;
    c->frameColor = d.frameColor;
    c->maxLength = d.maxLength;
    c->shortcutKey = FunctionKey(d.shortcut);
    const int h = p.handle, id = d.id;
    QWidget* parent = p.widget;
    const QString label = ToQ(d.label);

    switch (d.kind) {
        case CtrlKind::Button: {
            auto* b = new QPushButton(label, parent);
            b->setAutoDefault(false);
            connect(b, &QPushButton::clicked, this,
                    [this, h, id] { FireControl(h, id, EVENT_COMMIT); });
            c->widget = b;
            break;
        }
        case CtrlKind::RadioButton: {
            auto* r = new QRadioButton(label, parent);
            if (d.indicator) r->setFocusPolicy(Qt::NoFocus);
            r->setAutoExclusive(false);
            r->setChecked(d.initialValue != 0);
            connect(r, &QRadioButton::clicked, this, [this, h, id] {
                FireControl(h, id, EVENT_VAL_CHANGED);
                FireControl(h, id, EVENT_COMMIT);
            });
            c->widget = r;
            break;
        }
        case CtrlKind::Ring: {
            auto* r = new QComboBox(parent);
            if (d.indicator) r->setFocusPolicy(Qt::NoFocus);
            for (const RingItem& it : d.items) r->addItem(ToQ(it.label), it.value);
            for (size_t i = 0; i < d.items.size(); ++i)
                if (d.items[i].value == d.initialValue) c->ringIndex = static_cast<int>(i);
            if (c->ringIndex < 0 && !d.items.empty()) c->ringIndex = 0;
            r->setCurrentIndex(c->ringIndex);
            connect(r, &QComboBox::activated, this, [this, h, id](int index) {
                if (Control* x = Find(h, id)) x->ringIndex = index;
                FireControl(h, id, EVENT_VAL_CHANGED);
                FireControl(h, id, EVENT_COMMIT);
            });
            c->widget = r;
            break;
        }
        case CtrlKind::Numeric: {
            if (d.indicator) {
                auto* n = new NumericDisplay(parent, repainter_.get());
                n->SetPrecision(d.precision);
                n->SetValue(d.initialValue);
                c->widget = n;
                break;
            }
            auto* s = new QDoubleSpinBox(parent);
            s->setKeyboardTracking(false);
            s->setAlignment(Qt::AlignRight);
            s->setDecimals(std::clamp(d.precision, 0, 15));
            if (d.max > d.min) s->setRange(d.min, d.max);
            s->setSingleStep(d.step > 0 ? d.step : 1);
            s->setValue(d.initialValue);
            connect(s, &QDoubleSpinBox::valueChanged, this, [this, h, id] {
                const Control* x = Find(h, id);
                if (!x || x->settingValue) return;
                FireControl(h, id, EVENT_VAL_CHANGED);
                FireControl(h, id, EVENT_COMMIT);
            });
            c->widget = s;
            break;
        }
        case CtrlKind::Slide: {
            const QColor fill = d.frameColor != 0 ? ToColor(d.frameColor) : BarColor(d.id);
            auto* b = new BarWidget(parent, repainter_.get(), d.min, d.max, fill);
            b->SetValue(d.initialValue);
            c->widget = b;
            break;
        }
        case CtrlKind::String: {
            auto* e = new QLineEdit(ToQ(d.initialText), parent);
            if (d.maxLength > 0) e->setMaxLength(d.maxLength);
            e->setReadOnly(d.indicator);
            if (d.indicator) e->setFocusPolicy(Qt::NoFocus);
            connect(e, &QLineEdit::textEdited, this, [this, h, id] {
                Control* x = Find(h, id);
                if (!x) return;
                x->edited = true;
                if (x->hooks) x->hooks->OnTextEdited();
                FireControl(h, id, EVENT_VAL_CHANGED);
            });
            connect(e, &QLineEdit::returnPressed, this, [this, h, id] {
                if (Control* x = Find(h, id)) x->edited = false;
                FireControl(h, id, EVENT_COMMIT);
            });
            // Leaving the field after typing commits as well.
            connect(e, &QLineEdit::editingFinished, this, [this, h, id] {
                Control* x = Find(h, id);
                // The focus going to the field's own drop-down list is no leaving.
                if (!x || !x->edited || x->listOpen) return;
                x->edited = false;
                FireControl(h, id, EVENT_COMMIT);
            });
            c->widget = e;
            break;
        }
        case CtrlKind::TextBox: {
            auto* t = new QPlainTextEdit(parent);
            t->setReadOnly(true);
            // A log to read and copy from, not a Tab stop.
            if (d.indicator) t->setFocusPolicy(Qt::ClickFocus);
            t->setPlainText(ToQ(d.initialText));
            t->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            c->widget = t;
            break;
        }
        case CtrlKind::Table: {
            const int rows = std::max(d.rows, 0), cols = std::max(d.columns, 0);
            auto* t = new QTableWidget(rows, cols, parent);
            QStringList headers;
            for (int i = 0; i < cols; ++i)
                headers << (i < static_cast<int>(d.columnHeaders.size()) ? ToQ(d.columnHeaders[i])
                                                                         : QString());
            t->setHorizontalHeaderLabels(headers);
            t->setEditTriggers(QAbstractItemView::NoEditTriggers);
            t->setSelectionMode(QAbstractItemView::SingleSelection);
            if (d.indicator) {
                // A display: no Tab stop, no cell cursor to trap Tab, and no
                // selection colour over the colours the program paints.
                t->setFocusPolicy(Qt::NoFocus);
                t->setTabKeyNavigation(false);
                t->setSelectionMode(QAbstractItemView::NoSelection);
            }
            t->verticalHeader()->setDefaultSectionSize(20);
            t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
            t->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
            for (int r = 0; r < rows; ++r)
                for (int col = 0; col < cols; ++col) {
                    auto* item = new QTableWidgetItem();
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                    t->setItem(r, col, item);
                }
            c->cellValues.assign(static_cast<size_t>(rows) * cols, 0);
            c->cellColors.assign(static_cast<size_t>(rows) * cols, 0xFFFFFF);
            c->widget = t;
            break;
        }
        case CtrlKind::Graph: {
            auto* g = new GraphWidget(parent, repainter_.get(), label);
            g->SetRange(true, d.xMin, d.xMax);
            g->SetRange(false, d.yMin, d.yMax);
            c->widget = g;
            break;
        }
        case CtrlKind::StripChart: {
            std::vector<QColor> colors;
            for (uint32_t rgb : d.traceColors) colors.push_back(ToColor(rgb));
            const bool ranged = d.yMax > d.yMin;
            c->widget = new StripChart(parent, repainter_.get(), label, std::move(colors),
                                       ranged ? d.yMin : 0, ranged ? d.yMax : 4095);
            break;
        }
        case CtrlKind::Picture: {
            auto* l = new QLabel(parent);
            l->setAlignment(Qt::AlignCenter);
            c->widget = l;
            break;
        }
        case CtrlKind::Decoration: {
            auto* deco = new Decoration(parent);
            // No colour in the resource (0) gives the panel's own frame grey.
            if (d.frameColor != 0) deco->SetFrameColor(d.frameColor);
            deco->setAttribute(Qt::WA_TransparentForMouseEvents);
            c->widget = deco;
            break;
        }
        case CtrlKind::Tab: {
            auto* t = new QTabWidget(parent);
            c->widget = t;
            for (size_t i = 0; i < d.pages.size(); ++i) {
                const PanelDesc* pd = doc.FindByName(d.pages[i]);
                if (!pd) continue;
                const int page = BuildPanel(p.handle, doc, *pd, nullptr);
                Panel* pp = FindPanel(page);
                pp->tabPage = true;
                pp->topLevel = false;
                pp->displayed = true;
                const QString text = i < d.pageLabels.size() ? ToQ(d.pageLabels[i]) : ToQ(pd->name);
                t->addTab(pp->widget, text);
                pp->widget->show();
                c->pages.push_back(page);
            }
            const int first = static_cast<int>(d.initialValue);
            if (first > 0 && first < t->count()) t->setCurrentIndex(first);
            c->tabIndex = t->currentIndex();
            connect(t, &QTabWidget::currentChanged, this, [this, h, id](int index) {
                Control* x = Find(h, id);
                if (!x || x->settingValue) return;
                const int old = x->tabIndex;
                x->tabIndex = index;
                FireControl(h, id, EVENT_ACTIVE_TAB_CHANGE, old, index);
            });
            break;
        }
        case CtrlKind::TextMessage: {
            auto* l = new QLabel(ToQ(d.initialText), parent);
            c->widget = l;
            break;
        }
    }
    QWidget* w = c->widget;
    w->setObjectName(ToQ(d.name));
    w->setContextMenuPolicy(Qt::PreventContextMenu);
    const QSize hint = w->sizeHint();
    c->base = QRect(d.left, d.top, d.width > 0 ? d.width : hint.width(),
                    d.height > 0 ? d.height : hint.height());
    c->baseFont = QApplication::font();
    if (!d.visible) w->hide();
    c->visible = d.visible;
    c->dimmed = d.dimmed;
    w->setEnabled(!d.dimmed);
    widgetOwner_.insert(w, c);
    p.controls[d.id] = std::move(owned);
    if (!HasOwnLabel(d.kind) && !d.label.empty()) {
        c->label = new QLabel(label, parent);
        c->label->setObjectName(ToQ(d.name + "_LABEL"));
        QFont f = QApplication::font();
        f.setBold(true);
        f.setPointSizeF(f.pointSizeF() - 0.5);
        c->labelFont = f;
        widgetOwner_.insert(c->label, c);
    }
    LayoutControl(*c);
}

void QtPlatform::PlaceLabel(Control& c) {
    if (!c.label) return;
    const QRect g = c.widget->geometry();
    const QSize s = c.label->sizeHint();
    c.label->setGeometry(g.left(), g.top() - s.height() - 1, std::max(s.width(), 10), s.height());
    c.label->setHidden(!c.visible);
    c.label->setEnabled(!c.dimmed);
}

// ---- values -------------------------------------------------------------------------------

void QtPlatform::SetCtrlVal(int panel, int ctrl, double value) {
    Control* c = Find(panel, ctrl);
    if (!c) return;
    switch (c->kind) {
        case CtrlKind::Numeric:
            if (NumericDisplay* n = c->Display()) {
                n->SetValue(value);
            } else {
                c->settingValue = true;
                c->Spin()->setValue(value);
                c->settingValue = false;
            }
            break;
        case CtrlKind::Slide:
            c->Bar()->SetValue(value);
            break;
        case CtrlKind::Ring: {
            const auto& items = c->desc->items;
            for (size_t i = 0; i < items.size(); ++i)
                if (items[i].value == value) {
                    c->ringIndex = static_cast<int>(i);
                    c->Ring()->setCurrentIndex(c->ringIndex);
                    break;
                }
            break;
        }
        case CtrlKind::RadioButton:
            c->Radio()->setChecked(value != 0);
            break;
        default:
            break;
    }
}

void QtPlatform::SetCtrlVal(int panel, int ctrl, std::string_view text) {
    Control* c = Find(panel, ctrl);
    if (!c) return;
    switch (c->kind) {
        case CtrlKind::String:
            c->Line()->setText(ToQ(text));
            break;
        case CtrlKind::TextBox: {
            QPlainTextEdit* t = c->Text();
            QTextCursor end = t->textCursor();
            end.movePosition(QTextCursor::End);
            end.insertText(ToQ(text));
            t->verticalScrollBar()->setValue(t->verticalScrollBar()->maximum());
            break;
        }
        case CtrlKind::TextMessage:
            c->Label()->setText(ToQ(text));
            if (!c->desc) c->widget->adjustSize();
            break;
        case CtrlKind::Button:
        case CtrlKind::RadioButton:
            static_cast<QAbstractButton*>(c->widget)->setText(ToQ(text));
            break;
        default:
            break;
    }
}

double QtPlatform::GetCtrlValDouble(int panel, int ctrl) {
    const Control* c = Find(panel, ctrl);
    if (!c) return 0;
    switch (c->kind) {
        case CtrlKind::Numeric:
            return c->indicator ? c->Display()->Value() : c->Spin()->value();
        case CtrlKind::Slide:
            return c->Bar()->Value();
        case CtrlKind::Ring: {
            const int i = c->Ring()->currentIndex();
            return i >= 0 && i < static_cast<int>(c->desc->items.size()) ? c->desc->items[i].value
                                                                         : 0;
        }
        case CtrlKind::RadioButton:
            return c->Radio()->isChecked() ? 1 : 0;
        default:
            return 0;
    }
}

std::string QtPlatform::GetCtrlValString(int panel, int ctrl) {
    const Control* c = Find(panel, ctrl);
    if (!c) return {};
    switch (c->kind) {
        case CtrlKind::String:
            return FromQ(c->Line()->text());
        case CtrlKind::TextBox:
            return FromQ(c->Text()->toPlainText());
        case CtrlKind::TextMessage:
            return FromQ(c->Label()->text());
        case CtrlKind::Ring:
            return FromQ(c->Ring()->currentText());
        case CtrlKind::Button:
        case CtrlKind::RadioButton:
            return FromQ(static_cast<QAbstractButton*>(c->widget)->text());
        default:
            return {};
    }
}

void QtPlatform::ResetTextBox(int panel, int ctrl, std::string_view text) {
    Control* c = Find(panel, ctrl);
    if (!c) return;
    if (c->kind == CtrlKind::TextBox)
        c->Text()->setPlainText(ToQ(text));
    else if (c->kind == CtrlKind::String)
        c->Line()->setText(ToQ(text));
}

// ---- attributes ---------------------------------------------------------------------------

void QtPlatform::SetCtrlDimmed(int panel, int ctrl, bool dimmed) {
    Control* c = Find(panel, ctrl);
    if (!c || c->dimmed == dimmed) return;
    c->dimmed = dimmed;
    c->widget->setEnabled(!dimmed);
    if (c->label) c->label->setEnabled(!dimmed);
    if (c->arrow) c->arrow->setEnabled(!dimmed);
}

bool QtPlatform::GetCtrlDimmed(int panel, int ctrl) {
    const Control* c = Find(panel, ctrl);
    return c && c->dimmed;
}

void QtPlatform::SetCtrlVisible(int panel, int ctrl, bool visible) {
    Control* c = Find(panel, ctrl);
    if (!c) return;
    c->visible = visible;
    c->widget->setHidden(!visible);
    if (c->label) c->label->setHidden(!visible);
}

bool QtPlatform::GetCtrlVisible(int panel, int ctrl) {
    const Control* c = Find(panel, ctrl);
    return c && c->visible;
}

void QtPlatform::SetCtrlPos(int panel, int ctrl, int top, int left) {
    Control* c = Find(panel, ctrl);
    if (!c) return;
    c->base.moveTo(left, top);
    LayoutControl(*c);
}

void QtPlatform::SetCtrlTooltip(int panel, int ctrl, const std::string& text) {
    if (Control* c = Find(panel, ctrl)) c->widget->setToolTip(ToQ(text));
}

std::string QtPlatform::GetCtrlTooltip(int panel, int ctrl) {
    const Control* c = Find(panel, ctrl);
    return c ? FromQ(c->widget->toolTip()) : std::string();
}

void QtPlatform::SetCtrlPrecision(int panel, int ctrl, int digits) {
    Control* c = Find(panel, ctrl);
    if (!c) return;
    c->precision = digits;
    if (c->kind != CtrlKind::Numeric) return;
    if (c->indicator)
        c->Display()->SetPrecision(digits);
    else
        c->Spin()->setDecimals(std::clamp(digits, 0, 15));
}

int QtPlatform::GetCtrlPrecision(int panel, int ctrl) {
    const Control* c = Find(panel, ctrl);
    return c ? c->precision : 0;
}

void QtPlatform::SetCtrlFrameColor(int panel, int ctrl, uint32_t rgb) {
    Control* c = Find(panel, ctrl);
    if (!c) return;
    c->frameColor = rgb;
    if (c->kind == CtrlKind::Decoration) c->Deco()->SetFrameColor(rgb);
}

uint32_t QtPlatform::GetCtrlFrameColor(int panel, int ctrl) {
    const Control* c = Find(panel, ctrl);
    return c ? c->frameColor : 0;
}

void QtPlatform::SetCtrlTextSelection(int panel, int ctrl, int start, int length) {
    Control* c = Find(panel, ctrl);
    if (c && c->kind == CtrlKind::String) c->Line()->setSelection(start, length);
}

int QtPlatform::NewTextMessage(int panel, const std::string& text, int top, int left, int pointSize,
                               uint32_t bgColor, uint32_t textColor) {
    Panel* p = FindPanel(panel);
    if (!p) return -1;
    auto owned = std::make_unique<Control>();
    Control* c = owned.get();
    c->panel = panel;
    c->id = nextMessage_++;
    c->kind = CtrlKind::TextMessage;
    auto* l = new QLabel(ToQ(text), p->widget);
    QFont f = QApplication::font();
    if (pointSize > 0) f.setPointSize(pointSize);
    f.setBold(true);
    l->setFont(f);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, ToColor(textColor));
    if (bgColor <= 0xFFFFFF) {
        pal.setColor(QPalette::Window, ToColor(bgColor));
        l->setAutoFillBackground(true);
    }
    l->setPalette(pal);
    l->setContextMenuPolicy(Qt::PreventContextMenu);
    l->show();
    c->widget = l;
    c->base = QRect(left, top, 0, 0);
    c->baseFont = f;
    widgetOwner_.insert(l, c);
    const int id = c->id;
    p->controls[id] = std::move(owned);
    LayoutControl(*c);
    return id;
}

int QtPlatform::DisplayImageFile(int panel, int ctrl, const std::string& path) {
    Control* c = Find(panel, ctrl);
    if (!c || c->kind != CtrlKind::Picture) return -1;
    // A bare name is looked for beside the program first.
    QString file = ToQ(path);
    if (QFileInfo(file).isRelative()) {
        const QString beside = ToQ(GetProjectDir()) + QLatin1Char('/') + file;
        if (QFileInfo::exists(beside)) file = beside;
    }
    QPixmap pm;
    if (!pm.load(file)) return -1;
    c->picture = pm;
    c->base.setSize(pm.size());
    LayoutControl(*c);
    return 0;
}

void QtPlatform::HideBuiltInCtrlMenuItems(int panel, int ctrl) {
    if (Control* c = Find(panel, ctrl)) c->builtInMenuHidden = true;
}

}  // namespace lq::qt
