// The sensor simulator: a protocol engine that answers every order like a
// LUMIQUAD sensor, and transports that serve it over TCP and a
// pseudo-terminal on a thread of their own. Used by the demo, the
// end-to-end tests and the benchmarks.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "data/para.h"

namespace lqsim {

// Silent, Error1, Error2 and Close leave the request undone; the others carry
// it out and spoil only the answer (or add to it).
enum class Fault {
    None,
    Silent,       // answers nothing
    BadSync,      // header with a wrong sync byte (CRC recomputed)
    BadHeader,    // header with a wrong header CRC
    BadData,      // one data byte corrupted
    Error1,       // error response, status 1
    Error2,       // error response, status 2
    Fragment,     // response written in small pieces with pauses
    Close,        // closes the connection instead of answering
    Oversize,     // header announcing more data than a frame can hold
    Lag,          // answers with the answer to the request before
    Repeat,       // sends the answer again kLateDelay later
    Unsolicited,  // an unrequested live frame kLateDelay after the answer,
                  // and one as soon as a TCP connection opens
    Drip,         // the answer one byte at a time, kDripGap apart
};

// When Repeat and Unsolicited send their extra frame.
constexpr std::chrono::milliseconds kLateDelay{10};
// The pause between two bytes of a Drip answer.
constexpr std::chrono::milliseconds kDripGap{1};

// "none", "silent", "bad-sync", "bad-header", "bad-data", "error1", "error2",
// "fragment", "close", "oversize", "lag", "repeat", "unsolicited", "drip".
const char* FaultName(Fault f);
bool ParseFault(const std::string& name, Fault& f);
// Every fault name, separated by '|' (for usage texts).
std::string FaultNames();

struct SimConfig {
    std::string model = "qx";  // v4 | qx | qxr | unsupported
    std::string firmware;      // overrides the model's firmware text when not empty
    std::string name = "LUMIQUAD SIMULATOR";
    uint16_t serial = 4711;
    Fault fault = Fault::None;
    int faultEvery = 1;     // the fault hits every n-th request (1 = all)
    int baud = 0;           // > 0: pace every byte to the wire time of this rate
    int plausibility = -1;  // >= 0: force this plausibility count on orders 1 and 4
    uint32_t seed = 1;      // noise
    // How many of the latest requests Requests() keeps (0: none). The log is
    // a ring, so a simulator that serves for days keeps flat memory.
    size_t requestLog = 4096;
};

// One request as the simulator saw it.
struct SeenRequest {
    int order = 0;
    uint16_t argument = 0;
    uint16_t length = 0;
};

// What a transport writes for the bytes fed in.
struct Reply {
    std::vector<uint8_t> bytes;  // written at once
    std::vector<size_t> pauses;  // offsets into `bytes` after which to pause (Fragment)
    bool drip = false;           // `bytes` one at a time, kDripGap apart
    std::vector<uint8_t> late;   // written on its own kLateDelay later
    void Clear() {
        bytes.clear();
        pauses.clear();
        drip = false;
        late.clear();
    }
};

// The protocol engine. Thread-safe: every public method locks.
class Sensor {
  public:
    explicit Sensor(SimConfig config = {});
    ~Sensor();

    // Feeds received bytes; complete requests are answered into `out`.
    // Returns false when the connection should be closed (Fault::Close).
    bool Feed(const uint8_t* data, size_t count, std::vector<uint8_t>& out);
    // The same; `pauses` receives the offsets into `out` (appended) after which
    // a transport pauses briefly before writing on (Fault::Fragment).
    bool Feed(const uint8_t* data, size_t count, std::vector<uint8_t>& out,
              std::vector<size_t>& pauses);
    // The same, with every shape of the answer for a transport. `reply` is
    // appended to.
    bool Feed(const uint8_t* data, size_t count, Reply& reply);
    // Drops a partly received request (a new connection starts clean).
    void ResetInput();
    // A new connection: drops a partial request and the answer Lag holds back;
    // under Fault::Unsolicited appends the live frame sent before any request.
    void Connected(Reply& reply);
    // Appends an unrequested live frame (order 8, a measurement of the model).
    void AppendLiveFrame(std::vector<uint8_t>& out);

