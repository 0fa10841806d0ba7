// The address of one sensor as a line of text, shared by every front end that
// keeps a list of sensors: "tcp HOST[:PORT]" (IPv6 hosts in brackets, port
// 5000 when none is given) or "com N [BAUD]" (N from 1 to 256, one of the
// link's baud rates, 115200 when none is given). Pure text handling: no link
// is opened here.
#pragma once

#include <string>
#include <string_view>

namespace lq {

struct SensorAddress {
    enum class Kind { Tcp, Com };
    Kind kind = Kind::Tcp;
    std::string host;    // Tcp: name or address, without brackets
    int tcpPort = 5000;  // Tcp
    int comPort = 0;     // Com: 1 ... 256
    int baud = 115200;   // Com
    int baudIndex = 4;   // Com: index into the link's baud-rate table
};

// Parses `text` (blanks around the words are ignored, the keyword's case is
// not). Returns true and fills `out`; otherwise false, `out` unchanged and
// `error` says what is wrong in a short sentence.
bool ParseSensorAddress(std::string_view text, SensorAddress& out, std::string& error);

// The canonical text of an address ("tcp 127.0.0.1:5000", "tcp [::1]:5000",
// "com 3 115200"); parsing it gives the same address.
std::string FormatSensorAddress(const SensorAddress& out);

}  // namespace lq
