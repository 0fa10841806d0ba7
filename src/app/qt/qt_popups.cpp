// Modal popups, the file dialogue and the drop-down history of string fields.
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdio>

#include "app/qt/qt_internal.h"
#include "app/qt/qt_platform.h"
#include "app/qt/qt_widgets.h"

namespace lq::qt {

namespace {

void Report(const char* kind, const std::string& title, const std::string& text,
            const char* answer) {
    std::fprintf(stderr, "lumiquad-panel: %s \"%s\": \"%s\" -> %s\n", kind, title.c_str(),
                 text.c_str(), answer);
}

// Escape (and the close box) operate the escape button, or nothing without one.
class GenericDialog : public QDialog {
  public:
    GenericDialog(QWidget* parent, int escapeButton) : QDialog(parent), escape_(escapeButton) {}
    void reject() override {
        if (escape_ > 0) done(escape_);
    }

  private:
    int escape_;
};

// An empty title would make the toolkit show the program's name instead; a
// blank shows nothing.
QString PopupTitle(const std::string& title) {
    return title.empty() ? QStringLiteral(" ") : ToQ(title);
}

// The popups' buttons carry the words their texts use (OK, YES, NO), plain.
void LabelButton(QMessageBox& box, QMessageBox::StandardButton which, const char* text) {
    if (QAbstractButton* b = box.button(which)) {
        b->setText(QString::fromLatin1(text));
        b->setIcon(QIcon());
    }
}

QRect AvailableArea(const QWidget* near) {
    QScreen* s = near && near->screen() ? near->screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

// A message taller than the screen: the text scrolls, the OK button stays
// on screen.
void ScrollingMessage(QWidget* parent, const QString& title, const QString& text, QRect area) {
    QDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("ScrollingMessage"));
    dlg.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dlg);
    auto* scroll = new QScrollArea(&dlg);
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMargin(6);
    scroll->setWidget(label);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    layout->addWidget(scroll);
    auto* ok = new QPushButton(QStringLiteral("OK"), &dlg);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dlg, &QDialog::accept);
    auto* row = new QHBoxLayout();
    row->addStretch();
    row->addWidget(ok);
    row->addStretch();
    layout->addLayout(row);
    const int width = std::min(label->sizeHint().width() + 60, area.width() * 9 / 10);
    const int height = area.height() * 3 / 4;
    dlg.setGeometry(area.left() + (area.width() - width) / 2,
                    area.top() + (area.height() - height) / 2, width, height);
    dlg.exec();
}

}  // namespace

QWidget* QtPlatform::PopupParent() const {
    QWidget* active = QApplication::activeWindow();
    if (qobject_cast<PanelWidget*>(active)) return active;
    for (const auto& [h, p] : panels_)
        if (p->topLevel && p->widget->isVisible()) return p->widget;
    return nullptr;
}

