// CRC-8 of the sensor protocol: the Dallas/Maxim 1-Wire table (reflected
// polynomial 0x8C), initial value 0xAA, no final XOR.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lq {

// CRC of `count` bytes of `buffer` from index `start`; count 0 gives 0xAA.
uint8_t crc8Update(const uint8_t* buffer, size_t start, size_t count);

// The frame layout shared by requests and responses.
inline constexpr uint8_t kSync = 0x55;
inline constexpr int kHeaderSize = 8;

enum OrderNumber : int {
    ORDER_ERROR = 0,  // marks an error response
    ORDER_WRITE = 1,
    ORDER_READ = 2,
    ORDER_STORE_EEPROM = 3,
    ORDER_LOAD_EEPROM = 4,
    ORDER_FIRMWARE = 7,
    ORDER_LIVE = 8,
    ORDER_NAME = 15,
    ORDER_CYCLE_TIME = 105,  // 'i'
};

inline constexpr uint16_t kArgParaBlock = 0;
inline constexpr uint16_t kArgTeachTable = 2;

// Writes a complete header for `length` data bytes that already stand at
// frame[8..]: sync, order, argument, length, data CRC, header CRC.
void BuildFrameHeader(uint8_t* frame, int order, uint16_t argument, uint16_t length);

// True when the 8 bytes are a valid header (sync 0x55 and header CRC).
bool HeaderValid(const uint8_t* header);

}  // namespace lq
