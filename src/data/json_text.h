// JSON string quoting shared by the front ends that write JSON (the fleet
// report, the MQTT bridge).
#pragma once

#include <string>
#include <string_view>

namespace lq {

// Appends UTF-8 text as a quoted JSON string: quotes, backslashes and control
// characters escaped, everything else as it is.
void AppendJsonString(std::string& out, std::string_view utf8);

}  // namespace lq
