// The bridge's configuration file, an INI file read with the program's own
// INI store:
//
//   [broker]  host, port, client_id, keepalive, username, password_file,
//             tls (on/off), ca_file
//   [bridge]  prefix (topic prefix, default "lumiquad"), commands (on/off)
//   [sensor NAME] (one per sensor)  label (default NAME), address
//             ("tcp HOST[:PORT]" or "com N [BAUD]"), rate (live records
//             published per second at most, 0 for every record; default 10)
//
// Every problem is reported with the line it is on.
#pragma once

#include <string>
#include <vector>

#include "session/sensor_address.h"

namespace lq::bridge {

struct BrokerConfig {
    std::string host = "127.0.0.1";
    int port = 1883;
    std::string clientId = "lumiquad-bridge";
    int keepalive = 30;
    std::string username;
    std::string passwordFile;
    std::string password;  // first line of passwordFile
    bool tls = false;
    std::string caFile;
};

struct SensorConfig {
    std::string label;
    SensorAddress address;
    std::string addressText;  // as written
    double rate = 10;         // records per second; 0: no limit
    int line = 0;             // line of its section
};

struct BridgeConfig {
    BrokerConfig broker;
    std::string prefix = "lumiquad";
    bool commands = false;
    std::vector<SensorConfig> sensors;
};

struct ConfigProblem {
    int line = 0;  // 0: the file as a whole
    std::string text;
};

// Reads and validates the file. Returns the problems found (none: `config`
// is complete and usable).
std::vector<ConfigProblem> ReadBridgeConfig(const std::string& path, BridgeConfig& config);

// "PATH:LINE: text" (or "PATH: text" for the file as a whole).
std::string FormatProblem(const std::string& path, const ConfigProblem& p);

// A host that is only reachable from this machine (localhost, 127.0.0.0/8, ::1).
bool IsLoopbackHost(const std::string& host);

// A topic level that MQTT wildcards and separators cannot disturb.
bool ValidTopicLevel(const std::string& level);

}  // namespace lq::bridge
