#include "cli/console_platform.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>

namespace lq::cli {

ConsolePlatform::ConsolePlatform() = default;

// ---- event loop -----------------------------------------------------------------

int ConsolePlatform::RunUserInterface() {
    while (quitRequested == 0) Dispatch(-1);
    quitRequested = 0;
    return quitCode_;
}

void ConsolePlatform::QuitUserInterface(int code) {
    quitCode_ = code;
    quitRequested = 1;
}

void ConsolePlatform::ProcessSystemEvents() {
    Dispatch(0);
}

void ConsolePlatform::WaitForEvents(double maxSeconds) {
    if (!(maxSeconds > 0.0)) maxSeconds = 0.0;
    if (maxSeconds > 3600.0) maxSeconds = 3600.0;
    // Rounded up, so that a wait never ends just before its limit.
    Dispatch(static_cast<int>(maxSeconds * 1000.0 + 0.999));
}

int ConsolePlatform::AddFdWatch(int fd, std::function<void()> onReadable) {
    for (Watch& w : watches_) {
        // A slot whose function is running (its watch removed by itself) is
        // not reused until that function has returned.
        if (w.id != 0 || w.running > 0) continue;
        w.id = ++nextWatchId_;
        w.fd = fd;
        w.fn = std::move(onReadable);
        pollStale_ = true;
        return w.id;
    }
    return 0;
}

void ConsolePlatform::RemoveFdWatch(int watchId) {
    if (watchId <= 0) return;
    for (Watch& w : watches_) {
        if (w.id != watchId) continue;
        // The function itself stays until the slot is reused: it may be the
        // one that is running.
        w.id = 0;
        w.fd = -1;
        pollStale_ = true;
    }
}

double ConsolePlatform::Timer() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void ConsolePlatform::Sleep(int milliseconds) {
    if (milliseconds <= 0) return;
    timespec ts{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    // Sleeps the whole time, also when a signal interrupts it.
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

void ConsolePlatform::Dispatch(int ms) {
    // The poll set is rebuilt only when a watch was added or removed, so a
    // pass of the live loop costs one poll() and the ready callbacks.
    if (pollStale_) {
        pollCount_ = 0;
        for (int i = 0; i < kMaxWatches; ++i) {
            if (watches_[i].id == 0) continue;
            pollFds_[pollCount_] = pollfd{watches_[i].fd, POLLIN, 0};
            pollIds_[pollCount_] = watches_[i].id;
            pollSlots_[pollCount_++] = i;
        }
        pollStale_ = false;
    }
    // A signal ends the wait early (poll fails with EINTR); the caller's
    // clock decides whether to wait on.
    const nfds_t n = static_cast<nfds_t>(pollCount_);
    if (poll(n > 0 ? pollFds_ : nullptr, n, ms) <= 0) return;
    // Copied: a callback may change the watches and so the cached set, and
    // may dispatch again itself.
    int ready[kMaxWatches];
    int readyIds[kMaxWatches];
    int count = 0;
    for (nfds_t i = 0; i < n; ++i) {
        if (pollFds_[i].revents == 0) continue;
        ready[count] = pollSlots_[i];
        readyIds[count++] = pollIds_[i];
    }
    for (int k = 0; k < count; ++k) {
        Watch& w = watches_[ready[k]];
        // Removed (or removed and replaced) by an earlier callback of this pass.
        if (w.id != readyIds[k]) continue;
        ++w.running;
        w.fn();
        --w.running;
    }
}

// ---- panels and controls ----------------------------------------------------------

int ConsolePlatform::LoadPanel(int, const std::string&, int resource) {
    // No resource file is needed: the handle is the resource number.
    if (resource < 1 || resource >= kPanels) return -1;
    return resource;
}

int ConsolePlatform::GetPanelHandleFromTabPage(int panel, int tabCtrl, int pageIndex) {
    if (panel != MAINP || tabCtrl != TAB_MAIN1) return -1;
    if (pageIndex == 0) return TP_CONNECT;
    if (pageIndex == 1) return TP_ASSIST;
    return -1;
}

void ConsolePlatform::SetPanelTitle(int panel, const std::string& title) {
    if (panel >= 1 && panel < kPanels) panels_[panel].title = title;
}

std::string ConsolePlatform::GetPanelTitle(int panel) {
    if (panel >= 1 && panel < kPanels) return panels_[panel].title;
    return {};
}

void ConsolePlatform::SetActiveTabPage(int panel, int, int pageIndex) {
    if (panel >= 1 && panel < kPanels) panels_[panel].activePage = pageIndex;
}

int ConsolePlatform::GetActiveTabPage(int panel, int) {
    if (panel >= 1 && panel < kPanels) return panels_[panel].activePage;
    return 0;
}

ConsolePlatform::Control* ConsolePlatform::Find(int panel, int ctrl) {
    if (panel < 1 || panel >= kPanels || ctrl <= CTRL_NONE || ctrl >= CTRL_COUNT) return nullptr;
    return &panels_[panel].controls[ctrl];
}

void ConsolePlatform::SetCtrlVal(int panel, int ctrl, double value) {
    if (Control* c = Find(panel, ctrl)) c->value = value;
}

void ConsolePlatform::SetCtrlVal(int panel, int ctrl, std::string_view text) {
    Control* c = Find(panel, ctrl);
    if (c == nullptr) return;
    if (ctrl == EDIT_TEXT_BOX_STATUS) {  // the one text box: it grows
        c->text.append(text);
        if (onTextBoxAppend) onTextBoxAppend(panel, ctrl, text);
    } else {
        c->text.assign(text);
    }
}

double ConsolePlatform::GetCtrlValDouble(int panel, int ctrl) {
    const Control* c = Find(panel, ctrl);
    return c != nullptr ? c->value : 0.0;
}

std::string ConsolePlatform::GetCtrlValString(int panel, int ctrl) {
    const Control* c = Find(panel, ctrl);
    return c != nullptr ? c->text : std::string();
}

void ConsolePlatform::ResetTextBox(int panel, int ctrl, std::string_view text) {
    if (Control* c = Find(panel, ctrl)) c->text.assign(text);
}

void ConsolePlatform::SetCtrlDimmed(int panel, int ctrl, bool dimmed) {
    if (Control* c = Find(panel, ctrl)) c->dimmed = dimmed;
}

bool ConsolePlatform::GetCtrlDimmed(int panel, int ctrl) {
    const Control* c = Find(panel, ctrl);
    return c != nullptr && c->dimmed;
}

void ConsolePlatform::SetCtrlVisible(int panel, int ctrl, bool visible) {
    if (Control* c = Find(panel, ctrl)) c->visible = visible;
}

bool ConsolePlatform::GetCtrlVisible(int panel, int ctrl) {
    const Control* c = Find(panel, ctrl);
    return c != nullptr && c->visible;
}

void ConsolePlatform::SetCtrlTooltip(int panel, int ctrl, const std::string& text) {
    if (Control* c = Find(panel, ctrl)) c->tooltip = text;
}

std::string ConsolePlatform::GetCtrlTooltip(int panel, int ctrl) {
    const Control* c = Find(panel, ctrl);
    return c != nullptr ? c->tooltip : std::string();
}

void ConsolePlatform::SetCtrlPrecision(int panel, int ctrl, int digits) {
    if (Control* c = Find(panel, ctrl)) c->precision = digits;
}

int ConsolePlatform::GetCtrlPrecision(int panel, int ctrl) {
    const Control* c = Find(panel, ctrl);
    return c != nullptr ? c->precision : 0;
}

// ---- popups -----------------------------------------------------------------------

void ConsolePlatform::Print(const std::string& title, const std::string& text) {
    if (messages == nullptr) return;
    std::fprintf(messages, "%s\n%s", title.c_str(), text.c_str());
    if (text.empty() || text.back() != '\n') std::fputc('\n', messages);
    std::fflush(messages);
}

void ConsolePlatform::MessagePopup(const std::string& title, const std::string& text) {
    Print(title, text);
}

int ConsolePlatform::ConfirmPopup(const std::string& title, const std::string& text) {
    ++confirmsAsked;
    const int answer = confirmAnswer == 1 ? 1 : 0;
    if (answer == 0) ++confirmsRefused;
    Print(title, text + (answer == 1 ? "\n-> YES" : "\n-> NO"));
    return answer;
}

int ConsolePlatform::GenericMessagePopup(const std::string& title, const std::string& text,
                                         const std::string&, const std::string&, std::string* entry,
                                         int, int, int) {
    lastGenericText = text;
    if (entry != nullptr) entry->clear();
    if (echoGeneric) Print(title, text);
    return genericAnswer == 1 ? 1 : 2;
}

int ConsolePlatform::FileSelectPopup(const FileSelectRequest&, std::string& path) {
    if (fileAnswer.empty()) return FILE_SELECT_CANCELLED;
    path = fileAnswer;
    struct stat st {};
    return stat(fileAnswer.c_str(), &st) == 0 ? FILE_SELECT_EXISTING : FILE_SELECT_NEW;
}

std::string ConsolePlatform::GetProjectDir() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string path(buf, static_cast<size_t>(n));
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return slash == 0 ? "/" : ".";
    return path.substr(0, slash);
}

// ---- what a console does not draw ----------------------------------------------

void ConsolePlatform::SetWaitCursor(bool) {}
void ConsolePlatform::SetCallbackResolver(const CallbackResolver*, void*) {}
void ConsolePlatform::DisplayPanel(int) {}
void ConsolePlatform::DiscardPanel(int) {}
void ConsolePlatform::SetPanelPos(int, int, int) {}
void ConsolePlatform::GetPanelPos(int, int& top, int& left) {
    top = left = 0;
}
void ConsolePlatform::SetPanelSize(int, int, int) {}
void ConsolePlatform::GetPanelSize(int, int& height, int& width) {
    height = width = 0;
}
void ConsolePlatform::CenterPanel(int) {}
void ConsolePlatform::SetPanelZoomState(int, int) {}
int ConsolePlatform::GetPanelZoomState(int) {
    return ZOOM_NORMAL;
}
int ConsolePlatform::ScreenCount() {
    return 0;
}
void ConsolePlatform::GetScreenRect(int, int& top, int& left, int& height, int& width) {
    top = left = height = width = 0;
}
void ConsolePlatform::SetCtrlPos(int, int, int, int) {}
void ConsolePlatform::SetCtrlFrameColor(int, int, uint32_t) {}
uint32_t ConsolePlatform::GetCtrlFrameColor(int, int) {
    return 0;
}
void ConsolePlatform::SetCtrlTextSelection(int, int, int, int) {}
int ConsolePlatform::NewTextMessage(int, const std::string&, int, int, int, uint32_t, uint32_t) {
    return CTRL_COUNT + 1;
}
int ConsolePlatform::DisplayImageFile(int, int, const std::string&) {
    return -1;
}
void ConsolePlatform::HideBuiltInCtrlMenuItems(int, int) {}
void ConsolePlatform::SetTableCellVal(int, int, Point, int) {}
int ConsolePlatform::GetTableCellVal(int, int, Point) {
    return 0;
}
void ConsolePlatform::SetTableCellRangeBgColor(int, int, Rect, uint32_t) {}
uint32_t ConsolePlatform::GetTableCellBgColor(int, int, Point) {
    return 0;
}
void ConsolePlatform::SetActiveTableCell(int, int, Point) {}
Point ConsolePlatform::GetActiveTableCell(int, int) {
    return {};
}
void ConsolePlatform::DeleteGraphPlots(int, int) {}
void ConsolePlatform::PlotArc(int, int, double, double, double, double, int, int, uint32_t,
                              uint32_t) {}
void ConsolePlatform::SetAxisRange(int, int, Axis, double, double) {}
void ConsolePlatform::GetAxisRange(int, int, Axis, double& min, double& max) {
    min = max = 0;
}
void ConsolePlatform::SetGraphCursor(int, int, int, double, double) {}
void ConsolePlatform::SetStripPointsPerScreen(int, int, int) {}
void ConsolePlatform::PlotStripChart(int, int, const double*, int) {}
void ConsolePlatform::AttachDropDown(int, int, DropDownHooks*) {}
void ConsolePlatform::SetDropDownVisible(int, int, bool) {}
void ConsolePlatform::SetDropDownFrameColor(int, int, uint32_t) {}
int ConsolePlatform::GetCtrlMaxLength(int, int) {
    return 0;
}

}  // namespace lq::cli