    // The colour target presented to the sensor: the raw values at POWER 1000,
    // GAIN 1 and INTEGRAL 1 (they grow with each of them and clip at 4095).
    void SetColor(int r, int g, int b);
    // The n-th count starts again with every call.
    void SetFault(Fault f, int every = 1);
    SimConfig Config() const;
    // The pacing rate alone, for the transports (no copy of the whole config per answer).
    int Baud() const;

    lq::ParaBlock Ram() const;
    lq::ParaBlock Eeprom() const;
    lq::TeachTable RamTeach() const;  // the 32 sensor vectors (rest zero)
    lq::TeachTable EepromTeach() const;
    void SetRam(const lq::ParaBlock& p, const lq::TeachTable& t);
    void SetEeprom(const lq::ParaBlock& p, const lq::TeachTable& t);
    // The latest requests (at most SimConfig::requestLog), oldest first.
    std::vector<SeenRequest> Requests() const;
    // Requests seen in all (of one order), however many the log still holds.
    uint64_t RequestCount() const;
    uint64_t RequestCount(int order) const;
    // Empties the log and the counts.
    void ClearRequests();
    // Next live record exactly as given (21 words), instead of the model; for tests.
    void QueueLiveRecord(const int16_t (&words)[21]);

    // The firmware text answered to order 7 (model text or SimConfig::firmware).
    std::string FirmwareText() const;
    // Forces the plausibility count of orders 1 and 4 (-1: the real count).
    void SetPlausibility(int count);
    // One measurement of the model with the current RAM parameters, as order 8
    // would answer it (ignores queued records); advances the noise.
    std::array<int16_t, 21> Measure();
    // A few lines on the RAM parameters, the taught vectors and the live values.
    std::string Summary() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Serves a Sensor over TCP on 127.0.0.1 from a thread. port 0 picks a free port.
class TcpServer {
  public:
    TcpServer(Sensor& sensor, int port = 0, const std::string& bindAddress = "127.0.0.1");
    ~TcpServer();
    bool Start();  // false when the port cannot be bound
    void Stop();
    int Port() const;
    // Closes the current client connection (the sensor "closes the connection").
    void DropClient();
    // True while a client is connected.
    bool HasClient() const;
    // Writes an unrequested live frame to the connected client now; true once
    // it is written (false without a client or when the server stops).
    bool SendUnsolicited();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Serves a Sensor over a pseudo-terminal from a thread.
class PtyServer {
  public:
    explicit PtyServer(Sensor& sensor);
    ~PtyServer();
    bool Start();
    void Stop();
    std::string SlavePath() const;  // e.g. /dev/pts/7
    // Creates a symlink `linkPath` -> slave (so a COM number can point at it).
    bool Link(const std::string& linkPath);
    // Writes an unrequested live frame to the line now; true once it is written.
    bool SendUnsolicited();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A production line: `count` independent sensors (each its own RAM, EEPROM,
// serial number and name), each served by a TcpServer of its own on ports
// FirstPort() .. FirstPort() + count - 1, all at the same time. Indexes are
// 0-based here; lumiquad-sim numbers the sensors from 1.
class SensorLine {
  public:
    // Sensor i gets LineSensorConfig(base, i, count).
    SensorLine(int count, const SimConfig& base = {});
    ~SensorLine();
    SensorLine(const SensorLine&) = delete;
    SensorLine& operator=(const SensorLine&) = delete;
    // Serves on basePort .. basePort + count - 1; basePort 0 finds a block of
    // consecutive free ports. False when the ports cannot all be bound.
    bool Start(int basePort = 0, const std::string& bindAddress = "127.0.0.1");
    void Stop();
    int Size() const;
    Sensor& At(int index);
    const Sensor& At(int index) const;
    TcpServer& Server(int index);  // only after Start
    int FirstPort() const;         // 0 before Start
    int Port(int index) const;

  private:
    std::vector<std::unique_ptr<Sensor>> sensors_;
    std::vector<std::unique_ptr<TcpServer>> servers_;
    int firstPort_ = 0;
};

// The configuration of sensor `index` (0-based) of a line of `count`: the
// base itself for a line of one; otherwise the name gains " <index + 1>", the
// serial number grows by the index and the noise seed differs.
SimConfig LineSensorConfig(const SimConfig& base, int index, int count);

}  // namespace lqsim
