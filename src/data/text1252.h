// Texts that come from the sensor (its firmware text and its name) are bytes
// of the Windows-1252 code page; the program's own texts, the screen and the
// console take UTF-8. The conversion happens where such a text is shown.
#pragma once

#include <string>
#include <string_view>

namespace lq {

// Each byte as the Windows-1252 character it stands for, in UTF-8. The five
// bytes that code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become
// U+FFFD, the replacement character. Never fails and never drops a byte.
std::string Cp1252ToUtf8(std::string_view bytes);

}  // namespace lq
