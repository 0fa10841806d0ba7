// lumiquad-cli fleet: one command on every sensor of a list, several sensors
// at a time, each with a SensorTool of its own on a thread of its own.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"
#include "session/sensor_address.h"

namespace lq::cli {

// One line of the sensor list.
struct FleetSensor {
    int line = 0;  // 1-based line number in the list
    SensorAddress address;
    std::string label;  // as written after the link; may be empty
    std::string name;   // the label, or the link ("127.0.0.1:5000", "COM3")
};

// Parses the sensor list: "tcp HOST[:PORT] [LABEL]" or "com N [BAUD] [LABEL]"
// per line; blank lines and lines whose first character (after blanks) is #
// are skipped. False on the first invalid line, with `error` naming it, or
// when no sensor is listed.
bool ParseSensorList(std::string_view text, std::vector<FleetSensor>& sensors, std::string& error);

// The file name of a sensor's parameter file for fleet get: the name with
// every character but letters, digits, '.', '-' and '_' turned into '_'
// (and no leading '.'), then ".ini".
std::string SensorFileName(const FleetSensor& sensor);

// Sensors that must not be connected at the same time share a key: a COM
// port (whatever the rate) or a TCP address.
std::string ExclusiveKey(const SensorAddress& address);

// Runs `fleet`: reads o.sensorsFile, runs o.fleetCommand on every sensor,
// prints progress on `err` and the summary on `out`, writes o.report.
int RunFleet(const Options& o, FILE* out, FILE* err);

}  // namespace lq::cli
