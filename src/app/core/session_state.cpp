#include "app/core/session_state.h"

#include <cstring>
#include <string_view>

namespace lq {

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
