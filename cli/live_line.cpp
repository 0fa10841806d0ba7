#include "cli/live_line.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace lq::cli {
namespace {

// Appends `text` right-aligned in `width` characters, as printf pads.
char* PutPadded(char* p, const char* text, size_t n, size_t width) {
    for (size_t k = n; k < width; ++k) *p++ = ' ';
    std::memcpy(p, text, n);
    return p + n;
}

char* PutInt(char* p, int v, size_t width) {
    char tmp[16];
    const auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
    return PutPadded(p, tmp, static_cast<size_t>(r.ptr - tmp), width);
}

char* PutFixed(char* p, double v, int precision, size_t width) {
    char tmp[64];
    const auto r = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::fixed, precision);
    size_t n = static_cast<size_t>(r.ptr - tmp);
    if (r.ec != std::errc()) {  // too long for the field (not a time of this run)
        const int w = std::snprintf(tmp, sizeof tmp, "%.*e", precision, v);
        n = w > 0 ? static_cast<size_t>(w) : 0;
    }
    return PutPadded(p, tmp, n, width);
}

}  // namespace

size_t FormatLiveLine(char* out, LiveFormat format, double time, const int values[7]) {
    char* p = out;
    if (format == LiveFormat::Csv) {
        p = PutFixed(p, time, 6, 0);
        for (int k = 0; k < 7; ++k) {
            *p++ = ',';
            p = PutInt(p, values[k], 0);
        }
    } else {
        p = PutFixed(p, time, 4, 10);
        for (int k = 0; k < 7; ++k) {
            *p++ = ' ';
            p = PutInt(p, values[k], k == 6 ? 5 : 6);
        }
    }
    *p++ = '\n';
    return static_cast<size_t>(p - out);
}

}  // namespace lq::cli
