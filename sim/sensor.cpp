// The protocol engine of the simulated sensor: request parsing with
// resynchronisation, the order table, RAM/EEPROM images with their
// plausibility check, the measurement model and the injected faults.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <random>
#include <sstream>

#include "link/crc8.h"
#include "sim/simulator.h"

namespace lqsim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxRequestData = 2040;    // what a frame of the program can hold
constexpr uint16_t kOversizeLength = 3000;  // announced (and sent) by Fault::Oversize
constexpr int kRawMax = 4095;
constexpr double kScanRateHz = 100000.0;  // scans per second at INTEGRAL 1
constexpr auto kCycleWindow = std::chrono::seconds(8);
constexpr auto kStaleInput = std::chrono::seconds(1);  // a pause this long ends a torn request

struct Range {
    int word;
    int lo;
    int hi;
};

// Words the firmware checks; anything else it carries as it is.
constexpr Range kRanges[] = {
    {lq::POWER, 500, 1000},
    {lq::POWER_MODE, 0, 1},
    {lq::EVALUATION_MODE, 0, 3},
    {lq::MAX_VEC_NO, 1, lq::kSensorTeachVectors},
    {lq::DIGITAL_OUTMODE, 0, 3},
    {lq::CALCULATION_MODE, 0, 3},
    {lq::DYNWIN_LO, 1, kRawMax - 1},
    {lq::DYNWIN_HI, 2, kRawMax},
    {lq::GAIN, 1, 8},
    {lq::INTEGRAL, 1, 250},
    {lq::POWER_PARA_POWER1, 500, 1000},
    {lq::POWER_PARA_GAIN1, 1, 8},
    {lq::POWER_PARA_INTEGRAL1, 1, 250},
    {lq::POWER_PARA_POWER2, 500, 1000},
    {lq::POWER_PARA_GAIN2, 1, 8},
    {lq::POWER_PARA_INTEGRAL2, 1, 250},
    {lq::CORRECTION_VALUE_X, 0, 255},
    {lq::CORRECTION_VALUE_Y, 0, 255},
    {lq::CORRECTION_VALUE_Z, 0, 255},
};

bool PowerOfTwoAverage(uint16_t v) {
    return v >= 1 && v <= 32768 && (v & (v - 1)) == 0;
}

// Resets implausible words to their defaults; returns how many.
int CheckPlausibility(lq::ParaBlock& p) {
    int count = 0;
    auto reset = [&](int word) {
        p[word] = lq::ConnectionDefault(word);
        ++count;
    };
    for (const Range& r : kRanges)
        if (p[r.word] < r.lo || p[r.word] > r.hi) reset(r.word);
    if (!PowerOfTwoAverage(p[lq::AVERAGE])) reset(lq::AVERAGE);
    if (p[lq::DYNWIN_HI] <= p[lq::DYNWIN_LO]) {
        // Both defaults together keep the window ordered.
        if (p[lq::DYNWIN_LO] != lq::ConnectionDefault(lq::DYNWIN_LO)) reset(lq::DYNWIN_LO);
        if (p[lq::DYNWIN_HI] <= p[lq::DYNWIN_LO]) reset(lq::DYNWIN_HI);
    }
    return count;
}

std::string ModelFirmware(const std::string& model) {
    if (model == "v4") return "LUMIQUAD V4.1 SIM";
    if (model == "qx") return "LUMIQUAD QX V1.5.7 SIM";
    if (model == "qxr") return "LUMIQUAD QXR V1.0 SIM";
    return "COLORSENSOR X2.0 SIM";
}

// The receiver gain steps AMP1..AMP8 multiply the signal by 1..8.
int GainFactor(int gain) {
    return std::clamp(gain, 1, 8);
}

}  // namespace

