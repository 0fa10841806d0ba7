// One line of `live` output, formatted without stdio: the loop writes a line
// per record, and printf's general machinery cost more than the exchange.
#pragma once

#include <cstddef>

#include "cli/options.h"

namespace lq::cli {

constexpr size_t kLiveLineMax = 160;

// Writes the line for `time` and the record's seven values (R, G, B, X, Y,
// INT, C-No), newline included, into `out` (kLiveLineMax bytes) and returns
// its length. The bytes are those of "%.6f,%d,...\n" (CSV) or
// "%10.4f %6d ... %5d\n" (table).
size_t FormatLiveLine(char* out, LiveFormat format, double time, const int values[7]);

}  // namespace lq::cli
