// Owners of the link's operating-system resources: a file descriptor that
// closes itself, and an event-loop watch that removes itself. Both live in
// the App (LinkDevices), so nothing is closed by hand and nothing outlives
// its App. Each converts to the plain number (-1 / 0 when there is none) for
// the system calls and for inspection.
#pragma once

#include <functional>

namespace lq {

class EventLoop;

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    // Closes the descriptor held (if any) and takes `fd`.
    void Reset(int fd = -1);
    // Gives the descriptor up without closing it.
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    int Get() const { return fd_; }
    operator int() const { return fd_; }  // NOLINT: used like the descriptor itself

  private:
    int fd_ = -1;
};

class FdWatch {
  public:
    FdWatch() = default;
    ~FdWatch() { Stop(); }
    FdWatch(const FdWatch&) = delete;
    FdWatch& operator=(const FdWatch&) = delete;

    // Watches `fd` on `loop` (a watch held before is removed first).
    void Start(EventLoop& loop, int fd, std::function<void()> onReadable);
    // Removes the watch (harmless when there is none, also from its own callback).
    void Stop();
    int Id() const { return id_; }
    operator int() const { return id_; }  // NOLINT: 0 when not watching

  private:
    EventLoop* loop_ = nullptr;
    int id_ = 0;
};

}  // namespace lq