void QtPlatform::MessagePopup(const std::string& title, const std::string& text) {
    if (autoAnswer_) {
        Report("message", title, text, "OK");
        return;
    }
    QWidget* parent = PopupParent();
    const QString body = ToQ(text);
    const QRect area = AvailableArea(parent);
    QMessageBox box(QMessageBox::NoIcon, PopupTitle(title), body, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    LabelButton(box, QMessageBox::Ok, "OK");
    // Room for the box's frame, margins and button row besides the text.
    constexpr int kChrome = 140;
    const int textHeight = QFontMetrics(box.font())
                               .boundingRect(QRect(0, 0, area.width() / 2, 1 << 20),
                                             Qt::TextWordWrap | Qt::TextExpandTabs, body)
                               .height();
    if (textHeight + kChrome > area.height()) {
        ScrollingMessage(parent, PopupTitle(title), body, area);
        return;
    }
    box.exec();
}

int QtPlatform::ConfirmPopup(const std::string& title, const std::string& text) {
    if (autoAnswer_) {
        Report("confirm", title, text, "NO");
        return 0;
    }
    QMessageBox box(QMessageBox::Question, PopupTitle(title), ToQ(text),
                    QMessageBox::Yes | QMessageBox::No, PopupParent());
    box.setTextFormat(Qt::PlainText);
    LabelButton(box, QMessageBox::Yes, "YES");
    LabelButton(box, QMessageBox::No, "NO");
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? 1 : 0;
}

int QtPlatform::GenericMessagePopup(const std::string& title, const std::string& text,
                                    const std::string& button1, const std::string& button2,
                                    std::string* entry, int maxEntryLength, int enterButton,
                                    int escapeButton) {
    if (autoAnswer_) {
        const int answer = escapeButton == 1 ? 2 : escapeButton == 2 ? 1 : std::max(enterButton, 1);
        Report("popup", title, text, (answer == 1 ? button1 : button2).c_str());
        return answer;
    }
    GenericDialog dlg(PopupParent(), escapeButton);
    dlg.setWindowTitle(PopupTitle(title));
    auto* layout = new QVBoxLayout(&dlg);
    auto* label = new QLabel(ToQ(text), &dlg);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    QLineEdit* edit = nullptr;
    if (entry) {
        edit = new QLineEdit(ToQ(*entry), &dlg);
        if (maxEntryLength > 0) edit->setMaxLength(maxEntryLength);
        layout->addWidget(edit);
    }
    auto* row = new QHBoxLayout();
    row->addStretch();
    const std::string* labels[2] = {&button1, &button2};
    for (int i = 0; i < 2; ++i) {
        if (labels[i]->empty()) continue;
        auto* b = new QPushButton(ToQ(*labels[i]), &dlg);
        b->setObjectName(QStringLiteral("button%1").arg(i + 1));
        b->setAutoDefault(false);
        b->setDefault(enterButton == i + 1);
        const int result = i + 1;
        QObject::connect(b, &QPushButton::clicked, &dlg, [&dlg, result] { dlg.done(result); });
        row->addWidget(b);
    }
    row->addStretch();
    layout->addLayout(row);
    if (escapeButton == 0) dlg.setWindowFlag(Qt::WindowCloseButtonHint, false);
    const int answer = dlg.exec();
    if (entry && edit) *entry = FromQ(edit->text());
    return answer;
}

int QtPlatform::FileSelectPopup(const FileSelectRequest& request, std::string& path) {
    if (autoAnswer_) {
        Report("file dialogue", request.title, request.defaultFileName, "cancelled");
        return FILE_SELECT_CANCELLED;
    }
    QFileDialog dlg(PopupParent(), ToQ(request.title), ToQ(request.defaultDirectory));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    // Replacing an existing file is the caller's decision, asked nowhere here.
    dlg.setOption(QFileDialog::DontConfirmOverwrite);
    dlg.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Opening takes any name too: the caller treats a file that does not
    // exist as cancelled, where the toolkit would keep the dialogue open
    // with a message of its own.
    dlg.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    if (!request.filter.empty()) filters << ToQ(request.filter);
    filters << QStringLiteral("*");
    dlg.setNameFilters(filters);
    dlg.setLabelText(QFileDialog::Accept, QStringLiteral("OK"));
    if (!request.defaultFileName.empty()) dlg.selectFile(ToQ(request.defaultFileName));
    if (dlg.exec() != QDialog::Accepted) return FILE_SELECT_CANCELLED;
    const QStringList chosen = dlg.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) return -1;
    const QFileInfo info(chosen.first());
    if (info.isDir()) return -1;
    path = FromQ(info.absoluteFilePath());
    return info.exists() ? FILE_SELECT_EXISTING : FILE_SELECT_NEW;
}

// ---- drop-down history --------------------------------------------------------------------

void QtPlatform::AttachDropDown(int panel, int ctrl, DropDownHooks* hooks) {
    Control* c = Find(panel, ctrl);
    if (!c || c->kind != CtrlKind::String) return;
    if (!hooks) {
        if (c->arrow) {
            widgetOwner_.remove(c->arrow);
            widgetOwner_.remove(c->ddFrame);
            delete c->arrow;
            delete c->ddFrame;
            c->arrow = nullptr;
            c->ddFrame = nullptr;
            LayoutControl(*c);  // the field takes back the room of the arrow
        }
        c->hooks = nullptr;
        return;
    }
    c->hooks = hooks;
    if (c->arrow) return;
    QWidget* parent = c->widget->parentWidget();
    c->arrow = new QToolButton(parent);
    c->arrow->setObjectName(c->widget->objectName() + QStringLiteral("_ARROW"));
    c->arrow->setArrowType(Qt::DownArrow);
    c->arrow->setFocusPolicy(Qt::NoFocus);
    c->ddFrame = new QFrame(parent);
    c->ddFrame->setObjectName(c->widget->objectName() + QStringLiteral("_FRAME"));
    c->ddFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    c->ddFrame->setLineWidth(1);
    c->ddFrame->setAutoFillBackground(true);
    LayoutControl(*c);  // field and arrow share the field's place
    c->ddFrame->stackUnder(c->widget);
    for (QWidget* w : {static_cast<QWidget*>(c->arrow), static_cast<QWidget*>(c->ddFrame)}) {
        w->setContextMenuPolicy(Qt::PreventContextMenu);
        w->setHidden(!c->visible);
        widgetOwner_.insert(w, c);
    }
    c->arrow->setEnabled(!c->dimmed);
    const int h = panel, id = ctrl;
    connect(c->arrow, &QToolButton::clicked, this, [this, h, id] { OpenDropDown(h, id); });
}