const char* FaultName(Fault f) {
    switch (f) {
        case Fault::None:
            return "none";
        case Fault::Silent:
            return "silent";
        case Fault::BadSync:
            return "bad-sync";
        case Fault::BadHeader:
            return "bad-header";
        case Fault::BadData:
            return "bad-data";
        case Fault::Error1:
            return "error1";
        case Fault::Error2:
            return "error2";
        case Fault::Fragment:
            return "fragment";
        case Fault::Close:
            return "close";
        case Fault::Oversize:
            return "oversize";
        case Fault::Lag:
            return "lag";
        case Fault::Repeat:
            return "repeat";
        case Fault::Unsolicited:
            return "unsolicited";
        case Fault::Drip:
            return "drip";
    }
    return "none";
}

namespace {
constexpr Fault kAllFaults[] = {
    Fault::None,   Fault::Silent, Fault::BadSync,     Fault::BadHeader, Fault::BadData,
    Fault::Error1, Fault::Error2, Fault::Fragment,    Fault::Close,     Fault::Oversize,
    Fault::Lag,    Fault::Repeat, Fault::Unsolicited, Fault::Drip,
};
}  // namespace

bool ParseFault(const std::string& name, Fault& f) {
    for (Fault c : kAllFaults)
        if (name == FaultName(c)) {
            f = c;
            return true;
        }
    return false;
}

std::string FaultNames() {
    std::string s;
    for (Fault c : kAllFaults) {
        if (!s.empty()) s += '|';
        s += FaultName(c);
    }
    return s;
}

struct Sensor::Impl {
    mutable std::mutex mu;
    SimConfig config;
    lq::ParaBlock ram{}, eeprom{};
    lq::TeachTable ramTeach{}, eepromTeach{};
    std::vector<uint8_t> rx;
    Clock::time_point lastInput = Clock::now();
    // The request log: a ring of the latest config.requestLog requests.
    std::vector<SeenRequest> seen;
    size_t seenNext = 0;  // where the next request goes once the ring is full
    uint64_t seenTotal = 0;
    std::array<uint64_t, 256> seenPerOrder{};
    // The last regular answer, which Fault::Lag sends in place of the next one.
    std::vector<uint8_t> heldAnswer, scratch;
    bool holding = false;
    std::deque<std::array<int16_t, 21>> queued;
    int colorR = 900, colorG = 600, colorB = 300;
    std::mt19937 rng;
    uint64_t requestCount = 0;
    Clock::time_point lastCycleQuery = Clock::now();

    explicit Impl(SimConfig c) : config(std::move(c)), rng(config.seed) {
        if (config.faultEvery < 1) config.faultEvery = 1;
        lq::TeachTable scratch{};
        lq::LoadDefaultParaValues(ram, scratch, 1);
        for (int n = 0; n < lq::kSensorTeachVectors; ++n) ramTeach[n] = scratch[n];
        eeprom = ram;
        eepromTeach = ramTeach;
    }

    std::string Firmware() const {
        return config.firmware.empty() ? ModelFirmware(config.model) : config.firmware;
    }

    // The raw signal of one channel at the given power, before clipping.
    double Raw(int base, int power) const {
        return base * (power / 1000.0) * GainFactor(ram[lq::GAIN]) *
               std::clamp<int>(ram[lq::INTEGRAL], 1, 250);
    }

    // With POWER MODE 1 the sensor regulates its transmitter power so that the
    // strongest channel lands in the middle of the dynamic window; the chosen
    // power is what the parameter block then reports.
    void Regulate() {
        if (ram[lq::POWER_MODE] != 1) return;
        const double target = (ram[lq::DYNWIN_LO] + ram[lq::DYNWIN_HI]) / 2.0;
        const double full = Raw(std::max({colorR, colorG, colorB, 0}), 1000);
        int power = 1000;
        if (full > 0) power = static_cast<int>(std::lround(1000.0 * target / full));
        ram[lq::POWER] = static_cast<uint16_t>(std::clamp(power, 500, 1000));
    }

