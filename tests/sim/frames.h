// Request building and response parsing for the simulator tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/para.h"
#include "link/crc8.h"

namespace simtest {

inline std::vector<uint8_t> Request(int order, uint16_t arg = 0,
                                    const std::vector<uint8_t>& data = {}) {
    std::vector<uint8_t> f(lq::kHeaderSize + data.size());
    std::copy(data.begin(), data.end(), f.begin() + lq::kHeaderSize);
    lq::BuildFrameHeader(f.data(), order, arg, static_cast<uint16_t>(data.size()));
    return f;
}

struct Response {
    bool headerOk = false;
    bool dataOk = false;
    int sync = 0;
    int order = -1;
    uint16_t status = 0;
    uint16_t length = 0;
    std::vector<uint8_t> data;

    int16_t Word(int i) const {
        return static_cast<int16_t>(data[static_cast<size_t>(2 * i)] |
                                    (data[static_cast<size_t>(2 * i + 1)] << 8));
    }
    int32_t Long(int i) const {
        uint32_t v = 0;
        for (int b = 3; b >= 0; --b) v = (v << 8) | data[static_cast<size_t>(4 * i + b)];
        return static_cast<int32_t>(v);
    }
};

// The data of a response as text (firmware, name).
inline std::string Text(const Response& r) {
    return std::string(r.data.begin(), r.data.end());
}

// Splits a byte stream into responses; `rest` gets what is left over.
inline std::vector<Response> Parse(const std::vector<uint8_t>& bytes, size_t* rest = nullptr) {
    std::vector<Response> r;
    size_t pos = 0;
    while (bytes.size() - pos >= lq::kHeaderSize) {
        const uint8_t* h = bytes.data() + pos;
        Response x;
        x.sync = h[0];
        x.headerOk = lq::crc8Update(h, 0, 7) == h[7];
        x.order = h[1];
        x.status = static_cast<uint16_t>(h[2] | (h[3] << 8));
        x.length = static_cast<uint16_t>(h[4] | (h[5] << 8));
        if (bytes.size() - pos - lq::kHeaderSize < x.length) break;
        x.data.assign(h + lq::kHeaderSize, h + lq::kHeaderSize + x.length);
        x.dataOk = lq::crc8Update(h, lq::kHeaderSize, x.length) == h[6];
        r.push_back(x);
        pos += lq::kHeaderSize + x.length;
    }
    if (rest) *rest = bytes.size() - pos;
    return r;
}

inline std::vector<uint8_t> ParaBytes(const lq::ParaBlock& p) {
    std::vector<uint8_t> b(lq::kParaBytes);
    lq::ParaToBytes(p, b.data());
    return b;
}

inline std::vector<uint8_t> TeachBytes(const lq::TeachTable& t) {
    std::vector<uint8_t> b(lq::kSensorTeachBytes);
    lq::TeachToBytes(t, b.data(), lq::kSensorTeachVectors);
    return b;
}

inline lq::ParaBlock Defaults() {
    lq::ParaBlock p{};
    lq::TeachTable t{};
    lq::LoadDefaultParaValues(p, t, 1);
    return p;
}

}  // namespace simtest
