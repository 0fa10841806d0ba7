// Windows-1252 bytes from the sensor become UTF-8 for the screen and the
// console; the system's own converter (iconv) is the reference.
#include "data/text1252.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace lq {
namespace {

// The reference conversion of one byte, or nothing when iconv has no
// character for it.
bool Reference(unsigned char b, std::string& out) {
    iconv_t cd = iconv_open("UTF-8", "CP1252");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    char in[1] = {static_cast<char>(b)};
    char buf[8];
    char* inp = in;
    char* outp = buf;
    size_t inLeft = 1, outLeft = sizeof buf;
    const bool ok = iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    if (ok) out.assign(buf, outp);
    return ok;
}

TEST(Cp1252, EveryByteAsTheCodePageDefinesIt) {
    iconv_t probe = iconv_open("UTF-8", "CP1252");
    if (probe == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "no CP1252 in iconv";
    iconv_close(probe);
    int undefined = 0;
    for (int b = 0; b < 256; ++b) {
        std::string want;
        if (!Reference(static_cast<unsigned char>(b), want)) {
            want = "\xEF\xBF\xBD";  // U+FFFD
            ++undefined;
        }
        EXPECT_EQ(Cp1252ToUtf8(std::string(1, static_cast<char>(b))), want) << "byte " << b;
    }
    EXPECT_EQ(undefined, 5);
}

TEST(Cp1252, SensorNameWithQuotesEuroAndAccent) {
    EXPECT_EQ(Cp1252ToUtf8("\x80 \x91Sch\xe9ne\x92"), "€ ‘Schéne’");
    EXPECT_EQ(Cp1252ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
    // Bytes that happen to form UTF-8 are still single Windows-1252 characters.
    EXPECT_EQ(Cp1252ToUtf8("\xc3\xa9"), "Ã©");
    EXPECT_EQ(Cp1252ToUtf8(""), "");
}

}  // namespace
}  // namespace lq