    int Noise(int amplitude) {
        if (amplitude <= 0) return 0;
        std::uniform_int_distribution<int> d(-amplitude, amplitude);
        return d(rng);
    }

    std::array<int16_t, 21> Measure() {
        Regulate();
        const int power = std::clamp<int>(ram[lq::POWER], 500, 1000);
        const int average = std::max<int>(1, ram[lq::AVERAGE]);
        // Averaging over more scans quietens the signal.
        const int scanNoise = 16;
        const int avgNoise = std::max(1, static_cast<int>(std::lround(16.0 / std::sqrt(average))));
        const int base[3] = {colorR, colorG, colorB};
        int avg[3], scan[3];
        for (int c = 0; c < 3; ++c) {
            const double raw = Raw(base[c], power);
            const bool dark = base[c] <= 0;
            avg[c] =
                dark ? 0
                     : std::clamp(static_cast<int>(std::lround(raw)) + Noise(avgNoise), 0, kRawMax);
            scan[c] = dark ? 0
                           : std::clamp(static_cast<int>(std::lround(raw)) + Noise(scanNoise), 0,
                                        kRawMax);
        }
        std::array<int16_t, 21> w{};
        const int sum = avg[0] + avg[1] + avg[2];
        const int x = sum > 0 ? static_cast<int>(10000LL * avg[0] / sum) : 0;
        const int y = sum > 0 ? static_cast<int>(10000LL * avg[1] / sum) : 0;
        const int intensity = std::min(sum / 3, kRawMax);
        w[0] = static_cast<int16_t>(avg[0]);
        w[1] = static_cast<int16_t>(avg[1]);
        w[2] = static_cast<int16_t>(avg[2]);
        w[3] = static_cast<int16_t>(x);
        w[4] = static_cast<int16_t>(y);
        w[5] = static_cast<int16_t>(intensity);
        w[7] = static_cast<int16_t>(Recognise(x, y, intensity));
        w[11] = static_cast<int16_t>(scan[0]);
        w[12] = static_cast<int16_t>(scan[1]);
        w[13] = static_cast<int16_t>(scan[2]);
        w[14] = static_cast<int16_t>(power);
        w[15] = static_cast<int16_t>(ram[lq::GAIN]);
        w[16] = static_cast<int16_t>(ram[lq::INTEGRAL]);
        return w;
    }

    // The first vector in use whose tolerance (CELL 3) holds the colour in
    // the X/Y plane and in intensity; 255 when none does.
    int Recognise(int x, int y, int intensity) const {
        const int used = std::clamp<int>(ram[lq::MAX_VEC_NO], 0, lq::kSensorTeachVectors);
        for (int n = 0; n < used; ++n) {
            const lq::TeachVector& v = ramTeach[n];
            const double tol = v[lq::CELL3];
            const double dx = x - static_cast<double>(v[lq::CELL0]);
            const double dy = y - static_cast<double>(v[lq::CELL1]);
            if (dx * dx + dy * dy <= tol * tol &&
                std::abs(intensity - static_cast<double>(v[lq::CELL2])) <= tol)
                return n;
        }
        return 255;
    }

    int CycleRateCounts(int time10ms) const {
        const double integral = std::clamp<int>(ram[lq::INTEGRAL], 1, 250);
        const double average = std::max<int>(1, ram[lq::AVERAGE]);
        const double rate = kScanRateHz / integral / average;
        return static_cast<int>(std::lround(rate * time10ms * 0.01));
    }

    // ---- framing ------------------------------------------------------

    static void Frame(std::vector<uint8_t>& out, int order, uint16_t status, const uint8_t* data,
                      size_t length) {
        const size_t at = out.size();
        out.resize(at + lq::kHeaderSize + length);
        if (length) std::memcpy(out.data() + at + lq::kHeaderSize, data, length);
        lq::BuildFrameHeader(out.data() + at, order, status, static_cast<uint16_t>(length));
    }

