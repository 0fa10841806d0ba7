#include "link/crc8.h"

#include <array>

namespace lq {
namespace {

constexpr std::array<uint8_t, 256> MakeTable() {
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        uint8_t c = static_cast<uint8_t>(i);
        for (int b = 0; b < 8; ++b)
            c = (c & 1) ? static_cast<uint8_t>((c >> 1) ^ 0x8C) : static_cast<uint8_t>(c >> 1);
        t[static_cast<size_t>(i)] = c;
    }
    return t;
}

constexpr std::array<uint8_t, 256> kTable = MakeTable();
static_assert(kTable[1] == 0x5E && kTable[255] == 0x35, "Dallas/Maxim table");

}  // namespace

uint8_t crc8Update(const uint8_t* buffer, size_t start, size_t count) {
    uint8_t crc = 0xAA;
    const uint8_t* p = buffer + start;
    for (size_t i = 0; i < count; ++i) crc = kTable[crc ^ p[i]];
    return crc;
}

void BuildFrameHeader(uint8_t* frame, int order, uint16_t argument, uint16_t length) {
    frame[0] = kSync;
    frame[1] = static_cast<uint8_t>(order & 0xFF);
    frame[2] = static_cast<uint8_t>(argument & 0xFF);
    frame[3] = static_cast<uint8_t>(argument >> 8);
    frame[4] = static_cast<uint8_t>(length & 0xFF);
    frame[5] = static_cast<uint8_t>(length >> 8);
    frame[6] = crc8Update(frame, kHeaderSize, length);
    frame[7] = crc8Update(frame, 0, 7);
}

bool HeaderValid(const uint8_t* header) {
    return header[0] == kSync && crc8Update(header, 0, 7) == header[7];
}

}  // namespace lq