void QtPlatform::OpenDropDown(int panel, int ctrl) {
    Control* c = Find(panel, ctrl);
    if (!c || !c->hooks || c->dimmed) return;
    const int n = c->hooks->ItemCount();
    if (n <= 0) return;
    QMenu menu(c->widget);
    menu.setObjectName(QStringLiteral("DropDownMenu"));
    for (int i = 0; i < n; ++i) menu.addAction(ToQ(c->hooks->ItemText(i)))->setData(i);
    menu.setMinimumWidth(c->ddFrame ? c->ddFrame->width() : c->widget->width());
    const QPoint at = c->widget->mapToGlobal(QPoint(0, c->widget->height() + 2));
    c->listOpen = true;
    QAction* chosen = menu.exec(at);
    c = Find(panel, ctrl);  // the panel may have gone while the menu was open
    if (c) c->listOpen = false;
    if (!c || !chosen || !c->hooks) return;
    c->widget->setFocus(Qt::OtherFocusReason);
    c->edited = false;  // a pick commits the field by itself
    c->hooks->OnPick(chosen->data().toInt());
}

void QtPlatform::SetDropDownVisible(int panel, int ctrl, bool visible) {
    Control* c = Find(panel, ctrl);
    if (!c) return;
    SetCtrlVisible(panel, ctrl, visible);
    if (c->arrow) c->arrow->setHidden(!visible);
    if (c->ddFrame) c->ddFrame->setHidden(!visible);
}

void QtPlatform::SetDropDownFrameColor(int panel, int ctrl, uint32_t rgb) {
    Control* c = Find(panel, ctrl);
    if (!c) return;
    c->ddColor = rgb;
    for (QWidget* w : {static_cast<QWidget*>(c->arrow), static_cast<QWidget*>(c->ddFrame)}) {
        if (!w) continue;
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, ToColor(rgb));
        pal.setColor(QPalette::Button, ToColor(rgb));
        w->setPalette(pal);
    }
}

int QtPlatform::GetCtrlMaxLength(int panel, int ctrl) {
    const Control* c = Find(panel, ctrl);
    return c && c->kind == CtrlKind::String ? c->maxLength : 0;
}

// The drop-down commits a picked item through the field's own callback.
int QtPlatform::CallCtrlCallback(int panel, int ctrl, int event, int eventData1, int eventData2) {
    Control* c = Find(panel, ctrl);
    if (c && event == EVENT_COMMIT) c->edited = false;  // leaving the field must not commit again
    return FireControl(panel, ctrl, event, eventData1, eventData2);
}

// Keys typed into a field with a drop-down: every key is reported, Up and
// Down open the list instead of moving the cursor.
bool QtPlatform::HandleDropDownKey(QObject* watched, QKeyEvent* e) {
    auto it = widgetOwner_.constFind(watched);
    if (it == widgetOwner_.constEnd()) return false;
    Control* c = it.value();
    if (!c->hooks || c->widget != watched) return false;
    const QString text = e->text();
    int code = 0;
    if (!text.isEmpty() && text.at(0).unicode() >= 0x20 && text.at(0).unicode() != 0x7F)
        code = text.at(0).unicode();
    const int panel = c->panel, ctrl = c->id;
    c->hooks->OnKey(code);
    if (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) {
        OpenDropDown(panel, ctrl);
        return true;
    }
    return false;
}

}  // namespace lq::qt
