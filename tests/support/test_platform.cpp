// The in-memory platform used by the tests. Controls come from the real
// user-interface resource, so a test sees exactly the controls, kinds and
// initial values the program sees on screen.
#include "tests/support/test_platform.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <memory>
#include <thread>

namespace lq {

namespace {

std::string Describe(int panel, int ctrl) {
    std::string name(CtrlName(static_cast<Ctrl>(ctrl)));
    if (name.empty()) name = std::to_string(ctrl);
    return "panel " + std::to_string(panel) + " " + name;
}

bool IsTextKind(CtrlKind k) {
    return k == CtrlKind::String || k == CtrlKind::TextBox || k == CtrlKind::TextMessage;
}

bool IsValueKind(CtrlKind k) {
    return k == CtrlKind::Numeric || k == CtrlKind::Ring || k == CtrlKind::Slide ||
           k == CtrlKind::RadioButton || k == CtrlKind::Tab;
}

double RealSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

namespace {

struct Queued {
    int remaining;
    std::function<void()> fn;
};
struct Watch {
    int fd;
    std::function<void()> fn;
};
struct Answer {
    int answer;
    std::string entry;
};

// What building a panel needs to know beside the resource.
struct PanelWorld {
    std::map<int, PanelState>& panels;
    std::map<std::pair<int, int>, std::vector<int>>& tabPages;
    int& nextHandle;
    const CallbackResolver* resolver;
};

}  // namespace

struct TestPlatform::Impl {
    std::vector<std::unique_ptr<UirDocument>> docs;
    std::map<int, PanelState> panels;
    std::map<std::pair<int, int>, std::vector<int>> tabPages;  // (panel, tab ctrl) -> pages
    int nextHandle = 1;
    int nextTextMessage = CTRL_COUNT + 1;
    std::deque<Queued> queue;
    std::map<int, Watch> watches;
    int nextWatch = 1;
    const CallbackResolver* resolver = nullptr;
    void* callbackData = nullptr;
    std::deque<Answer> answers;
    std::deque<std::pair<int, std::string>> fileAnswers;
    ControlState dummy;
};

TestPlatform::TestPlatform() : impl_(new Impl) {}
TestPlatform::~TestPlatform() {
    delete impl_;
}

std::string TestUirPath() {
    return std::string(LQ_RUNTIME_DIR) + "/LumiquadTalvernV1_2.uir";
}

// ---- lookup ---------------------------------------------------------------------

PanelState* TestPlatform::PanelOf(int panel) {
    auto it = impl_->panels.find(panel);
    return it == impl_->panels.end() ? nullptr : &it->second;
}

bool TestPlatform::Has(int panel, int ctrl) {
    PanelState* p = PanelOf(panel);
    return p && p->controls.count(ctrl) != 0;
}

ControlState& TestPlatform::Ctl(int panel, int ctrl) {
    PanelState* p = PanelOf(panel);
    if (p) {
        auto it = p->controls.find(ctrl);
        if (it != p->controls.end()) return it->second;
    }
    ADD_FAILURE() << "no control " << Describe(panel, ctrl);
    impl_->dummy = ControlState{};
    return impl_->dummy;
}

int TestPlatform::HandleOf(int resource) {
    for (auto& [h, p] : impl_->panels)
        if (p.resource == resource) return h;
    return 0;
}

namespace {

// The control a program call addresses, or nullptr (noted as an error) when
// the panel or the control does not exist or the panel has been discarded.
ControlState* Target(TestPlatform& tp, int panel, int ctrl, const char* op) {
    PanelState* p = tp.PanelOf(panel);
    if (!p || p->discarded) {
        tp.errors.push_back(std::string(op) + ": no panel " + std::to_string(panel));
        return nullptr;
    }
    auto it = p->controls.find(ctrl);
    if (it == p->controls.end()) {
        tp.errors.push_back(std::string(op) + ": no control " + Describe(panel, ctrl));
        return nullptr;
    }
    return &it->second;
}

PanelState* TargetPanel(TestPlatform& tp, int panel, const char* op) {
    PanelState* p = tp.PanelOf(panel);
    if (!p || p->discarded) {
        tp.errors.push_back(std::string(op) + ": no panel " + std::to_string(panel));
        return nullptr;
    }
    return p;
}

}  // namespace

// ---- scripting ---------------------------------------------------------------------

void TestPlatform::Queue(std::function<void()> fn, int dispatches) {
    impl_->queue.push_back({dispatches, std::move(fn)});
}

void TestPlatform::QueueCommit(int panel, int ctrl, int dispatches) {
    Queue([this, panel, ctrl] { Commit(panel, ctrl); }, dispatches);
}

void TestPlatform::QueueControlEvent(int panel, int ctrl, int event, int dispatches, int ed1,
                                     int ed2) {
    Queue([this, panel, ctrl, event, ed1, ed2] { ControlEvent(panel, ctrl, event, ed1, ed2); },
          dispatches);
}

namespace {

void FireControl(TestPlatform& tp, void* data, int panel, int ctrl, int event, int ed1, int ed2) {
    PanelState* p = tp.PanelOf(panel);
    if (!p) return;
    auto it = p->callbacks.find(ctrl);
    if (it == p->callbacks.end() || it->second == nullptr) return;
    it->second(panel, ctrl, event, data, ed1, ed2);
}

// Whether the operator could act on the control at all.
bool Operable(TestPlatform& tp, int panel, int ctrl, bool input, const char* what) {
    PanelState* p = tp.PanelOf(panel);
    if (!p || p->discarded || !p->controls.count(ctrl)) {
        tp.refused.push_back(std::string(what) + ": no control " + Describe(panel, ctrl));
        return false;
    }
    const ControlState& c = p->controls.at(ctrl);
    std::string why;
    if (c.dimmed)
        why = "dimmed";
    else if (!c.visible)
        why = "hidden";
    else if (input && c.desc && c.desc->indicator)
        why = "indicator";
    if (why.empty()) return true;
    tp.refused.push_back(std::string(what) + ": " + Describe(panel, ctrl) + " is " + why);
    return false;
}

}  // namespace

void TestPlatform::Commit(int panel, int ctrl) {
    if (!Operable(*this, panel, ctrl, true, "Commit")) return;
    FireControl(*this, impl_->callbackData, panel, ctrl, EVENT_COMMIT, 0, 0);
}

void TestPlatform::Operate(int panel, int ctrl, double value) {
    if (!Operable(*this, panel, ctrl, true, "Operate")) return;
    ControlState& c = PanelOf(panel)->controls.at(ctrl);
    if (c.kind == CtrlKind::Ring && c.desc) {
        const auto& items = c.desc->items;
        if (std::none_of(items.begin(), items.end(),
                         [&](const RingItem& i) { return i.value == value; })) {
            refused.push_back("Operate: " + Describe(panel, ctrl) + " has no item of value " +
                              std::to_string(value));
            return;
        }
    }
    SetCtrlVal(panel, ctrl, value);
    FireControl(*this, impl_->callbackData, panel, ctrl, EVENT_VAL_CHANGED, 0, 0);
    FireControl(*this, impl_->callbackData, panel, ctrl, EVENT_COMMIT, 0, 0);
}

void TestPlatform::OperateText(int panel, int ctrl, const std::string& text) {
    if (!Operable(*this, panel, ctrl, true, "OperateText")) return;
    ControlState& c = PanelOf(panel)->controls.at(ctrl);
    std::string t = text;
    const int max = c.desc ? c.desc->maxLength : 0;
    if (max > 0 && static_cast<int>(t.size()) > max) t.resize(static_cast<size_t>(max));
    c.text = t;
    c.selStart = static_cast<int>(t.size());
    c.selLength = 0;
    ++c.setCount;
    FireControl(*this, impl_->callbackData, panel, ctrl, EVENT_VAL_CHANGED, 0, 0);
    FireControl(*this, impl_->callbackData, panel, ctrl, EVENT_COMMIT, 0, 0);
}

void TestPlatform::ControlEvent(int panel, int ctrl, int event, int ed1, int ed2) {
    if (!Has(panel, ctrl)) {
        refused.push_back("ControlEvent: no control " + Describe(panel, ctrl));
        return;
    }
    FireControl(*this, impl_->callbackData, panel, ctrl, event, ed1, ed2);
}

void TestPlatform::PanelEvent(int panel, int event, int ed1, int ed2) {
    PanelState* p = PanelOf(panel);
    if (!p || p->discarded) {
        refused.push_back("PanelEvent: no panel " + std::to_string(panel));
        return;
    }
    if (p->callback) p->callback(panel, event, impl_->callbackData, ed1, ed2);
}

void TestPlatform::ChangeTab(int panel, int tabCtrl, int pageIndex) {
    if (!Operable(*this, panel, tabCtrl, false, "ChangeTab")) return;
    ControlState& c = PanelOf(panel)->controls.at(tabCtrl);
    const int old = c.activePage;
    c.activePage = pageIndex;
    c.value = pageIndex;
    FireControl(*this, impl_->callbackData, panel, tabCtrl, EVENT_ACTIVE_TAB_CHANGE, old,
                pageIndex);
}

void TestPlatform::PressKey(int panel, int functionKey) {
    const std::string key = "F" + std::to_string(functionKey);
    // The key goes to the window: the panel itself and every panel inside it.
    std::vector<int> scope{panel};
    for (size_t i = 0; i < scope.size(); ++i)
        for (auto& [h, p] : impl_->panels)
            if (p.parent == scope[i] && !p.discarded) scope.push_back(h);
    for (int h : scope) {
        for (auto& [id, c] : impl_->panels.at(h).controls) {
            if (c.desc && c.desc->shortcut == key) {
                Commit(h, id);
                return;
            }
        }
    }
    refused.push_back("PressKey: no control bound to " + key);
}

void TestPlatform::TypeText(int panel, int ctrl, const std::string& text) {
    for (unsigned char ch : text) {
        if (!Operable(*this, panel, ctrl, true, "TypeText")) return;
        ControlState& c = PanelOf(panel)->controls.at(ctrl);
        if (c.dropDown) c.dropDown->OnKey(ch);
        FireControl(*this, impl_->callbackData, panel, ctrl, EVENT_KEYPRESS, ch, 0);
        const int size = static_cast<int>(c.text.size());
        const int start = std::clamp(c.selStart, 0, size);
        const int length = std::clamp(c.selLength, 0, size - start);
        const int max = c.desc ? c.desc->maxLength : 0;
        if (max > 0 && size - length + 1 > max) continue;  // the field takes no more
        c.text.replace(static_cast<size_t>(start), static_cast<size_t>(length), 1,
                       static_cast<char>(ch));
        c.selStart = start + 1;
        c.selLength = 0;
        if (c.dropDown) c.dropDown->OnTextEdited();
        FireControl(*this, impl_->callbackData, panel, ctrl, EVENT_VAL_CHANGED, 0, 0);
    }
}

void TestPlatform::PressBackspace(int panel, int ctrl) {
    if (!Operable(*this, panel, ctrl, true, "PressBackspace")) return;
    ControlState& c = PanelOf(panel)->controls.at(ctrl);
    if (c.dropDown) c.dropDown->OnKey(0);
    FireControl(*this, impl_->callbackData, panel, ctrl, EVENT_KEYPRESS, 0, 0);
    const int size = static_cast<int>(c.text.size());
    int start = std::clamp(c.selStart, 0, size);
    int length = std::clamp(c.selLength, 0, size - start);
    if (length == 0) {
        if (start == 0) return;  // nothing before the caret
        --start;
        length = 1;
    }
    c.text.erase(static_cast<size_t>(start), static_cast<size_t>(length));
    c.selStart = start;
    c.selLength = 0;
    if (c.dropDown) c.dropDown->OnTextEdited();
    FireControl(*this, impl_->callbackData, panel, ctrl, EVENT_VAL_CHANGED, 0, 0);
}

void TestPlatform::PickDropDownItem(int panel, int ctrl, int index) {
    if (!Operable(*this, panel, ctrl, true, "PickDropDownItem")) return;
    ControlState& c = PanelOf(panel)->controls.at(ctrl);
    if (!c.dropDown || !c.dropDownVisible) {
        refused.push_back("PickDropDownItem: " + Describe(panel, ctrl) + " shows no drop-down");
        return;
    }
    if (index < 0 || index >= c.dropDown->ItemCount()) {
        refused.push_back("PickDropDownItem: no item " + std::to_string(index));
        return;
    }
    c.dropDown->OnPick(index);
}

void TestPlatform::AnswerPopup(int answer, const std::string& entry) {
    impl_->answers.push_back({answer, entry});
}

void TestPlatform::AnswerFileDialog(int result, const std::string& path) {
    impl_->fileAnswers.emplace_back(result, path);
}

// ---- event loop ----------------------------------------------------------------------

namespace {

// Calls the callbacks of the watched descriptors that are ready. Returns
// whether any was. Waits at most timeoutMs for readiness (0: just look).
bool PollWatches(std::map<int, Watch>& watches, int timeoutMs) {
    if (watches.empty()) return false;
    std::vector<pollfd> fds;
    std::vector<int> ids;
    for (auto& [id, w] : watches) {
        fds.push_back(pollfd{w.fd, POLLIN, 0});
        ids.push_back(id);
    }
    const int n = ::poll(fds.data(), fds.size(), timeoutMs);
    if (n <= 0) return false;
    bool any = false;
    for (size_t i = 0; i < fds.size(); ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        auto it = watches.find(ids[i]);  // an earlier callback may have removed it
        if (it == watches.end()) continue;
        any = true;
        auto fn = it->second.fn;  // the callback may remove its own watch
        fn();
    }
    return any;
}

// Takes the queued entries that are due out of the queue (so that nested
// dispatches from inside them see only the rest), counts the others down,
// and runs the due ones in order. Returns whether any ran.
bool RunDue(std::deque<Queued>& queue) {
    std::vector<std::function<void()>> due;
    for (auto it = queue.begin(); it != queue.end();) {
        if (it->remaining <= 0) {
            due.push_back(std::move(it->fn));
            it = queue.erase(it);
        } else {
            --it->remaining;
            ++it;
        }
    }
    for (auto& fn : due) fn();
    return !due.empty();
}

}  // namespace

void TestPlatform::ProcessSystemEvents() {
    ++dispatchCount;
    RunDue(impl_->queue);
    PollWatches(impl_->watches, 0);
}

void TestPlatform::WaitForEvents(double maxSeconds) {
    ++dispatchCount;
    if (maxSeconds < 0) maxSeconds = 0;
    bool any = RunDue(impl_->queue);
    if (PollWatches(impl_->watches, 0)) any = true;
    if (any) return;
    if (realClock) {
        const int ms = static_cast<int>(std::ceil(maxSeconds * 1000.0));
        if (impl_->watches.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        else
            PollWatches(impl_->watches, ms);
        return;
    }
    const double grace = std::min(maxSeconds, realGraceSeconds);
    if (!impl_->watches.empty() &&
        PollWatches(impl_->watches, static_cast<int>(std::ceil(grace * 1000.0))))
        return;
    now += maxSeconds;
}

int TestPlatform::AddFdWatch(int fd, std::function<void()> onReadable) {
    const int id = impl_->nextWatch++;
    impl_->watches[id] = {fd, std::move(onReadable)};
    return id;
}

void TestPlatform::RemoveFdWatch(int watchId) {
    impl_->watches.erase(watchId);
}

int TestPlatform::RunUserInterface() {
    running = true;
    idleExit = false;
    loopPasses = 0;
    if (onLoopStart) onLoopStart();
    while (!quitRequested) {
        ++dispatchCount;
        ++loopPasses;
        bool any = RunDue(impl_->queue);
        if (quitRequested) break;
        if (PollWatches(impl_->watches, 0)) any = true;
        if (any || !impl_->queue.empty()) continue;
        if (PollWatches(impl_->watches, static_cast<int>(std::ceil(realGraceSeconds * 1000.0))))
            continue;
        idleExit = true;
        break;
    }
    running = false;
    return quitCode;
}

void TestPlatform::QuitUserInterface(int code) {
    quitRequested = 1;
    quitCode = code;
}

double TestPlatform::Timer() {
    return realClock ? RealSeconds() : now;
}

void TestPlatform::Sleep(int milliseconds) {
    if (milliseconds < 0) milliseconds = 0;
    sleptMilliseconds += milliseconds;
    if (realClock)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    else
        now += milliseconds / 1000.0;
}

void TestPlatform::SetWaitCursor(bool on) {
    waitCursor = on ? 1 : 0;
}

// ---- panels ----------------------------------------------------------------------------

namespace {

void ResolveCallbacks(PanelState& p, const PanelDesc& desc, const CallbackResolver* r) {
    p.callback = r && !desc.callback.empty() ? r->Panel(desc.callback) : nullptr;
    for (auto& [id, c] : p.controls) {
        if (!c.desc) continue;
        p.callbacks[id] = r && !c.desc->callback.empty() ? r->Control(c.desc->callback) : nullptr;
    }
}

}  // namespace

void TestPlatform::SetCallbackResolver(const CallbackResolver* resolver, void* callbackData) {
    impl_->resolver = resolver;
    impl_->callbackData = callbackData;
    // Panels loaded before get their callbacks now.
    for (auto& [h, p] : impl_->panels)
        if (p.desc) ResolveCallbacks(p, *p.desc, resolver);
}

namespace {

int CreatePanel(PanelWorld& world, const UirDocument& doc, const PanelDesc& pd, int parent) {
    const int handle = world.nextHandle++;
    PanelState& p = world.panels[handle];
    p.desc = &pd;
    p.resource = pd.resource;
    p.parent = parent;
    p.title = pd.title;
    p.top = pd.top;
    p.left = pd.left;
    p.width = pd.width;
    p.height = pd.height;
    for (const ControlDesc& cd : pd.controls) {
        ControlState& c = p.controls[cd.id];
        c.desc = &cd;
        c.kind = cd.kind;
        c.value = cd.initialValue;
        c.text = cd.initialText;
        c.selStart = static_cast<int>(c.text.size());
        c.dimmed = cd.dimmed;
        c.visible = cd.visible;
        c.precision = cd.precision;
        c.frameColor = cd.frameColor;
        c.top = cd.top;
        c.left = cd.left;
        c.xMin = cd.xMin;
        c.xMax = cd.xMax;
        c.yMin = cd.yMin;
        c.yMax = cd.yMax;
        if (cd.kind == CtrlKind::Graph)
            c.cursors.assign(static_cast<size_t>(std::max(cd.cursors, 0)), {0.0, 0.0});
        if (cd.kind == CtrlKind::Tab) c.activePage = static_cast<int>(cd.initialValue);
    }
    ResolveCallbacks(p, pd, world.resolver);
    for (const ControlDesc& cd : pd.controls) {
        for (const std::string& page : cd.pages) {
            const PanelDesc* pageDesc = doc.FindByName(page);
            if (pageDesc)
                world.tabPages[{handle, cd.id}].push_back(
                    CreatePanel(world, doc, *pageDesc, handle));
        }
    }
    return handle;
}

}  // namespace

int TestPlatform::LoadPanel(int parentPanel, const std::string& uirPath, int resource) {
    const std::string path = uirOverride.empty() ? uirPath : uirOverride;
    if (parentPanel != 0 && !TargetPanel(*this, parentPanel, "LoadPanel")) return -1;
    auto doc = std::make_unique<UirDocument>();
    if (const int r = LoadUir(path, *doc); r < 0) {
        errors.push_back("LoadPanel: cannot load " + path);
        return r;
    }
    const PanelDesc* pd = doc->Find(resource);
    if (!pd) {
        errors.push_back("LoadPanel: no panel " + std::to_string(resource) + " in " + path);
        return -1;
    }
    impl_->docs.push_back(std::move(doc));
    PanelWorld world{impl_->panels, impl_->tabPages, impl_->nextHandle, impl_->resolver};
    return CreatePanel(world, *impl_->docs.back(), *pd, parentPanel);
}

int TestPlatform::GetPanelHandleFromTabPage(int panel, int tabCtrl, int pageIndex) {
    if (!Target(*this, panel, tabCtrl, "GetPanelHandleFromTabPage")) return -1;
    auto it = impl_->tabPages.find({panel, tabCtrl});
    if (it == impl_->tabPages.end() || pageIndex < 0 ||
        pageIndex >= static_cast<int>(it->second.size())) {
        errors.push_back("GetPanelHandleFromTabPage: no page " + std::to_string(pageIndex));
        return -1;
    }
    return it->second[static_cast<size_t>(pageIndex)];
}

void TestPlatform::DisplayPanel(int panel) {
    PanelState* p = TargetPanel(*this, panel, "DisplayPanel");
    if (!p) return;
    p->displayed = true;
    displayOrder.push_back(panel);
    if (onDisplayPanel) onDisplayPanel(panel);
}

void TestPlatform::DiscardPanel(int panel) {
    PanelState* p = TargetPanel(*this, panel, "DiscardPanel");
    if (!p) return;
    p->discarded = true;
    p->displayed = false;
    for (auto& [h, child] : impl_->panels)
        if (child.parent == panel && !child.discarded) DiscardPanel(h);
}

void TestPlatform::SetPanelTitle(int panel, const std::string& title) {
    if (PanelState* p = TargetPanel(*this, panel, "SetPanelTitle")) p->title = title;
}

std::string TestPlatform::GetPanelTitle(int panel) {
    PanelState* p = TargetPanel(*this, panel, "GetPanelTitle");
    return p ? p->title : std::string();
}

void TestPlatform::SetPanelPos(int panel, int top, int left) {
    if (PanelState* p = TargetPanel(*this, panel, "SetPanelPos")) {
        p->top = top;
        p->left = left;
    }
}

void TestPlatform::GetPanelPos(int panel, int& top, int& left) {
    PanelState* p = TargetPanel(*this, panel, "GetPanelPos");
    top = p ? p->top : 0;
    left = p ? p->left : 0;
}

void TestPlatform::SetPanelSize(int panel, int height, int width) {
    if (PanelState* p = TargetPanel(*this, panel, "SetPanelSize")) {
        p->height = height;
        p->width = width;
    }
}

void TestPlatform::GetPanelSize(int panel, int& height, int& width) {
    PanelState* p = TargetPanel(*this, panel, "GetPanelSize");
    height = p ? p->height : 0;
    width = p ? p->width : 0;
}

void TestPlatform::CenterPanel(int panel) {
    if (PanelState* p = TargetPanel(*this, panel, "CenterPanel")) {
        p->top = (screenHeight - p->height) / 2;
        p->left = (screenWidth - p->width) / 2;
    }
}

void TestPlatform::SetPanelZoomState(int panel, int zoom) {
    if (PanelState* p = TargetPanel(*this, panel, "SetPanelZoomState")) p->zoom = zoom;
}

int TestPlatform::GetPanelZoomState(int panel) {
    PanelState* p = TargetPanel(*this, panel, "GetPanelZoomState");
    return p ? p->zoom : 0;
}

int TestPlatform::ScreenCount() {
    return 1;
}

void TestPlatform::GetScreenRect(int screen, int& top, int& left, int& height, int& width) {
    top = left = 0;
    height = screen == 0 ? screenHeight : 0;
    width = screen == 0 ? screenWidth : 0;
}

// ---- tab control -------------------------------------------------------------------------

void TestPlatform::SetActiveTabPage(int panel, int tabCtrl, int pageIndex) {
    ControlState* c = Target(*this, panel, tabCtrl, "SetActiveTabPage");
    if (!c) return;
    auto it = impl_->tabPages.find({panel, tabCtrl});
    if (c->kind != CtrlKind::Tab || it == impl_->tabPages.end() || pageIndex < 0 ||
        pageIndex >= static_cast<int>(it->second.size())) {
        errors.push_back("SetActiveTabPage: no page " + std::to_string(pageIndex));
        return;
    }
    c->activePage = pageIndex;
    c->value = pageIndex;
}

int TestPlatform::GetActiveTabPage(int panel, int tabCtrl) {
    ControlState* c = Target(*this, panel, tabCtrl, "GetActiveTabPage");
    return c ? c->activePage : 0;
}

// ---- control values and attributes ------------------------------------------------------------

void TestPlatform::SetCtrlVal(int panel, int ctrl, double value) {
    ControlState* c = Target(*this, panel, ctrl, "SetCtrlVal");
    if (!c) return;
    if (!IsValueKind(c->kind)) {
        errors.push_back("SetCtrlVal(number): " + Describe(panel, ctrl) + " takes no number");
        return;
    }
    if (c->kind == CtrlKind::Ring && c->desc) {
        const auto& items = c->desc->items;
        if (std::none_of(items.begin(), items.end(),
                         [&](const RingItem& i) { return i.value == value; })) {
            errors.push_back("SetCtrlVal: " + Describe(panel, ctrl) + " has no item of value " +
                             std::to_string(value));
            return;
        }
    }
    if (c->kind == CtrlKind::RadioButton) value = value != 0 ? 1 : 0;
    if (c->kind == CtrlKind::Tab) c->activePage = static_cast<int>(value);
    c->value = value;
    ++c->setCount;
}

void TestPlatform::SetCtrlVal(int panel, int ctrl, std::string_view text) {
    ControlState* c = Target(*this, panel, ctrl, "SetCtrlVal");
    if (!c) return;
    if (!IsTextKind(c->kind)) {
        errors.push_back("SetCtrlVal(text): " + Describe(panel, ctrl) + " takes no text");
        return;
    }
    if (c->kind == CtrlKind::TextBox)
        c->text.append(text);
    else
        c->text.assign(text);
    c->selStart = static_cast<int>(c->text.size());
    c->selLength = 0;
    ++c->setCount;
}

double TestPlatform::GetCtrlValDouble(int panel, int ctrl) {
    ControlState* c = Target(*this, panel, ctrl, "GetCtrlVal");
    if (!c) return 0;
    if (c->kind == CtrlKind::Tab) return c->activePage;
    return c->value;
}

std::string TestPlatform::GetCtrlValString(int panel, int ctrl) {
    ControlState* c = Target(*this, panel, ctrl, "GetCtrlVal");
    if (!c) return {};
    if (IsTextKind(c->kind)) return c->text;
    if (c->kind == CtrlKind::Ring && c->desc)  // the label of the current item
        for (const RingItem& i : c->desc->items)
            if (i.value == c->value) return i.label;
    return {};
}

void TestPlatform::ResetTextBox(int panel, int ctrl, std::string_view text) {
    ControlState* c = Target(*this, panel, ctrl, "ResetTextBox");
    if (!c) return;
    c->text.assign(text);
    c->selStart = static_cast<int>(c->text.size());
    c->selLength = 0;
}

void TestPlatform::SetCtrlDimmed(int panel, int ctrl, bool dimmed) {
    if (ControlState* c = Target(*this, panel, ctrl, "SetCtrlDimmed")) c->dimmed = dimmed;
}

bool TestPlatform::GetCtrlDimmed(int panel, int ctrl) {
    ControlState* c = Target(*this, panel, ctrl, "GetCtrlDimmed");
    return c && c->dimmed;
}

void TestPlatform::SetCtrlVisible(int panel, int ctrl, bool visible) {
    if (ControlState* c = Target(*this, panel, ctrl, "SetCtrlVisible")) c->visible = visible;
}

bool TestPlatform::GetCtrlVisible(int panel, int ctrl) {
    ControlState* c = Target(*this, panel, ctrl, "GetCtrlVisible");
    return c && c->visible;
}

void TestPlatform::SetCtrlPos(int panel, int ctrl, int top, int left) {
    if (ControlState* c = Target(*this, panel, ctrl, "SetCtrlPos")) {
        c->top = top;
        c->left = left;
    }
}

void TestPlatform::SetCtrlTooltip(int panel, int ctrl, const std::string& text) {
    if (ControlState* c = Target(*this, panel, ctrl, "SetCtrlTooltip")) c->tooltip = text;
}

std::string TestPlatform::GetCtrlTooltip(int panel, int ctrl) {
    ControlState* c = Target(*this, panel, ctrl, "GetCtrlTooltip");
    return c ? c->tooltip : std::string();
}

void TestPlatform::SetCtrlPrecision(int panel, int ctrl, int digits) {
    if (ControlState* c = Target(*this, panel, ctrl, "SetCtrlPrecision")) c->precision = digits;
}

int TestPlatform::GetCtrlPrecision(int panel, int ctrl) {
    ControlState* c = Target(*this, panel, ctrl, "GetCtrlPrecision");
    return c ? c->precision : 0;
}

void TestPlatform::SetCtrlFrameColor(int panel, int ctrl, uint32_t rgb) {
    if (ControlState* c = Target(*this, panel, ctrl, "SetCtrlFrameColor")) c->frameColor = rgb;
}

uint32_t TestPlatform::GetCtrlFrameColor(int panel, int ctrl) {
    ControlState* c = Target(*this, panel, ctrl, "GetCtrlFrameColor");
    return c ? c->frameColor : 0;
}

void TestPlatform::SetCtrlTextSelection(int panel, int ctrl, int start, int length) {
    ControlState* c = Target(*this, panel, ctrl, "SetCtrlTextSelection");
    if (!c) return;
    const int size = static_cast<int>(c->text.size());
    c->selStart = std::clamp(start, 0, size);
    c->selLength = std::clamp(length, 0, size - c->selStart);
}

int TestPlatform::NewTextMessage(int panel, const std::string& text, int top, int left,
                                 int pointSize, uint32_t bgColor, uint32_t textColor) {
    PanelState* p = TargetPanel(*this, panel, "NewTextMessage");
    if (!p) return -1;
    const int id = impl_->nextTextMessage++;
    ControlState& c = p->controls[id];
    c.kind = CtrlKind::TextMessage;
    c.text = text;
    c.top = top;
    c.left = left;
    c.pointSize = pointSize;
    c.bgColor = bgColor;
    c.textColor = textColor;
    return id;
}

int TestPlatform::DisplayImageFile(int panel, int ctrl, const std::string& path) {
    ControlState* c = Target(*this, panel, ctrl, "DisplayImageFile");
    if (!c) return -1;
    c->imageRequest = path;
    std::ifstream f(path, std::ios::binary);
    if (!f) return -1;  // the picture keeps what it showed
    c->image = path;
    return 0;
}

void TestPlatform::HideBuiltInCtrlMenuItems(int panel, int ctrl) {
    if (ControlState* c = Target(*this, panel, ctrl, "HideBuiltInCtrlMenuItems"))
        c->builtInMenuHidden = true;
}

// ---- tables ----------------------------------------------------------------------------------

namespace {

bool InTable(const ControlState& c, int column, int row) {
    return c.kind == CtrlKind::Table && c.desc && column >= 1 && row >= 1 &&
           column <= c.desc->columns && row <= c.desc->rows;
}

}  // namespace

void TestPlatform::SetTableCellVal(int panel, int ctrl, Point cell, int value) {
    ControlState* c = Target(*this, panel, ctrl, "SetTableCellVal");
    if (!c) return;
    if (!InTable(*c, cell.column, cell.row)) {
        errors.push_back("SetTableCellVal: no cell " + std::to_string(cell.column) + "," +
                         std::to_string(cell.row));
        return;
    }
    c->cells[{cell.column, cell.row}] = value;
}

int TestPlatform::GetTableCellVal(int panel, int ctrl, Point cell) {
    ControlState* c = Target(*this, panel, ctrl, "GetTableCellVal");
    if (!c) return 0;
    auto it = c->cells.find({cell.column, cell.row});
    return it == c->cells.end() ? 0 : it->second;
}

void TestPlatform::SetTableCellRangeBgColor(int panel, int ctrl, Rect range, uint32_t rgb) {
    ControlState* c = Target(*this, panel, ctrl, "SetTableCellRangeBgColor");
    if (!c) return;
    if (range.height < 1 || range.width < 1 || !InTable(*c, range.left, range.top) ||
        !InTable(*c, range.left + range.width - 1, range.top + range.height - 1)) {
        errors.push_back("SetTableCellRangeBgColor: range outside the table");
        return;
    }
    for (int r = range.top; r < range.top + range.height; ++r)
        for (int col = range.left; col < range.left + range.width; ++col) c->cellBg[{col, r}] = rgb;
}

uint32_t TestPlatform::GetTableCellBgColor(int panel, int ctrl, Point cell) {
    ControlState* c = Target(*this, panel, ctrl, "GetTableCellBgColor");
    if (!c) return 0;
    auto it = c->cellBg.find({cell.column, cell.row});
    return it == c->cellBg.end() ? COLOR_WHITE : it->second;
}

void TestPlatform::SetActiveTableCell(int panel, int ctrl, Point cell) {
    ControlState* c = Target(*this, panel, ctrl, "SetActiveTableCell");
    if (!c) return;
    if (!InTable(*c, cell.column, cell.row)) {
        errors.push_back("SetActiveTableCell: no cell");
        return;
    }
    c->activeCell = cell;
}

Point TestPlatform::GetActiveTableCell(int panel, int ctrl) {
    ControlState* c = Target(*this, panel, ctrl, "GetActiveTableCell");
    return c ? c->activeCell : Point{};
}

// ---- graphs and strip chart
// ----------------------------------------------------------------------

void TestPlatform::DeleteGraphPlots(int panel, int ctrl) {
    if (ControlState* c = Target(*this, panel, ctrl, "DeleteGraphPlots")) c->arcs.clear();
}

void TestPlatform::PlotArc(int panel, int ctrl, double x1, double y1, double x2, double y2,
                           int startAngle, int arcAngle, uint32_t outline, uint32_t fill) {
    ControlState* c = Target(*this, panel, ctrl, "PlotArc");
    if (!c) return;
    c->arcs.push_back({x1, y1, x2, y2, startAngle, arcAngle, outline, fill});
}

void TestPlatform::SetAxisRange(int panel, int ctrl, Axis axis, double min, double max) {
    ControlState* c = Target(*this, panel, ctrl, "SetAxisRange");
    if (!c) return;
    if (axis == Axis::X) {
        c->xMin = min;
        c->xMax = max;
    } else {
        c->yMin = min;
        c->yMax = max;
    }
}

void TestPlatform::GetAxisRange(int panel, int ctrl, Axis axis, double& min, double& max) {
    ControlState* c = Target(*this, panel, ctrl, "GetAxisRange");
    min = !c ? 0 : axis == Axis::X ? c->xMin : c->yMin;
    max = !c ? 0 : axis == Axis::X ? c->xMax : c->yMax;
}

void TestPlatform::SetGraphCursor(int panel, int ctrl, int cursor, double x, double y) {
    ControlState* c = Target(*this, panel, ctrl, "SetGraphCursor");
    if (!c) return;
    if (cursor < 1 || cursor > static_cast<int>(c->cursors.size())) {
        errors.push_back("SetGraphCursor: no cursor " + std::to_string(cursor));
        return;
    }
    c->cursors[static_cast<size_t>(cursor - 1)] = {x, y};
}

void TestPlatform::SetStripPointsPerScreen(int panel, int ctrl, int points) {
    if (ControlState* c = Target(*this, panel, ctrl, "SetStripPointsPerScreen"))
        c->pointsPerScreen = points;
}

void TestPlatform::PlotStripChart(int panel, int ctrl, const double* values, int count) {
    ControlState* c = Target(*this, panel, ctrl, "PlotStripChart");
    if (!c || !values || count <= 0) return;
    c->strip.insert(c->strip.end(), values, values + count);
}

// ---- drop-down history
// ------------------------------------------------------------------------------

void TestPlatform::AttachDropDown(int panel, int ctrl, DropDownHooks* hooks) {
    if (ControlState* c = Target(*this, panel, ctrl, "AttachDropDown")) c->dropDown = hooks;
}

void TestPlatform::SetDropDownVisible(int panel, int ctrl, bool visible) {
    if (ControlState* c = Target(*this, panel, ctrl, "SetDropDownVisible"))
        c->dropDownVisible = visible;
}

void TestPlatform::SetDropDownFrameColor(int panel, int ctrl, uint32_t rgb) {
    if (ControlState* c = Target(*this, panel, ctrl, "SetDropDownFrameColor"))
        c->dropDownFrameColor = rgb;
}

int TestPlatform::GetCtrlMaxLength(int panel, int ctrl) {
    ControlState* c = Target(*this, panel, ctrl, "GetCtrlMaxLength");
    return c && c->desc ? c->desc->maxLength : 0;
}

int TestPlatform::CallCtrlCallback(int panel, int ctrl, int event, int eventData1, int eventData2) {
    PanelState* p = PanelOf(panel);
    if (!p || p->discarded || !p->controls.count(ctrl)) {
        errors.push_back("CallCtrlCallback: no control " + Describe(panel, ctrl));
        return 0;
    }
    auto it = p->callbacks.find(ctrl);
    if (it == p->callbacks.end() || it->second == nullptr) return 0;
    return it->second(panel, ctrl, event, impl_->callbackData, eventData1, eventData2);
}

// ---- popups
// -------------------------------------------------------------------------------------------

namespace {

PopupRecord Record(const char* kind, const std::string& title, const std::string& text,
                   std::vector<std::string> buttons) {
    PopupRecord rec;
    rec.kind = kind;
    rec.title = title;
    rec.text = text;
    rec.buttons = std::move(buttons);
    return rec;
}

// The answer of the handler, when it gives one (>= 0).
bool Handled(const std::function<int(PopupRecord&)>& handler, PopupRecord& rec) {
    if (!handler) return false;
    const int r = handler(rec);
    if (r < 0) return false;
    rec.answer = r;
    return true;
}

}  // namespace

void TestPlatform::MessagePopup(const std::string& title, const std::string& text) {
    PopupRecord rec = Record("message", title, text, {"OK"});
    Handled(popupHandler, rec);
    rec.answer = 1;
    popups.push_back(rec);
}

int TestPlatform::ConfirmPopup(const std::string& title, const std::string& text) {
    PopupRecord rec = Record("confirm", title, text, {"YES", "NO"});
    if (!Handled(popupHandler, rec)) {
        if (!impl_->answers.empty()) {
            rec.answer = impl_->answers.front().answer != 0 ? 1 : 0;
            impl_->answers.pop_front();
        } else {
            rec.answer = 0;
            ++unansweredPopups;
        }
    }
    popups.push_back(rec);
    return rec.answer;
}

int TestPlatform::GenericMessagePopup(const std::string& title, const std::string& text,
                                      const std::string& button1, const std::string& button2,
                                      std::string* entry, int maxEntryLength, int enterButton,
                                      int escapeButton) {
    (void)enterButton;
    PopupRecord rec = Record("generic", title, text, {button1, button2});
    if (!Handled(popupHandler, rec)) {
        if (!impl_->answers.empty()) {
            rec.answer = impl_->answers.front().answer;
            rec.entry = impl_->answers.front().entry;
            impl_->answers.pop_front();
        } else {
            rec.answer = escapeButton == 1 || escapeButton == 2 ? escapeButton : 2;
            ++unansweredPopups;
        }
    }
    if (rec.answer != 1 && rec.answer != 2) rec.answer = 2;
    if (entry) {
        if (maxEntryLength >= 0 && static_cast<int>(rec.entry.size()) > maxEntryLength)
            rec.entry.resize(static_cast<size_t>(maxEntryLength));
        *entry = rec.entry;
    } else {
        rec.entry.clear();
    }
    popups.push_back(rec);
    return rec.answer;
}

int TestPlatform::FileSelectPopup(const FileSelectRequest& request, std::string& path) {
    PopupRecord rec =
        Record("file", request.title, request.defaultDirectory + "/" + request.defaultFileName,
               {request.save ? "SAVE" : "LOAD"});
    rec.file = request;
    std::string chosen;
    if (Handled(popupHandler, rec)) {
        chosen = rec.entry;
    } else if (!impl_->fileAnswers.empty()) {
        rec.answer = impl_->fileAnswers.front().first;
        chosen = impl_->fileAnswers.front().second;
        impl_->fileAnswers.pop_front();
    } else {
        rec.answer = FILE_SELECT_CANCELLED;
        ++unansweredPopups;
    }
    if (rec.answer == FILE_SELECT_EXISTING || rec.answer == FILE_SELECT_NEW) path = chosen;
    rec.entry = chosen;
    popups.push_back(rec);
    return rec.answer;
}

std::string TestPlatform::GetProjectDir() {
    return projectDir;
}

}  // namespace lq
