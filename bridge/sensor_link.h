// The bridge's one door to a sensor: connect and identify, read the
// configuration, one live record, GET, SEND, FREQ. Each SensorLink owns its
// own application object and platform, so sensors share no state and each
// can run on a thread of its own. Every operation blocks until the sensor's
// exchanges are done (at most the link's time limits) and reports the
// program's own message texts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/core/session_state.h"
#include "data/para.h"
#include "session/sensor_address.h"

namespace lq::bridge {

struct SensorIdentity {
    std::string model;     // "LUMIQUAD QX V1."
    std::string firmware;  // the firmware text as the sensor sent it
    std::string display;   // the program's display text of it
    std::string name;
    unsigned serial = 0;
    int sensorType = 0;
};

// What one operation produced. `failed`: the link failed (the sensor is to be
// treated as offline); `failure` then holds the program's failure text.
// `messages` holds every program message of the operation in order, the
// failure text included.
struct Outcome {
    bool failed = false;
    std::string failure;
    std::vector<std::string> messages;
};

struct SendCounts {
    unsigned parameterBlock = 0;  // RAM plausibility counts of the two writes
    unsigned teachTable = 0;
    bool stored = false;  // the EEPROM store was requested
};

class SensorLink {
  public:
    explicit SensorLink(const SensorAddress& address);
    ~SensorLink();
    SensorLink(const SensorLink&) = delete;
    SensorLink& operator=(const SensorLink&) = delete;

    // Opens the link and identifies the sensor. An unsupported sensor fails
    // with the program's message and leaves the link closed.
    Outcome Connect(SensorIdentity& id);
    // Orders 7 and 15 again on the open link.
    Outcome Identify(SensorIdentity& id);
    // The configuration in the sensor's RAM (with `eeprom`, loaded from the
    // EEPROM first).
    Outcome Get(bool eeprom, ParaBlock& para, TeachTable& teach);
    // Writes the configuration to the sensor's RAM, with `eeprom` then stores it.
    Outcome Send(const ParaBlock& para, const TeachTable& teach, bool eeprom, SendCounts& counts);
    // One live record.
    Outcome Live(LiveRecord& record);
    // The sensor's measurement rate in hertz; `text` as the program shows it.
    Outcome Freq(double& hz, std::string& text);
    // Closes the link (nothing happens when it is closed).
    void Close();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace lq::bridge
