#include "data/para.h"

#include <gtest/gtest.h>

namespace lq {
namespace {

TEST(ParaBlock, DefaultsWithFlagZeroKeepCountAndOutmode) {
    ParaBlock p;
    TeachTable t;
    p[MAX_VEC_NO] = 7;
    p[DIGITAL_OUTMODE] = 0;
    LoadDefaultParaValues(p, t, 0);
    EXPECT_EQ(p[MAX_VEC_NO], 7);
    EXPECT_EQ(p[DIGITAL_OUTMODE], 0);
    EXPECT_EQ(p[AVERAGE], 256);
    EXPECT_EQ(p[GAIN], 6);
    EXPECT_EQ(p[DYNWIN_LO], 3200);
    for (int n = 0; n < kTeachVectors; ++n) {
        for (int j = CELL0; j <= CELL5; ++j) EXPECT_EQ(t[n][j], 1);
        EXPECT_EQ(t[n][GROUP], 1);
        EXPECT_EQ(t[n][HOLD], 10);
    }
    LoadDefaultParaValues(p, t, 1);
    EXPECT_EQ(p[MAX_VEC_NO], 1);
    EXPECT_EQ(p[DIGITAL_OUTMODE], 2);
}

TEST(ParaBlock, NamesAndFallbacks) {
    EXPECT_EQ(ParaName(POWER), "POWER");
    EXPECT_EQ(ParaName(CORRECTION_VALUE_Z), "CORRECTION VALUE Z");
    EXPECT_EQ(ParaReportName(EXTERN_TEACH), "EXTEACH");
    EXPECT_EQ(ParaReportName(TRIGGER), "TRIGGER");
    EXPECT_EQ(FileFallback(AVERAGE), 1);
    EXPECT_EQ(FileFallback(GAIN), 5);
    EXPECT_EQ(TeachFileFallback(GROUP), 0);
    EXPECT_EQ(TeachConnectionDefault(GROUP), 1);
    EXPECT_EQ(TeachWordName(HOLD), "HOLD");
}

TEST(ParaBlock, LittleEndianImages) {
    ParaBlock p;
    p[0] = 0x1234;
    p[25] = 0xABCD;
    uint8_t bytes[kParaBytes] = {};
    ParaToBytes(p, bytes);
    EXPECT_EQ(bytes[0], 0x34);
    EXPECT_EQ(bytes[1], 0x12);
    EXPECT_EQ(bytes[50], 0xCD);
    EXPECT_EQ(bytes[51], 0xAB);
    ParaBlock back;
    ParaFromBytes(back, bytes);
    EXPECT_EQ(back.w, p.w);

    TeachTable t;
    t[31][HOLD] = 0x0102;
    t[32][CELL0] = 99;  // beyond the sensor's part: not in a 32-vector image
    uint8_t tb[kSensorTeachBytes] = {};
    TeachToBytes(t, tb, kSensorTeachVectors);
    EXPECT_EQ(tb[511], 0x01);
    EXPECT_EQ(tb[510], 0x02);
    TeachTable u;
    u[32][CELL0] = 5;
    TeachFromBytes(u, tb, kSensorTeachVectors);
    EXPECT_EQ(u[31][HOLD], 0x0102);
    EXPECT_EQ(u[32][CELL0], 5);
}

}  // namespace
}  // namespace lq