    static void ErrorFrame(std::vector<uint8_t>& out, uint16_t code) {
        Frame(out, lq::ORDER_ERROR, code, nullptr, 0);
    }

    // The regular answer to one well-formed request.
    void Answer(int order, uint16_t arg, const uint8_t* data, size_t length,
                std::vector<uint8_t>& out) {
        Regulate();
        switch (order) {
            case lq::ORDER_WRITE:
                if (arg == lq::kArgParaBlock) {
                    if (length != lq::kParaBytes) return ErrorFrame(out, 2);
                    lq::ParaFromBytes(ram, data);
                    int count = CheckPlausibility(ram);
                    Regulate();
                    if (config.plausibility >= 0) count = config.plausibility;
                    return Frame(out, order, static_cast<uint16_t>(count), nullptr, 0);
                }
                if (arg == lq::kArgTeachTable) {
                    if (length != lq::kSensorTeachBytes) return ErrorFrame(out, 2);
                    lq::TeachFromBytes(ramTeach, data, lq::kSensorTeachVectors);
                    // Teach vectors carry no rule of their own: every value is taken.
                    const int count = config.plausibility >= 0 ? config.plausibility : 0;
                    return Frame(out, order, static_cast<uint16_t>(count), nullptr, 0);
                }
                return ErrorFrame(out, 1);
            case lq::ORDER_READ:
                if (arg == lq::kArgParaBlock) {
                    uint8_t b[lq::kParaBytes];
                    lq::ParaToBytes(ram, b);
                    return Frame(out, order, 0, b, sizeof b);
                }
                if (arg == lq::kArgTeachTable) {
                    uint8_t b[lq::kSensorTeachBytes];
                    lq::TeachToBytes(ramTeach, b, lq::kSensorTeachVectors);
                    return Frame(out, order, 0, b, sizeof b);
                }
                return ErrorFrame(out, 1);
            case lq::ORDER_STORE_EEPROM:
                eeprom = ram;
                eepromTeach = ramTeach;
                return Frame(out, order, 0, nullptr, 0);
            case lq::ORDER_LOAD_EEPROM: {
                ram = eeprom;
                ramTeach = eepromTeach;
                int count = CheckPlausibility(ram);
                Regulate();
                if (config.plausibility >= 0) count = config.plausibility;
                return Frame(out, order, static_cast<uint16_t>(count), nullptr, 0);
            }
            case lq::ORDER_FIRMWARE: {
                const std::string fw = Firmware();
                return Frame(out, order, 0, reinterpret_cast<const uint8_t*>(fw.data()), fw.size());
            }
            case lq::ORDER_LIVE: {
                std::array<int16_t, 21> w;
                if (!queued.empty()) {
                    w = queued.front();
                    queued.pop_front();
                } else {
                    w = Measure();
                }
                return LiveFrame(out, w);
            }
            case lq::ORDER_NAME: {
                const std::string& n = config.name;
                return Frame(out, order, config.serial, reinterpret_cast<const uint8_t*>(n.data()),
                             n.size());
            }
            case lq::ORDER_CYCLE_TIME: {
                const auto now = Clock::now();
                auto elapsed = now - lastCycleQuery;
                if (elapsed > kCycleWindow) elapsed = kCycleWindow;
                lastCycleQuery = now;
                const auto ms =
                    std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
                const int time10ms = std::max<int>(1, static_cast<int>((ms + 5) / 10));
                const int count = CycleRateCounts(time10ms);
                uint8_t b[8];
                for (int i = 0; i < 4; ++i) {
                    b[i] = static_cast<uint8_t>(static_cast<uint32_t>(count) >> (8 * i));
                    b[4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(time10ms) >> (8 * i));
                }
                return Frame(out, order, 0, b, sizeof b);
            }
            default:
                return ErrorFrame(out, 1);
        }
    }

