// The bridge daemon: one sensor worker and one MQTT session per configured
// sensor, published from one poll() loop until SIGTERM or SIGINT.
#pragma once

#include "bridge/config.h"

namespace lq::bridge {

// Runs until a termination signal; returns the process exit status.
int RunBridge(const BridgeConfig& config);

// The command line: `lumiquad-bridge [--check] CONFIG`.
int BridgeMain(int argc, const char* const* argv);

}  // namespace lq::bridge
