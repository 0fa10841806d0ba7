// Requests built by FillTxBuf and response headers judged by CheckHeaderCRC.
#include <cstring>
#include <vector>

#include "link_world.h"

namespace lq::linktest {
namespace {

struct RequestCase {
    int order;
    uint16_t argument;
    uint8_t expected[8];
};

TEST(FillTxBuf, RequestsWithoutData) {
    const RequestCase cases[] = {
        {ORDER_FIRMWARE, 0, {0x55, 0x07, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x52}},
        {ORDER_LIVE, 0, {0x55, 0x08, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x76}},
        {ORDER_CYCLE_TIME, 0, {0x55, 0x69, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x82}},
        {ORDER_READ, kArgTeachTable, {0x55, 0x02, 0x02, 0x00, 0x00, 0x00, 0xAA, 0x3A}},
        // Only the low 8 bits of the order are sent.
        {0x100 + ORDER_LIVE, 0, {0x55, 0x08, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x76}},
    };
    LinkWorld w;
    for (const RequestCase& c : cases) {
        std::memset(w.a.s.txBuffer, 0xEE, sizeof w.a.s.txBuffer);
        FillTxBuf(w.a, c.order, c.argument, 0);
        EXPECT_EQ(0, std::memcmp(w.a.s.txBuffer, c.expected, 8)) << "order " << c.order;
        EXPECT_EQ(0, std::memcmp(w.a.s.frameBuffer, c.expected, 8)) << "order " << c.order;
        EXPECT_EQ(w.a.s.txBuffer[8], 0xEE) << "nothing beyond the frame is written";
    }
}

TEST(FillTxBuf, RequestsWithData) {
    struct Case {
        uint16_t length;
        uint8_t lengthLow, lengthHigh;
    };
    for (const Case c : {Case{52, 0x34, 0x00}, Case{512, 0x00, 0x02}}) {
        LinkWorld w;
        for (int i = 0; i < c.length; ++i)
            w.a.s.frameBuffer[kHeaderSize + i] = static_cast<uint8_t>(i * 7 + 3);
        std::memset(w.a.s.txBuffer, 0xEE, sizeof w.a.s.txBuffer);
        FillTxBuf(w.a, ORDER_WRITE, c.length == 512 ? kArgTeachTable : kArgParaBlock, c.length);
        const uint8_t* t = w.a.s.txBuffer;
        EXPECT_EQ(t[4], c.lengthLow);
        EXPECT_EQ(t[5], c.lengthHigh);
        EXPECT_EQ(t[6], crc8Update(w.a.s.frameBuffer, kHeaderSize, c.length));
        EXPECT_EQ(crc8Update(t, 0, 8), 0) << "header CRC closes the header";
        EXPECT_EQ(0, std::memcmp(t + 8, w.a.s.frameBuffer + 8, c.length));
        EXPECT_EQ(t[kHeaderSize + c.length], 0xEE) << "frame is " << c.length + 8 << " bytes";
    }
}

TEST(FillTxBuf, LengthBeyondTheBufferIsCut) {
    LinkWorld w;
    FillTxBuf(w.a, ORDER_WRITE, 0, 60000);
    EXPECT_EQ(w.a.s.txBuffer[4] | (w.a.s.txBuffer[5] << 8), kMaxFrameData);
    EXPECT_EQ(crc8Update(w.a.s.txBuffer, 0, 8), 0);
}

// The response header in rxBuffer and the decoded fields of the last valid one.
struct HeaderWorld : LinkWorld {
    void Put(const uint8_t* h) { std::memcpy(a.s.rxBuffer, h, 8); }
    void Decoded(int order, int status, int length, int dataCrc) {
        EXPECT_EQ(a.s.respOrder, order);
        EXPECT_EQ(a.s.respStatus, status);
        EXPECT_EQ(a.s.respLength, length);
        EXPECT_EQ(a.s.respDataCrc, dataCrc);
    }
};

TEST(CheckHeaderCRC, DecodesAValidHeader) {
    HeaderWorld w;
    uint8_t h[8] = {0x55, 0x0F, 0x67, 0x12, 0x0A, 0x01, 0x5C, 0};
    h[7] = crc8Update(h, 0, 7);
    w.Put(h);
    EXPECT_EQ(CheckHeaderCRC(w.a), 1);
    w.Decoded(0x0F, 0x1267, 0x010A, 0x5C);
    w.ExpectNoReport();
}

TEST(CheckHeaderCRC, EverySingleByteChangeFails) {
    const uint8_t requests[][8] = {
        {0x55, 0x07, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x52},
        {0x55, 0x08, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x76},
        {0x55, 0x69, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x82},
        {0x55, 0x02, 0x02, 0x00, 0x00, 0x00, 0xAA, 0x3A},
    };
    for (const auto& r : requests) {
        HeaderWorld w;
        w.Put(r);
        ASSERT_EQ(CheckHeaderCRC(w.a), 1);
        w.Decoded(r[1], r[2], 0, 0xAA);
        for (int byte = 0; byte < 8; ++byte) {
            for (int delta : {0x01, 0x80, 0xFF}) {
                uint8_t bad[8];
                std::memcpy(bad, r, 8);
                bad[byte] = static_cast<uint8_t>(bad[byte] ^ delta);
                w.Arm();
                w.Put(bad);
                EXPECT_EQ(CheckHeaderCRC(w.a), -1) << "byte " << byte << " ^ " << delta;
                w.ExpectReport(kTextBadHeader);
                // The fields of the last valid header stay.
                w.Decoded(r[1], r[2], 0, 0xAA);
            }
        }
    }
}

TEST(CheckHeaderCRC, RightCrcButWrongSyncFails) {
    HeaderWorld w;
    uint8_t h[8] = {0x54, 0x08, 0x00, 0x00, 0x2A, 0x00, 0x11, 0};
    h[7] = crc8Update(h, 0, 7);
    w.Put(h);
    EXPECT_EQ(CheckHeaderCRC(w.a), -1);
    w.ExpectReport(kTextBadHeader);
    w.Decoded(0, 0, 0, 0);
}

}  // namespace
}  // namespace lq::linktest
