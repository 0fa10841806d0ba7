// For a child process that must meet the file permissions an operator meets:
// root opens any file, so as root the child first becomes the user nobody.
#pragma once

#include <grp.h>
#include <unistd.h>

namespace lq {

inline constexpr uid_t kNobody = 65534;

// True when the process now runs without root's rights.
inline bool DropRootRights() {
    if (geteuid() != 0) return true;
    return setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0 &&
           geteuid() != 0;
}

}  // namespace lq
