// The live line is formatted by hand; its bytes must be those printf gives,
// including rounding of the time, padding and values that overflow a field.
#include "cli/live_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct Case {
    double time;
    int values[7];
};

const Case kCases[] = {
    {0.0, {0, 0, 0, 0, 0, 0, 0}},
    {0.0000005, {1, -1, 32767, -32768, 255, 9, 31}},  // halfway in binary terms
    {0.12345650, {2699, 1801, 901, 4997, 3334, 100, 255}},
    {9.99999951, {-20, 4000, 123456, -1234567, 7, 8, 99999}},
    {12345.678901234, {100, 200, 300, 1500, -20, 4000, 255}},
    {99999.99995, {1, 2, 3, 4, 5, 6, 7}},  // rounds up into an eleventh character
    {1e9 + 0.25, {0, 0, 0, 0, 0, 0, 0}},
};

TEST(LiveLine, BytesEqualThoseOfPrintf) {
    for (const Case& c : kCases) {
        const int* v = c.values;
        char expected[256];
        char got[lq::cli::kLiveLineMax];
        SCOPED_TRACE(c.time);

        std::snprintf(expected, sizeof expected, "%.6f,%d,%d,%d,%d,%d,%d,%d\n", c.time, v[0], v[1],
                      v[2], v[3], v[4], v[5], v[6]);
        size_t n = lq::cli::FormatLiveLine(got, lq::cli::LiveFormat::Csv, c.time, v);
        EXPECT_EQ(std::string(expected), std::string(got, n));

        std::snprintf(expected, sizeof expected, "%10.4f %6d %6d %6d %6d %6d %6d %5d\n", c.time,
                      v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
        n = lq::cli::FormatLiveLine(got, lq::cli::LiveFormat::Table, c.time, v);
        EXPECT_EQ(std::string(expected), std::string(got, n));
    }
}

}  // namespace
