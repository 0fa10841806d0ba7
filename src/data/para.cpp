#include "data/para.h"

namespace lq {
namespace {

struct WordInfo {
    std::string_view name;
    uint16_t connectionDefault;
    uint16_t fileFallback;
};

constexpr WordInfo kPara[kParaWords] = {
    {"POWER", 500, 500},
    {"POWER MODE", 0, 0},
    {"AVERAGE", 256, 1},
    {"EVALUATION MODE", 1, 1},
    {"HOLD FAIL", 10, 10},
    {"INTLIM", 0, 0},
    {"MAX VEC NO", 1, 1},
    {"DIGITAL OUTMODE", 2, 0},
    {"TRIGGER", 0, 0},
    {"EXTERN TEACH", 0, 0},
    {"CALCULATION MODE", 3, 0},
    {"DYNWIN LO", 3200, 3200},
    {"DYNWIN HI", 3300, 3300},
    {"COLOR GROUP", 0, 0},
    {"LED MODE", 1, 0},
    {"GAIN", 6, 5},
    {"INTEGRAL", 1, 1},
    {"POWER PARA POWER1", 600, 600},
    {"POWER PARA GAIN1", 6, 6},
    {"POWER PARA INTEGRAL1", 1, 1},
    {"POWER PARA POWER2", 600, 600},
    {"POWER PARA GAIN2", 6, 6},
    {"POWER PARA INTEGRAL2", 1, 1},
    {"CORRECTION VALUE X", 128, 128},
    {"CORRECTION VALUE Y", 128, 128},
    {"CORRECTION VALUE Z", 128, 128},
};

constexpr WordInfo kTeach[kTeachWords] = {
    {"CELL 0", 1, 1}, {"CELL 1", 1, 1}, {"CELL 2", 1, 1}, {"CELL 3", 1, 1},
    {"CELL 4", 1, 1}, {"CELL 5", 1, 1}, {"GROUP", 1, 0},  {"HOLD", 10, 10},
};

bool ValidPara(int word) {
    return word >= 0 && word < kParaWords;
}
bool ValidTeach(int word) {
    return word >= 0 && word < kTeachWords;
}

}  // namespace

std::string_view ParaName(int word) {
    return ValidPara(word) ? kPara[word].name : "";
}

std::string_view ParaReportName(int word) {
    return word == EXTERN_TEACH ? std::string_view("EXTEACH") : ParaName(word);
}

std::string_view TeachWordName(int word) {
    return ValidTeach(word) ? kTeach[word].name : "";
}

uint16_t ConnectionDefault(int word) {
    return ValidPara(word) ? kPara[word].connectionDefault : 0;
}
uint16_t FileFallback(int word) {
    return ValidPara(word) ? kPara[word].fileFallback : 0;
}
uint16_t TeachConnectionDefault(int word) {
    return ValidTeach(word) ? kTeach[word].connectionDefault : 0;
}
uint16_t TeachFileFallback(int word) {
    return ValidTeach(word) ? kTeach[word].fileFallback : 0;
}

void ParaToBytes(const ParaBlock& p, uint8_t* out) {
    for (int i = 0; i < kParaWords; ++i) {
        out[2 * i] = static_cast<uint8_t>(p[i] & 0xFF);
        out[2 * i + 1] = static_cast<uint8_t>(p[i] >> 8);
    }
}

void ParaFromBytes(ParaBlock& p, const uint8_t* in) {
    for (int i = 0; i < kParaWords; ++i)
        p[i] = static_cast<uint16_t>(in[2 * i] | (in[2 * i + 1] << 8));
}

void TeachToBytes(const TeachTable& t, uint8_t* out, int vectors) {
    for (int n = 0; n < vectors && n < kTeachVectors; ++n)
        for (int j = 0; j < kTeachWords; ++j) {
            const int at = 16 * n + 2 * j;
            out[at] = static_cast<uint8_t>(t[n][j] & 0xFF);
            out[at + 1] = static_cast<uint8_t>(t[n][j] >> 8);
        }
}

void TeachFromBytes(TeachTable& t, const uint8_t* in, int vectors) {
    for (int n = 0; n < vectors && n < kTeachVectors; ++n)
        for (int j = 0; j < kTeachWords; ++j) {
            const int at = 16 * n + 2 * j;
            t[n][j] = static_cast<uint16_t>(in[at] | (in[at + 1] << 8));
        }
}

void LoadDefaultParaValues(ParaBlock& p, TeachTable& t, int flag) {
    if (flag != 0) {
        p[MAX_VEC_NO] = 1;
        p[DIGITAL_OUTMODE] = 2;
    }
    for (int i = 0; i < kParaWords; ++i)
        if (i != MAX_VEC_NO && i != DIGITAL_OUTMODE) p[i] = kPara[i].connectionDefault;
    for (auto& v : t.v)
        for (int j = 0; j < kTeachWords; ++j) v[j] = kTeach[j].connectionDefault;
}

}  // namespace lq
