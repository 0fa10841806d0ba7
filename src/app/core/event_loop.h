// The event loop: all the device layer needs of a platform. Run and quit,
// dispatch of waiting events (nested dispatch inside a waiting operation
// must work), descriptor watches whose callbacks run from dispatch, a
// monotonic clock and a sleep that dispatches nothing. Every callback runs
// on the one thread that runs the loop.
#pragma once

#include <functional>

namespace lq {

class EventLoop {
  public:
    virtual ~EventLoop() = default;

    // Runs until QuitUserInterface. A quit requested before the loop starts
    // ends it at once. Returns the code passed to QuitUserInterface.
    virtual int RunUserInterface() = 0;
    virtual void QuitUserInterface(int code) = 0;
    // Dispatches every waiting event (callbacks run nested), then returns.
    virtual void ProcessSystemEvents() = 0;
    // Like ProcessSystemEvents, but when nothing is waiting blocks for at most
    // maxSeconds until an event or a watched descriptor becomes ready. Used by
    // the exchange's waits so that a waiting program uses almost no CPU.
    virtual void WaitForEvents(double maxSeconds) = 0;
    // Calls `onReadable` from event dispatch whenever `fd` is readable (or hung
    // up). Returns a watch id (> 0) for RemoveFdWatch (0: no watch was made).
    virtual int AddFdWatch(int fd, std::function<void()> onReadable) = 0;
    virtual void RemoveFdWatch(int watchId) = 0;
    // Monotonic clock in seconds.
    virtual double Timer() = 0;
    // Waits without dispatching any event.
    virtual void Sleep(int milliseconds) = 0;
    // Called while a step blocks (a connect, a blocking read, Sleep): the
    // windows repaint what was uncovered, but no operator event is dispatched
    // and no callback runs.
    virtual void RepaintWhileBlocked() {}
};

// The declarations of an implementation (one list, expanded in each).
#define LQ_EVENT_LOOP_OVERRIDES                                        \
    int RunUserInterface() override;                                   \
    void QuitUserInterface(int code) override;                         \
    void ProcessSystemEvents() override;                               \
    void WaitForEvents(double maxSeconds) override;                    \
    int AddFdWatch(int fd, std::function<void()> onReadable) override; \
    void RemoveFdWatch(int watchId) override;                          \
    double Timer() override;                                           \
    void Sleep(int milliseconds) override

}  // namespace lq
