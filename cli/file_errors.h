// The causes of file failures in words, for the tool's messages.
#pragma once

#include <string>

#include "data/ini.h"

namespace lq::cli {

// Why a read or a write failed: "disk full", "permission denied", "not a
// regular file", ... `result` is the store's code, used when the cause is
// not known.
std::string FileErrorText(int result, const IniFileCause& cause);
// The same for a failed system call's errno.
std::string ErrnoText(int err);

}  // namespace lq::cli
