// A minimal platform for benchmarks and fuzzing: descriptor watches served by
// poll(), a real or fake clock, and no screen (every panel call is ignored).
// Nothing here allocates after the watches are registered.
#pragma once

#include <poll.h>
#include <time.h>

#include <chrono>
#include <functional>

#include "app/core/platform.h"

namespace lqbench {

class MinPlatform : public lq::Platform {
  public:
    // fakeClock: Timer() advances only when a wait finds nothing ready, by
    // the whole wait, so time-outs pass at once.
    explicit MinPlatform(bool fakeClock = false) : fake_(fakeClock) {}

    long dispatches = 0;
    double now = 1000.0;  // the fake clock

    int RunUserInterface() override { return 0; }
    void QuitUserInterface(int) override {}
    void ProcessSystemEvents() override { Dispatch(0); }
    void WaitForEvents(double maxSeconds) override {
        if (maxSeconds < 0) maxSeconds = 0;
        const int ms = fake_ ? 0 : static_cast<int>(maxSeconds * 1000.0 + 0.999);
        if (!Dispatch(ms) && fake_) now += maxSeconds;
    }
    int AddFdWatch(int fd, std::function<void()> onReadable) override {
        for (int i = 0; i < kMaxWatches; ++i) {
            if (watches_[i].id == 0) {
                watches_[i].fd = fd;
                watches_[i].fn = std::move(onReadable);
                watches_[i].id = ++nextId_;
                return watches_[i].id;
            }
        }
        return 0;
    }
    void RemoveFdWatch(int watchId) override {
        for (Watch& w : watches_)
            if (w.id == watchId && watchId != 0) w.id = 0;  // fn kept: may be running
    }
    double Timer() override {
        if (fake_) return now;
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void Sleep(int milliseconds) override {
        if (fake_) {
            now += milliseconds / 1000.0;
            return;
        }
        timespec ts{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
        nanosleep(&ts, nullptr);
    }
    void SetWaitCursor(bool) override {}

    void SetCallbackResolver(const lq::CallbackResolver*, void*) override {}
    int LoadPanel(int, const std::string&, int) override { return -1; }
    int GetPanelHandleFromTabPage(int, int, int) override { return 0; }
    void DisplayPanel(int) override {}
    void DiscardPanel(int) override {}
    void SetPanelTitle(int, const std::string&) override {}
    std::string GetPanelTitle(int) override { return {}; }
    void SetPanelPos(int, int, int) override {}
    void GetPanelPos(int, int& t, int& l) override { t = l = 0; }
    void SetPanelSize(int, int, int) override {}
    void GetPanelSize(int, int& h, int& w) override { h = w = 0; }
    void CenterPanel(int) override {}
    void SetPanelZoomState(int, int) override {}
    int GetPanelZoomState(int) override { return 0; }
    int ScreenCount() override { return 0; }
    void GetScreenRect(int, int& t, int& l, int& h, int& w) override { t = l = h = w = 0; }
    void SetActiveTabPage(int, int, int) override {}
    int GetActiveTabPage(int, int) override { return 0; }
    void SetCtrlVal(int, int, double) override {}
    void SetCtrlVal(int, int, std::string_view) override {}
    double GetCtrlValDouble(int, int) override { return 0; }
    std::string GetCtrlValString(int, int) override { return {}; }
    void ResetTextBox(int, int, std::string_view) override {}
    void SetCtrlDimmed(int, int, bool) override {}
    bool GetCtrlDimmed(int, int) override { return false; }
    void SetCtrlVisible(int, int, bool) override {}
    bool GetCtrlVisible(int, int) override { return false; }
    void SetCtrlPos(int, int, int, int) override {}
    void SetCtrlTooltip(int, int, const std::string&) override {}
    std::string GetCtrlTooltip(int, int) override { return {}; }
    void SetCtrlPrecision(int, int, int) override {}
    int GetCtrlPrecision(int, int) override { return 0; }
    void SetCtrlFrameColor(int, int, uint32_t) override {}
    uint32_t GetCtrlFrameColor(int, int) override { return 0; }
    void SetCtrlTextSelection(int, int, int, int) override {}
    int NewTextMessage(int, const std::string&, int, int, int, uint32_t, uint32_t) override {
        return 0;
    }
    int DisplayImageFile(int, int, const std::string&) override { return -1; }
    void HideBuiltInCtrlMenuItems(int, int) override {}
    void SetTableCellVal(int, int, lq::Point, int) override {}
    int GetTableCellVal(int, int, lq::Point) override { return 0; }
    void SetTableCellRangeBgColor(int, int, lq::Rect, uint32_t) override {}
    uint32_t GetTableCellBgColor(int, int, lq::Point) override { return 0; }
    void SetActiveTableCell(int, int, lq::Point) override {}
    lq::Point GetActiveTableCell(int, int) override { return {}; }
    void DeleteGraphPlots(int, int) override {}
    void PlotArc(int, int, double, double, double, double, int, int, uint32_t, uint32_t) override {}
    void SetAxisRange(int, int, lq::Axis, double, double) override {}
    void GetAxisRange(int, int, lq::Axis, double& mn, double& mx) override { mn = mx = 0; }
    void SetGraphCursor(int, int, int, double, double) override {}
    void SetStripPointsPerScreen(int, int, int) override {}
    void PlotStripChart(int, int, const double*, int) override {}
    void AttachDropDown(int, int, lq::DropDownHooks*) override {}
    void SetDropDownVisible(int, int, bool) override {}
    void SetDropDownFrameColor(int, int, uint32_t) override {}
    int GetCtrlMaxLength(int, int) override { return 0; }
    void MessagePopup(const std::string&, const std::string&) override {}
    int ConfirmPopup(const std::string&, const std::string&) override { return 0; }
    int GenericMessagePopup(const std::string&, const std::string&, const std::string&,
                            const std::string&, std::string*, int, int, int) override {
        return 2;
    }
    int FileSelectPopup(const lq::FileSelectRequest&, std::string&) override { return 0; }
    std::string GetProjectDir() override { return "."; }

  private:
    static constexpr int kMaxWatches = 8;
    struct Watch {
        int id = 0;
        int fd = -1;
        std::function<void()> fn;
    };

    // Polls the watched descriptors for at most `ms`; runs the callbacks of
    // the ready ones. True when any was ready.
    bool Dispatch(int ms) {
        ++dispatches;
        pollfd fds[kMaxWatches];
        int ids[kMaxWatches];
        int n = 0;
        for (const Watch& w : watches_) {
            if (w.id == 0) continue;
            fds[n] = pollfd{w.fd, POLLIN, 0};
            ids[n++] = w.id;
        }
        if (n == 0) {
            if (ms > 0 && !fake_) Sleep(ms);
            return false;
        }
        if (poll(fds, static_cast<nfds_t>(n), ms) <= 0) return false;
        for (int i = 0; i < n; ++i) {
            if (fds[i].revents == 0) continue;
            for (Watch& w : watches_)
                if (w.id == ids[i]) w.fn();
        }
        return true;
    }

    bool fake_;
    int nextId_ = 0;
    Watch watches_[kMaxWatches];
};

}  // namespace lqbench
