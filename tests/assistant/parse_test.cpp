// The colour-count entry converts like the C library's string-to-integer
// conversion, without its undefined behaviour on huge numbers.
#include <gtest/gtest.h>

#include <climits>

#include "assistant/assistant.h"

namespace lq {
namespace {

TEST(ParseCountEntry, ConvertsLikeStringToInteger) {
    struct Case {
        const char* text;
        int value;
    } const cases[] = {
        {"12abc", 12},
        {"", 0},
        {"abc", 0},
        {"0", 0},
        {"-3", -3},
        {"31", 31},
        {"  7", 7},
        {"\t\n 5", 5},
        {"+4", 4},
        {"0031", 31},
        {"3 1", 3},
        {"- 3", 0},
        {"+-3", 0},
        {"--3", 0},
        {"3.9", 3},
        {" +", 0},
        {"x12", 0},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"99999999999999999999999", INT_MAX},
        {"-99999999999999999999999", INT_MIN},
        {"4294967297", INT_MAX},  // must not wrap round to 1
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseCountEntry(c.text), c.value) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace lq
