// lumiquad-cli: the program's sensor operations on the console platform.
// Every command opens the link, identifies the sensor and then runs the very
// session and file operations that the panel's buttons run.
#pragma once

#include <cstdio>

namespace lq::cli {

// The whole tool: parses the arguments, runs the command, returns the exit
// status. Results go to `out`, messages to `err`.
int Main(int argc, const char* const* argv, FILE* out, FILE* err);

}  // namespace lq::cli