    // Rewrites the answer that starts at `at` according to the fault.
    void Corrupt(Fault f, std::vector<uint8_t>& out, size_t at, std::vector<size_t>& pauses) {
        uint8_t* h = out.data() + at;
        const size_t length = h[4] | (h[5] << 8);
        switch (f) {
            case Fault::BadSync:
                h[0] = 0x54;
                h[7] = lq::crc8Update(h, 0, 7);
                break;
            case Fault::BadHeader:
                h[7] = static_cast<uint8_t>(h[7] ^ 0x5A);
                break;
            case Fault::BadData:
                if (length > 0) {
                    h[lq::kHeaderSize + length / 2] ^= 0x01;
                } else {
                    // Nothing to corrupt but the data CRC; the header stays valid.
                    h[6] = static_cast<uint8_t>(h[6] ^ 0x01);
                    h[7] = lq::crc8Update(h, 0, 7);
                }
                break;
            case Fault::Fragment:
                pauses.push_back(at + 5);
                if (out.size() > at + lq::kHeaderSize) pauses.push_back(at + lq::kHeaderSize);
                break;
            case Fault::Oversize: {
                std::vector<uint8_t> data(out.begin() + static_cast<long>(at + lq::kHeaderSize),
                                          out.end());
                const int order = h[1];
                const uint16_t status = static_cast<uint16_t>(h[2] | (h[3] << 8));
                data.resize(kOversizeLength, 0);
                out.resize(at);
                Frame(out, order, status, data.data(), data.size());
                break;
            }
            default:
                break;
        }
    }

    void Log(int order, uint16_t arg, size_t length) {
        ++seenTotal;
        ++seenPerOrder[static_cast<size_t>(order & 0xFF)];
        const size_t cap = config.requestLog;
        if (cap == 0) return;
        const SeenRequest r{order, arg, static_cast<uint16_t>(length)};
        if (seen.size() < cap) {
            seen.push_back(r);
        } else {
            seen[seenNext] = r;
            seenNext = (seenNext + 1) % cap;
        }
    }

    std::vector<SeenRequest> Logged() const {
        std::vector<SeenRequest> r(seen.begin() + static_cast<long>(seenNext), seen.end());
        r.insert(r.end(), seen.begin(), seen.begin() + static_cast<long>(seenNext));
        return r;
    }

    void ClearLog() {
        seen.clear();
        seenNext = 0;
        seenTotal = 0;
        seenPerOrder.fill(0);
    }

    void AppendLive(std::vector<uint8_t>& out) { LiveFrame(out, Measure()); }

    static void LiveFrame(std::vector<uint8_t>& out, const std::array<int16_t, 21>& w) {
        uint8_t b[42];
        for (int i = 0; i < 21; ++i) {
            const auto u = static_cast<uint16_t>(w[static_cast<size_t>(i)]);
            b[2 * i] = static_cast<uint8_t>(u & 0xFF);
            b[2 * i + 1] = static_cast<uint8_t>(u >> 8);
        }
        Frame(out, lq::ORDER_LIVE, 0, b, sizeof b);
    }

    // Keeps the answer that starts at `at` for Fault::Lag; with `lag` puts the
    // answer held before in its place (the first answer goes out as it is).
    void Hold(std::vector<uint8_t>& out, size_t at, bool lag) {
        scratch.assign(out.begin() + static_cast<long>(at), out.end());
        if (lag && holding) {
            out.resize(at);
            out.insert(out.end(), heldAnswer.begin(), heldAnswer.end());
        }
        heldAnswer.swap(scratch);
        holding = true;
    }

