#include "app/core/session_state.h"

#include <cstring>
#include <string_view>

#include "app/core/platform.h"

namespace lq {

App::App(Platform& p) : ui(p), loop(p) {}
App::App(Platform& p, SessionEvents& e) : ui(p), loop(p), events(&e) {}

void CopyText(char* dst, size_t size, std::string_view src) {
    if (size == 0) return;
    const size_t n = src.size() < size - 1 ? src.size() : size - 1;
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

void AppendText(char* dst, size_t size, std::string_view src) {
    if (size == 0) return;
    const size_t have = strnlen(dst, size - 1);
    CopyText(dst + have, size - have, src);
}

}  // namespace lq
