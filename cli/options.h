// The command line of lumiquad-cli: the link, the command and its options.
#pragma once

#include <string>

namespace lq::cli {

enum class Command { None, Identify, Get, Send, Defaults, Live, Freq, Verify, Fleet };
enum class LiveFormat { Csv, Table };

// Exit codes.
enum Exit : int {
    EXIT_OK = 0,
    EXIT_LINK = 1,     // the link or the sensor failed
    EXIT_USAGE = 2,    // the command line is wrong
    EXIT_REFUSED = 3,  // unsupported sensor, or a file of another type or version
    EXIT_FILE = 4,     // a file cannot be read or written
    EXIT_DIFFERS = 5,  // verify: the sensor's configuration differs from the file
    EXIT_MIXED = 6,    // fleet: sensors did not succeed, for different reasons
};

inline constexpr int kDefaultTcpPort = 5000;
inline constexpr int kDefaultJobs = 16;
inline constexpr int kMaxJobs = 256;

struct Options {
    // The link: TCP (host, port) or a COM number at a baud-rate index.
    bool tcp = false;
    bool com = false;
    std::string host;
    int port = kDefaultTcpPort;
    int comPort = 0;
    int baudIndex = 4;  // 115200
    bool baudGiven = false;
    std::string deviceDir = "/dev";  // where COM numbers are looked up (tests)

    Command command = Command::None;
    bool help = false;  // --help: of the tool, or of `command` when one is given

    bool eeprom = false;  // get, send, verify, defaults: the EEPROM rather than the RAM
    std::string output;   // get: -o FILE ("-": standard output)
    std::string file;     // send, verify: the parameter file
    bool force = false;   // send, verify: take a file of another type or version
    long count = 0;       // live: stop after this many records (0: no limit)
    double seconds = 0;   // live: stop after this many seconds (0: no limit)
    LiveFormat format = LiveFormat::Csv;

    // fleet SENSORS COMMAND: the command run on every sensor of the list.
    Command fleetCommand = Command::None;
    std::string sensorsFile;
    int jobs = kDefaultJobs;  // sensors served at the same time
    std::string report;       // --report FILE.json
    std::string outDir;       // fleet get: one parameter file per sensor here
};

// The command that runs on a sensor: the fleet's command for `fleet`.
inline Command SensorCommand(const Options& o) {
    return o.command == Command::Fleet ? o.fleetCommand : o.command;
}

enum class ParseStatus { Run, Help, Error };

// Fills `o` from the arguments. Error: `error` says what is wrong.
ParseStatus ParseArgs(int argc, const char* const* argv, Options& o, std::string& error);

// The help text of the tool (Command::None) or of one command.
const char* HelpText(Command c);
const char* CommandName(Command c);

}  // namespace lq::cli
