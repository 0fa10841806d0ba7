// Identification alone: the firmware and name exchanges of the connection
// sequence, without the default-parameter question and the parameter read,
// so that a caller can learn what is connected without touching the
// sensor's RAM or EEPROM.
#pragma once

#include "app/core/session_state.h"

namespace lq {

// On an open link: order 7 (firmwareText, sensorType, the status display and
// its tool-tip), then order 15 (sensorName, the serial number in respStatus,
// the status text box lines). Shows the connection popup like the connection
// sequence does when an exchange fails or the firmware is not supported.
// Returns 1 when identified, 0 for an unsupported sensor, -1 when an
// exchange failed (the failure report has run).
int IdentifySensor(App& a);

}  // namespace lq
