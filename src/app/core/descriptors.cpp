#include "app/core/descriptors.h"

#include <unistd.h>

#include <utility>

#include "app/core/event_loop.h"

namespace lq {

void UniqueFd::Reset(int fd) {
    if (fd_ >= 0 && fd_ != fd) close(fd_);
    fd_ = fd;
}

void FdWatch::Start(EventLoop& loop, int fd, std::function<void()> onReadable) {
    Stop();
    loop_ = &loop;
    id_ = loop.AddFdWatch(fd, std::move(onReadable));
}

void FdWatch::Stop() {
    const int id = id_;
    id_ = 0;
    if (id > 0 && loop_ != nullptr) loop_->RemoveFdWatch(id);
}

}  // namespace lq
