// The sensor simulator: a protocol engine that answers every order like a
// LUMIQUAD sensor, and transports that serve it over TCP and a
// pseudo-terminal on a thread of their own. Used by the demo, the
// end-to-end tests and the benchmarks.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "data/para.h"

namespace lqsim {

// Silent, Error1, Error2 and Close leave the request undone; the others carry
// it out and spoil only the answer.
enum class Fault {
    None,
    Silent,     // answers nothing
    BadSync,    // header with a wrong sync byte (CRC recomputed)
    BadHeader,  // header with a wrong header CRC
    BadData,    // one data byte corrupted
    Error1,     // error response, status 1
    Error2,     // error response, status 2
    Fragment,   // response written in small pieces with pauses
    Close,      // closes the connection instead of answering
    Oversize,   // header announcing more data than a frame can hold
};

// "none", "silent", "bad-sync", "bad-header", "bad-data", "error1", "error2",
// "fragment", "close", "oversize".
const char* FaultName(Fault f);
bool ParseFault(const std::string& name, Fault& f);

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
};

// One request as the simulator saw it.
struct SeenRequest {
    int order = 0;
    uint16_t argument = 0;
    uint16_t length = 0;
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
    // Drops a partly received request (a new connection starts clean).
    void ResetInput();

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
    std::vector<SeenRequest> Requests() const;
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

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace lqsim
