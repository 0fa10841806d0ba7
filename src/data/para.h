// The sensor configuration held by the PC: the parameter block and the teach
// table, their byte images and their two sets of default values.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace lq {

inline constexpr int kParaWords = 26;
inline constexpr int kParaBytes = kParaWords * 2;  // 52
inline constexpr int kTeachWords = 8;
inline constexpr int kTeachVectors = 64;
inline constexpr int kSensorTeachVectors = 32;  // exchanged with the sensor
inline constexpr int kSensorTeachBytes = kSensorTeachVectors * kTeachWords * 2;  // 512
inline constexpr int kGridRows = 31;  // teach grid rows 1..31

// Word indices of the parameter block.
enum ParaWord : int {
    POWER = 0,
    POWER_MODE,
    AVERAGE,
    EVALUATION_MODE,
    HOLD_FAIL,
    INTLIM,
    MAX_VEC_NO,
    DIGITAL_OUTMODE,
    TRIGGER,
    EXTERN_TEACH,
    CALCULATION_MODE,
    DYNWIN_LO,
    DYNWIN_HI,
    COLOR_GROUP,
    LED_MODE,
    GAIN,
    INTEGRAL,
    POWER_PARA_POWER1,
    POWER_PARA_GAIN1,
    POWER_PARA_INTEGRAL1,
    POWER_PARA_POWER2,
    POWER_PARA_GAIN2,
    POWER_PARA_INTEGRAL2,
    CORRECTION_VALUE_X,
    CORRECTION_VALUE_Y,
    CORRECTION_VALUE_Z,
};

// Word indices of a teach vector.
enum TeachWord : int { CELL0 = 0, CELL1, CELL2, CELL3, CELL4, CELL5, GROUP, HOLD };

struct ParaBlock {
    std::array<uint16_t, kParaWords> w{};
    uint16_t& operator[](int i) { return w[static_cast<size_t>(i)]; }
    uint16_t operator[](int i) const { return w[static_cast<size_t>(i)]; }
};

struct TeachVector {
    std::array<uint16_t, kTeachWords> w{};
    uint16_t& operator[](int i) { return w[static_cast<size_t>(i)]; }
    uint16_t operator[](int i) const { return w[static_cast<size_t>(i)]; }
};

struct TeachTable {
    std::array<TeachVector, kTeachVectors> v{};
    TeachVector& operator[](int i) { return v[static_cast<size_t>(i)]; }
    const TeachVector& operator[](int i) const { return v[static_cast<size_t>(i)]; }
};

static_assert(sizeof(ParaBlock) == kParaBytes, "parameter block image is 52 bytes");
static_assert(sizeof(TeachTable) == 1024, "teach table image is 1024 bytes");

// The file keys (and names) of the parameter words, in word order.
std::string_view ParaName(int word);
// The name used for a word in the "could not be read" report (EXTERN TEACH -> EXTEACH).
std::string_view ParaReportName(int word);
// File keys of the teach-vector words: "CELL 0" ... "CELL 5", "GROUP", "HOLD".
std::string_view TeachWordName(int word);

uint16_t ConnectionDefault(int word);
uint16_t FileFallback(int word);
uint16_t TeachConnectionDefault(int word);
uint16_t TeachFileFallback(int word);

// Little-endian byte images (the wire and file layout).
void ParaToBytes(const ParaBlock& p, uint8_t* out52);
void ParaFromBytes(ParaBlock& p, const uint8_t* in52);
// The first `vectors` teach vectors, 16 bytes each.
void TeachToBytes(const TeachTable& t, uint8_t* out, int vectors);
void TeachFromBytes(TeachTable& t, const uint8_t* in, int vectors);

// Writes the connection defaults into every parameter word except MAX VEC NO
// and DIGITAL OUTMODE and into all 64 teach vectors; with flag != 0 also sets
// MAX VEC NO = 1 and DIGITAL OUTMODE = 2.
void LoadDefaultParaValues(ParaBlock& p, TeachTable& t, int flag);

}  // namespace lq
