// Identification alone: the firmware and name exchanges of the connection
// sequence, without the default-parameter question and the parameter read,
// so that a caller can learn what is connected without touching the
// sensor's RAM or EEPROM.
#pragma once

#include <cstdint>
#include <string>

#include "app/core/session_state.h"

namespace lq {

// What the identification learned.
struct Identification {
    int result = -1;            // as IdentifySensor returns it
    int sensorType = 0;         // 0: unsupported
    char model[80] = {};        // "LUMIQUAD QX V1."
    char firmware[73] = {};     // the firmware text as read
    char name[256] = {};        // identified only
    uint16_t serialNumber = 0;  // identified only
    std::string message;        // unsupported or failed: the connection popup's text
};

// On an open link: order 7 (firmwareText, sensorType, FirmwareRead and the
// status display), then order 15 (sensorName, the serial number in
// respStatus, the status log lines). Asks the connection question like the
// connection sequence does when an exchange fails or the firmware is not
// supported; `out` (when given) receives what was learned.
// Returns 1 when identified, 0 for an unsupported sensor, -1 when an
// exchange failed (the failure report has run).
int IdentifySensor(App& a, Identification* out = nullptr);

}  // namespace lq