    // One complete request frame (header valid) with its data.
    bool Handle(const uint8_t* frame, size_t length, Reply& reply) {
        const int order = frame[1];
        const uint16_t arg = static_cast<uint16_t>(frame[2] | (frame[3] << 8));
        Log(order, arg, length);
        ++requestCount;
        const Fault f = (config.fault != Fault::None &&
                         requestCount % static_cast<uint64_t>(config.faultEvery) == 0)
                            ? config.fault
                            : Fault::None;
        std::vector<uint8_t>& out = reply.bytes;
        switch (f) {
            case Fault::Silent:
                return true;
            case Fault::Close:
                return false;
            case Fault::Error1:
                ErrorFrame(out, 1);
                return true;
            case Fault::Error2:
                ErrorFrame(out, 2);
                return true;
            default:
                break;
        }
        const size_t at = out.size();
        if (length > 0 && lq::crc8Update(frame, lq::kHeaderSize, length) != frame[6])
            ErrorFrame(out, 2);
        else
            Answer(order, arg, frame + lq::kHeaderSize, length, out);
        Hold(out, at, f == Fault::Lag);
        switch (f) {
            case Fault::None:
            case Fault::Lag:
                break;
            case Fault::Repeat:
                reply.late.insert(reply.late.end(), out.begin() + static_cast<long>(at), out.end());
                break;
            case Fault::Unsolicited:
                AppendLive(reply.late);
                break;
            case Fault::Drip:
                reply.drip = true;
                break;
            default:
                Corrupt(f, out, at, reply.pauses);
                break;
        }
        return true;
    }

    // Offset (1..7) from `pos` of a valid header that starts inside the
    // eight bytes at `pos`, or 0 when there is none among the bytes received.
    size_t LaterHeader(size_t pos) const {
        for (size_t i = 1; i < lq::kHeaderSize && pos + i + lq::kHeaderSize <= rx.size(); ++i)
            if (lq::HeaderValid(rx.data() + pos + i)) return i;
        return 0;
    }

    bool Feed(const uint8_t* data, size_t count, Reply& reply) {
        std::vector<uint8_t>& out = reply.bytes;
        const auto now = Clock::now();
        if (!rx.empty() && now - lastInput > kStaleInput) rx.clear();
        lastInput = now;
        rx.insert(rx.end(), data, data + count);
        size_t pos = 0;
        bool keep = true;
        while (keep) {
            // Resynchronise: anything before a sync byte is noise.
            while (pos < rx.size() && rx[pos] != lq::kSync) ++pos;
            if (rx.size() - pos < lq::kHeaderSize) break;
            const uint8_t* h = rx.data() + pos;
            if (!lq::HeaderValid(h)) {
                if (const size_t later = LaterHeader(pos)) {
                    pos += later;  // the sync byte was noise in front of a real request
                    continue;
                }
                // A request whose header was damaged on the way.
                ErrorFrame(out, 2);
                pos += lq::kHeaderSize;
                continue;
            }
            const size_t length = h[4] | (h[5] << 8);
            if (length > kMaxRequestData) {
                ErrorFrame(out, 2);
                pos += lq::kHeaderSize;
                continue;
            }
            if (rx.size() - pos < lq::kHeaderSize + length) break;
            keep = Handle(h, length, reply);
            pos += lq::kHeaderSize + length;
        }
        rx.erase(rx.begin(), rx.begin() + static_cast<long>(std::min(pos, rx.size())));
        if (!keep) rx.clear();
        return keep;
    }

    std::string Summary() const {
        std::ostringstream s;
        s << "firmware \"" << Firmware() << "\", name \"" << config.name << "\", serial "
          << config.serial << "\n";
        s << "colour R " << colorR << " G " << colorG << " B " << colorB << ", fault "
          << FaultName(config.fault) << " every " << config.faultEvery << "\n";
        s << "RAM:";
        for (int i = 0; i < lq::kParaWords; ++i) {
            s << (i % 4 == 0 ? "\n  " : "  ") << lq::ParaName(i) << " " << ram[i];
        }
        s << "\nTaught vectors (MAX VEC NO " << ram[lq::MAX_VEC_NO] << "):\n";
        const int used = std::clamp<int>(ram[lq::MAX_VEC_NO], 0, lq::kSensorTeachVectors);
        for (int n = 0; n < used; ++n) {
            const lq::TeachVector& v = ramTeach[n];
            s << "  " << n << ": X " << v[lq::CELL0] << " Y " << v[lq::CELL1] << " INT "
              << v[lq::CELL2] << " TOL " << v[lq::CELL3] << "\n";
        }
        return s.str();
    }
};

