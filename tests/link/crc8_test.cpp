#include "link/crc8.h"

#include <gtest/gtest.h>

#include <cstring>

namespace lq {
namespace {

TEST(Crc8, KnownValues) {
    const uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(crc8Update(abc, 0, 0), 0xAA);
    EXPECT_EQ(crc8Update(abc, 0, 3), 0xDE);
    // A string followed by its own CRC checks to zero.
    uint8_t withCrc[] = {'a', 'b', 'c', 0xDE};
    EXPECT_EQ(crc8Update(withCrc, 0, 4), 0);
    // The start index is honoured.
    const uint8_t padded[] = {0xFF, 0xFF, 'a', 'b', 'c'};
    EXPECT_EQ(crc8Update(padded, 2, 3), 0xDE);
}

struct RequestCase {
    int order;
    uint16_t argument;
    uint8_t expected[8];
};

TEST(Crc8, RequestHeaders) {
    const RequestCase cases[] = {
        {7, 0, {0x55, 0x07, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x52}},
        {8, 0, {0x55, 0x08, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x76}},
        {105, 0, {0x55, 0x69, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x82}},
        {2, 2, {0x55, 0x02, 0x02, 0x00, 0x00, 0x00, 0xAA, 0x3A}},
    };
    for (const auto& c : cases) {
        uint8_t frame[16] = {};
        BuildFrameHeader(frame, c.order, c.argument, 0);
        EXPECT_EQ(0, std::memcmp(frame, c.expected, 8)) << "order " << c.order;
        EXPECT_TRUE(HeaderValid(frame));
        for (int i = 0; i < 8; ++i) {
            uint8_t bad[8];
            std::memcpy(bad, frame, 8);
            bad[i] ^= 0x01;
            EXPECT_FALSE(HeaderValid(bad)) << "order " << c.order << " byte " << i;
        }
    }
}

}  // namespace
}  // namespace lq
