// Event loop, descriptor watches, clock, panels and window geometry.
#include "app/qt/qt_platform.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QSocketNotifier>
#include <QStringDecoder>
#include <QTabBar>
#include <QTabWidget>
#include <QTimerEvent>
#include <QWidget>
#include <cmath>
#include <thread>

#include "app/qt/qt_internal.h"
#include "app/qt/qt_widgets.h"
#include "data/text1252.h"

namespace lq::qt {

QString ToQ(std::string_view text) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QByteArrayView bytes(text.data(), static_cast<qsizetype>(text.size()));
    QString s = utf8(bytes);
    if (!utf8.hasError()) return s;
    const std::string converted = Cp1252ToUtf8(text);
    return QString::fromUtf8(converted.data(), static_cast<qsizetype>(converted.size()));
}

std::string FromQ(const QString& text) {
    const QByteArray b = text.toUtf8();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

QtPlatform::QtPlatform() : repainter_(std::make_unique<Repainter>()) {
    QApplication::setQuitOnLastWindowClosed(false);
    qApp->installEventFilter(this);
}

QtPlatform::~QtPlatform() {
    qApp->removeEventFilter(this);
    SetWaitCursor(false);
    std::vector<int> tops;
    for (auto& [h, p] : panels_)
        if (p->parent == 0) tops.push_back(h);
    callbackDepth_ = 0;
    for (int h : tops) DiscardPanel(h);
    for (auto& [id, w] : watches_) delete w->notifier;
}

// ---- event loop --------------------------------------------------------------------

int QtPlatform::RunUserInterface() {
    if (!quitPending_) {
        QEventLoop loop;
        QEventLoop* outer = loop_;
        loop_ = &loop;
        ++loopDepth_;
        loop.exec();
        --loopDepth_;
        loop_ = outer;
    }
    quitPending_ = false;
    return quitCode_;
}

void QtPlatform::QuitUserInterface(int code) {
    quitCode_ = code;
    quitPending_ = true;
    if (loop_) loop_->exit(code);
}

void QtPlatform::ProcessSystemEvents() {
    blocked_ = false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtPlatform::WaitForEvents(double maxSeconds) {
    blocked_ = false;
    if (!(maxSeconds > 0)) {
        ProcessSystemEvents();
        return;
    }
    // One wake-up timer serves the waits that follow each other in the live
    // loop: it is armed again only when it is not running or would end this
    // wait more than a millisecond late. Waking before the limit is harmless
    // (callers wait by the clock); the timer stops itself when it fires, so a
    // silent program has no timer ticking.
    using namespace std::chrono;
    const steady_clock::time_point now = steady_clock::now();
    const double seconds = std::min(maxSeconds, 3600.0);
    const steady_clock::time_point until =
        now + duration_cast<steady_clock::duration>(duration<double>(seconds));
    if (!wakeTimer_.isActive() || wakeAt_ > until + milliseconds(1)) {
        const int ms = std::max(static_cast<int>(std::ceil(seconds * 1000.0)), 1);
        wakeTimer_.start(ms, Qt::PreciseTimer, this);
        wakeAt_ = now + milliseconds(ms);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

// The wake-up timer's event only ends a wait; it does nothing else.
void QtPlatform::timerEvent(QTimerEvent* e) {
    if (e->timerId() == wakeTimer_.timerId()) wakeTimer_.stop();
}

int QtPlatform::AddFdWatch(int fd, std::function<void()> onReadable) {
    const int id = nextWatch_++;
    auto* n = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, this);
    watches_[id] = std::make_shared<Watch>(Watch{n, std::move(onReadable)});
    connect(n, &QSocketNotifier::activated, this, [this, id] {
        auto it = watches_.find(id);
        if (it == watches_.end()) return;
        // Held here: the callback may remove its own watch.
        const std::shared_ptr<Watch> w = it->second;
        ++callbackDepth_;
        w->fn();
        --callbackDepth_;
    });
    return id;
}

void QtPlatform::RemoveFdWatch(int watchId) {
    auto it = watches_.find(watchId);
    if (it == watches_.end()) return;
    // Removal may happen inside the notifier's own signal: stop it now, free it later.
    it->second->notifier->setEnabled(false);
    it->second->notifier->deleteLater();
    watches_.erase(it);
}

double QtPlatform::Timer() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

// The wait dispatches nothing, but the window keeps painting: a desktop would
// otherwise show a covered window as blank and call the program hung.
void QtPlatform::Sleep(int milliseconds) {
    using namespace std::chrono;
    const steady_clock::time_point until =
        steady_clock::now() + std::chrono::milliseconds(milliseconds);
    constexpr auto kSlice = std::chrono::milliseconds(10);
    for (;;) {
        RepaintWhileBlocked();
        const auto left = until - steady_clock::now();
        if (left <= steady_clock::duration::zero()) return;
        std::this_thread::sleep_for(std::min<steady_clock::duration>(left, kSlice));
    }
}

// No event is taken from the queues here (an expose would come with the
// operator's clicks and the timers): the windows are painted afresh instead,
// a few times a second once a step has blocked for a moment, which also
// restores whatever a covering window had hidden. Short waits paint nothing.
void QtPlatform::RepaintWhileBlocked() {
    using namespace std::chrono;
    constexpr auto kInterval = milliseconds(100);
    if (repaintingOnly_) return;
    const steady_clock::time_point now = steady_clock::now();
    if (!blocked_) {
        blocked_ = true;
        blockedSince_ = now;
        return;
    }
    if (now - blockedSince_ < kInterval || now - lastBlockedPaint_ < kInterval) return;
    lastBlockedPaint_ = now;
    repaintingOnly_ = true;
    // Layouts and polish that are still due change no value and call nothing.
    for (const QEvent::Type due : {QEvent::PolishRequest, QEvent::Polish, QEvent::LayoutRequest})
        QCoreApplication::sendPostedEvents(nullptr, due);
    for (const auto& [h, p] : panels_) {
        if (!p->topLevel || !p->widget->isVisible()) continue;
        p->widget->update();
        for (QWidget* w : p->widget->findChildren<QWidget*>())
            if (!w->isWindow()) w->update();
    }
    // The repaint itself: one pass over everything marked, one flush.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    repaintingOnly_ = false;
}

void QtPlatform::SetWaitCursor(bool on) {
    if (on == waitCursor_) return;
    waitCursor_ = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

std::string QtPlatform::GetProjectDir() {
    std::string dir = FromQ(QCoreApplication::applicationDirPath());
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

// ---- callbacks ------------------------------------------------------------------------

void QtPlatform::SetCallbackResolver(const CallbackResolver* resolver, void* callbackData) {
    resolver_ = resolver;
    callbackData_ = callbackData;
}

int QtPlatform::FireControl(int panel, int ctrl, int event, int data1, int data2) {
    const Control* c = Find(panel, ctrl);
    if (!c || !c->desc || c->desc->callback.empty() || !resolver_) return 0;
    const CtrlCallbackFn fn = resolver_->Control(c->desc->callback);
    if (!fn) return 0;
    ++callbackDepth_;
    const int result = fn(panel, ctrl, event, callbackData_, data1, data2);
    --callbackDepth_;
    return result;
}

void QtPlatform::FirePanel(int panel, int event, int data1, int data2) {
    const Panel* p = FindPanel(panel);
    if (!p || !p->desc || p->desc->callback.empty() || !resolver_) return;
    const PanelCallbackFn fn = resolver_->Panel(p->desc->callback);
    if (!fn) return;
    ++callbackDepth_;
    fn(panel, event, callbackData_, data1, data2);
    --callbackDepth_;
}

// Right clicks on controls, the function keys and the suppressed context menus
// are taken from every event of the application before a widget sees them.
bool QtPlatform::eventFilter(QObject* watched, QEvent* event) {
    if (!repaintingOnly_) blocked_ = false;  // events flow: nothing blocks
    const QEvent::Type t = event->type();
    if (t != QEvent::MouseButtonPress && t != QEvent::MouseButtonDblClick &&
        t != QEvent::ContextMenu && t != QEvent::KeyPress && t != QEvent::Wheel)
        return false;
    if (!watched->isWidgetType()) return false;
    if (t == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        const int key = ke->key();
        if (key >= Qt::Key_F9 && key <= Qt::Key_F12) return HandleFunctionKey(watched, key);
        // The toolkit's own page switching (Ctrl+Tab, Ctrl+Shift+Tab) would
        // stop a live loop with one key; F9 to F12 are the only shortcuts.
        if ((ke->modifiers() & Qt::ControlModifier) &&
            (key == Qt::Key_Tab || key == Qt::Key_Backtab) &&
            qobject_cast<PanelWidget*>(static_cast<QWidget*>(watched)->window()))
            return true;
        if (HandleDropDownKey(watched, ke)) return true;
    }
    // The control (or panel surface) the widget belongs to.
    Control* owner = nullptr;
    for (QWidget* x = static_cast<QWidget*>(watched); x; x = x->parentWidget()) {
        auto it = widgetOwner_.constFind(x);
        if (it != widgetOwner_.constEnd()) {
            owner = it.value();
            break;
        }
        if (qobject_cast<PanelWidget*>(x)) break;
        if (x->isWindow()) return false;  // not one of the panels (a popup)
    }
    if (t == QEvent::ContextMenu) return true;
    if (!owner) return false;
    // Turning the wheel over the tabs would switch pages as well.
    if (t == QEvent::Wheel && owner->kind == CtrlKind::Tab && qobject_cast<QTabBar*>(watched))
        return true;
    const bool rightButton = (t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick) &&
                             static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
    if (!rightButton) {
        // Indicators show a value the operator cannot change.
        return owner->indicator &&
               (owner->kind == CtrlKind::Ring || owner->kind == CtrlKind::RadioButton);
    }
    if (owner->dimmed) return true;
    auto* me = static_cast<QMouseEvent*>(event);
    Panel* p = FindPanel(owner->panel);
    const QPoint at = p ? p->widget->mapFromGlobal(me->globalPosition().toPoint()) : QPoint();
    FireControl(owner->panel, owner->id,
                t == QEvent::MouseButtonPress ? EVENT_RIGHT_CLICK : EVENT_RIGHT_DOUBLE_CLICK,
                at.y(), at.x());
    return true;
}

bool QtPlatform::HandleFunctionKey(QObject* watched, int key) {
    QWidget* window = static_cast<QWidget*>(watched)->window();
    auto* top = qobject_cast<PanelWidget*>(window);
    if (!top) return false;
    // The buttons of the window's panel and of every panel inside it.
    std::vector<int> todo{top->Handle()};
    while (!todo.empty()) {
        const int h = todo.back();
        todo.pop_back();
        const Panel* p = FindPanel(h);
        if (!p) continue;
        for (const auto& [id, c] : p->controls) {
            if (c->shortcutKey != key) continue;
            if (!c->dimmed && c->widget->isVisibleTo(p->widget)) FireControl(h, id, EVENT_COMMIT);
            return true;
        }
        todo.insert(todo.end(), p->children.begin(), p->children.end());
    }
    return false;
}

void QtPlatform::OperatorCommit(int panel, int ctrl) {
    const Control* c = Find(panel, ctrl);
    if (!c || c->dimmed || !c->visible) return;
    FireControl(panel, ctrl, EVENT_COMMIT);
}

// ---- panels ------------------------------------------------------------------------------

QtPlatform::Panel* QtPlatform::FindPanel(int handle) const {
    auto it = panels_.find(handle);
    return it == panels_.end() ? nullptr : it->second.get();
}

QtPlatform::Control* QtPlatform::Find(int panel, int ctrl) const {
    const Panel* p = FindPanel(panel);
    if (!p) return nullptr;
    auto it = p->controls.find(ctrl);
    return it == p->controls.end() ? nullptr : it->second.get();
}

QWidget* QtPlatform::PanelWidgetOf(int panel) const {
    const Panel* p = FindPanel(panel);
    return p ? p->widget : nullptr;
}

QWidget* QtPlatform::ControlWidget(int panel, int ctrl) const {
    const Control* c = Find(panel, ctrl);
    return c ? c->widget : nullptr;
}

CtrlKind QtPlatform::ControlKind(int panel, int ctrl) const {
    const Control* c = Find(panel, ctrl);
    return c ? c->kind : CtrlKind::Decoration;
}

int QtPlatform::LoadPanel(int parentPanel, const std::string& uirPath, int resource) {
    auto it = documents_.find(uirPath);
    if (it == documents_.end()) {
        auto doc = std::make_unique<UirDocument>();
        const int r = LoadUir(uirPath, *doc);
        if (r < 0) return r;
        it = documents_.emplace(uirPath, std::move(doc)).first;
    }
    return LoadPanelFromDocument(parentPanel, *it->second, resource);
}

int QtPlatform::LoadPanelFromDocument(int parentPanel, const UirDocument& doc, int resource) {
    const PanelDesc* desc = doc.Find(resource);
    if (!desc) return -1;
    QWidget* host = nullptr;
    if (parentPanel != 0) {
        const Panel* parent = FindPanel(parentPanel);
        if (!parent) return -1;
        host = parent->widget;
    }
    return BuildPanel(parentPanel, doc, *desc, host);
}

int QtPlatform::BuildPanel(int parentPanel, const UirDocument& doc, const PanelDesc& desc,
                           QWidget* host) {
    const int handle = nextPanel_++;
    auto owned = std::make_unique<Panel>();
    Panel& p = *owned;
    p.handle = handle;
    p.resource = desc.resource;
    p.parent = parentPanel;
    p.desc = &desc;
    p.title = desc.title;
    p.topLevel = parentPanel == 0;
    p.widget = new PanelWidget(host, handle);
    p.widget->setObjectName(ToQ(desc.name));
    p.widget->setContextMenuPolicy(Qt::PreventContextMenu);
    p.widget->setAutoFillBackground(true);
    const int width = desc.width > 0 ? desc.width : 400;
    const int height = desc.height > 0 ? desc.height : 300;
    p.base = QRect(desc.left, desc.top, width, height);
    p.widget->setGeometry(p.base);
    if (p.topLevel) {
        p.widget->setWindowTitle(ToQ(desc.title));
        // Smaller than this the texts could not be read any more.
        p.widget->setMinimumSize(width / 4, height / 4);
        connect(p.widget, &PanelWidget::Resized, this, [this](int h) { Rescale(h); });
    } else {
        p.widget->hide();
    }
    connect(p.widget, &PanelWidget::PanelEvent, this,
            [this](int h, int ev, int d1, int d2) { FirePanel(h, ev, d1, d2); });
    panels_[handle] = std::move(owned);
    if (Panel* parent = FindPanel(parentPanel)) parent->children.push_back(handle);
    // Decorations first: they lie beneath the controls they frame.
    for (const ControlDesc& d : desc.controls)
        if (d.kind == CtrlKind::Decoration) BuildControl(p, doc, d);
    for (const ControlDesc& d : desc.controls)
        if (d.kind != CtrlKind::Decoration) BuildControl(p, doc, d);
    // A panel built into a scaled one takes its factor at once.
    if (Panel* parent = FindPanel(parentPanel)) {
        LayoutPanel(p, parent->scale, QPoint());
        PlaceChildPanel(p);
    }
    return handle;
}

int QtPlatform::GetPanelHandleFromTabPage(int panel, int tabCtrl, int pageIndex) {
    const Control* c = Find(panel, tabCtrl);
    if (!c || c->kind != CtrlKind::Tab || pageIndex < 0 ||
        pageIndex >= static_cast<int>(c->pages.size()))
        return -1;
    return c->pages[pageIndex];
}

void QtPlatform::DisplayPanel(int panel) {
    Panel* p = FindPanel(panel);
    if (!p || p->tabPage) return;
    p->displayed = true;
    if (!p->topLevel) {
        p->widget->show();
        p->widget->raise();
        return;
    }
    if (p->zoom == ZOOM_NORMAL) FitToScreen(*p);
    switch (p->zoom) {
        case ZOOM_MAXIMIZED:
            p->widget->showMaximized();
            break;
        case ZOOM_MINIMIZED:
            p->widget->showMinimized();
            break;
        default:
            p->widget->show();
    }
    // Without a display there is no window stacking to change.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;
    p->widget->raise();
    p->widget->activateWindow();
}

void QtPlatform::ForgetPanel(int handle) {
    Panel* p = FindPanel(handle);
    if (!p) return;
    for (int child : p->children) ForgetPanel(child);
    for (auto it = widgetOwner_.begin(); it != widgetOwner_.end();) {
        if (it.value()->panel == handle)
            it = widgetOwner_.erase(it);
        else
            ++it;
    }
    panels_.erase(handle);
}

void QtPlatform::DiscardPanel(int panel) {
    Panel* p = FindPanel(panel);
    if (!p) return;
    QWidget* w = p->widget;
    if (Panel* parent = FindPanel(p->parent)) std::erase(parent->children, panel);
    ForgetPanel(panel);
    // A popup open over the panel (message box, file dialogue, drop-down menu)
    // lives on the stack of the call that opened it: it must not go down with
    // its parent. A dialogue stays on screen for its caller; a menu closes.
    for (QWidget* child : w->findChildren<QWidget*>()) {
        if (!child->isWindow()) continue;
        const bool keepShown = child->isVisible() && !(child->windowType() == Qt::Popup);
        child->setParent(nullptr, child->windowFlags());
        if (keepShown) child->show();
    }
    // A callback of this panel may still be running: let it return first.
    w->hide();
    if (callbackDepth_ > 0)
        w->deleteLater();
    else
        delete w;
}

void QtPlatform::SetPanelTitle(int panel, const std::string& title) {
    Panel* p = FindPanel(panel);
    if (!p) return;
    p->title = title;
    if (p->topLevel) p->widget->setWindowTitle(ToQ(title));
}

std::string QtPlatform::GetPanelTitle(int panel) {
    const Panel* p = FindPanel(panel);
    return p ? p->title : std::string();
}

// Positions of windows are those of their client area, so that a position read
// back and set again does not move the window by the frame.
void QtPlatform::SetPanelPos(int panel, int top, int left) {
    Panel* p = FindPanel(panel);
    if (!p || p->tabPage) return;
    if (p->topLevel) {
        QRect g = p->widget->geometry();
        g.moveTopLeft(QPoint(left, top));
        p->widget->setGeometry(g);
    } else {
        p->base.moveTo(left, top);
        PlaceChildPanel(*p);
    }
}

void QtPlatform::GetPanelPos(int panel, int& top, int& left) {
    const Panel* p = FindPanel(panel);
    top = left = 0;
    if (!p) return;
    const QRect g = p->widget->geometry();
    top = g.top();
    left = g.left();
}

void QtPlatform::SetPanelSize(int panel, int height, int width) {
    Panel* p = FindPanel(panel);
    if (!p || p->tabPage || height <= 0 || width <= 0) return;
    p->widget->resize(width, height);
}

void QtPlatform::GetPanelSize(int panel, int& height, int& width) {
    const Panel* p = FindPanel(panel);
    height = width = 0;
    if (!p) return;
    height = p->widget->height();
    width = p->widget->width();
}

void QtPlatform::CenterPanel(int panel) {
    Panel* p = FindPanel(panel);
    if (!p || p->tabPage) return;
    QWidget* w = p->widget;
    if (!p->topLevel) {
        const QWidget* parent = w->parentWidget();
        if (parent)
            w->move((parent->width() - w->width()) / 2, (parent->height() - w->height()) / 2);
        return;
    }
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect avail = screen->availableGeometry();
    const QRect frame = w->frameGeometry();
    const QRect client = w->geometry();
    const int dx = client.left() - frame.left(), dy = client.top() - frame.top();
    const int left = avail.left() + (avail.width() - frame.width()) / 2 + dx;
    const int top = avail.top() + (avail.height() - frame.height()) / 2 + dy;
    SetPanelPos(panel, top, left);
}

void QtPlatform::SetPanelZoomState(int panel, int zoom) {
    Panel* p = FindPanel(panel);
    if (!p || !p->topLevel) return;
    p->zoom = zoom;
    if (!p->widget->isVisible() && !p->widget->isMinimized()) return;
    if (zoom == ZOOM_MAXIMIZED)
        p->widget->showMaximized();
    else if (zoom == ZOOM_MINIMIZED)
        p->widget->showMinimized();
    else
        p->widget->showNormal();
}

int QtPlatform::GetPanelZoomState(int panel) {
    const Panel* p = FindPanel(panel);
    if (!p || !p->topLevel) return ZOOM_NORMAL;
    if (!p->displayed) return p->zoom;
    if (p->widget->isMinimized()) return ZOOM_MINIMIZED;
    if (p->widget->isMaximized()) return ZOOM_MAXIMIZED;
    return ZOOM_NORMAL;
}

int QtPlatform::ScreenCount() {
    return static_cast<int>(QGuiApplication::screens().size());
}

void QtPlatform::GetScreenRect(int screen, int& top, int& left, int& height, int& width) {
    top = left = height = width = 0;
    const auto screens = QGuiApplication::screens();
    if (screen < 0 || screen >= screens.size()) return;
    const QRect r = screens[screen]->availableGeometry();
    top = r.top();
    left = r.left();
    height = r.height();
    width = r.width();
}

// ---- tab control -------------------------------------------------------------------------

void QtPlatform::SetActiveTabPage(int panel, int tabCtrl, int pageIndex) {
    Control* c = Find(panel, tabCtrl);
    if (!c || c->kind != CtrlKind::Tab || pageIndex < 0 ||
        pageIndex >= static_cast<int>(c->pages.size()))
        return;
    c->settingValue = true;
    c->Tab()->setCurrentIndex(pageIndex);
    c->settingValue = false;
    c->tabIndex = pageIndex;
}

int QtPlatform::GetActiveTabPage(int panel, int tabCtrl) {
    const Control* c = Find(panel, tabCtrl);
    return c && c->kind == CtrlKind::Tab ? c->Tab()->currentIndex() : 0;
}

}  // namespace lq::qt