Sensor::Sensor(SimConfig config) : impl_(std::make_unique<Impl>(std::move(config))) {}
Sensor::~Sensor() = default;

bool Sensor::Feed(const uint8_t* data, size_t count, std::vector<uint8_t>& out) {
    std::vector<size_t> pauses;
    return Feed(data, count, out, pauses);
}

// Without a transport to shape them, the answers and the late frames follow
// one another in `out`.
bool Sensor::Feed(const uint8_t* data, size_t count, std::vector<uint8_t>& out,
                  std::vector<size_t>& pauses) {
    Reply r;
    const bool keep = Feed(data, count, r);
    for (size_t p : r.pauses) pauses.push_back(out.size() + p);
    out.insert(out.end(), r.bytes.begin(), r.bytes.end());
    out.insert(out.end(), r.late.begin(), r.late.end());
    return keep;
}

bool Sensor::Feed(const uint8_t* data, size_t count, Reply& reply) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->Feed(data, count, reply);
}

void Sensor::ResetInput() {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->rx.clear();
}

void Sensor::Connected(Reply& reply) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->rx.clear();
    impl_->holding = false;
    if (impl_->config.fault == Fault::Unsolicited) impl_->AppendLive(reply.bytes);
}

void Sensor::AppendLiveFrame(std::vector<uint8_t>& out) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->AppendLive(out);
}

void Sensor::SetColor(int r, int g, int b) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->colorR = std::max(0, r);
    impl_->colorG = std::max(0, g);
    impl_->colorB = std::max(0, b);
}

void Sensor::SetFault(Fault f, int every) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->config.fault = f;
    impl_->config.faultEvery = std::max(1, every);
    impl_->requestCount = 0;
}

SimConfig Sensor::Config() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->config;
}

int Sensor::Baud() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->config.baud;
}

lq::ParaBlock Sensor::Ram() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->ram;
}

lq::ParaBlock Sensor::Eeprom() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->eeprom;
}

lq::TeachTable Sensor::RamTeach() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->ramTeach;
}

lq::TeachTable Sensor::EepromTeach() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->eepromTeach;
}

namespace {
lq::TeachTable SensorPart(const lq::TeachTable& t) {
    lq::TeachTable r{};
    for (int n = 0; n < lq::kSensorTeachVectors; ++n) r[n] = t[n];
    return r;
}
}  // namespace

void Sensor::SetRam(const lq::ParaBlock& p, const lq::TeachTable& t) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->ram = p;
    impl_->ramTeach = SensorPart(t);
}

void Sensor::SetEeprom(const lq::ParaBlock& p, const lq::TeachTable& t) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->eeprom = p;
    impl_->eepromTeach = SensorPart(t);
}

std::vector<SeenRequest> Sensor::Requests() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->Logged();
}

uint64_t Sensor::RequestCount() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->seenTotal;
}

uint64_t Sensor::RequestCount(int order) const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->seenPerOrder[static_cast<size_t>(order & 0xFF)];
}

void Sensor::ClearRequests() {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->ClearLog();
}

void Sensor::QueueLiveRecord(const int16_t (&words)[21]) {
    std::array<int16_t, 21> w{};
    std::copy(std::begin(words), std::end(words), w.begin());
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->queued.push_back(w);
}

std::string Sensor::FirmwareText() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->Firmware();
}

void Sensor::SetPlausibility(int count) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->config.plausibility = count;
}

std::array<int16_t, 21> Sensor::Measure() {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->Measure();
}

std::string Sensor::Summary() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->Summary();
}

}  // namespace lqsim
