#include "cli/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "link/link.h"

namespace lq::cli {
namespace {

constexpr const char* kToolHelp =
    "usage: lumiquad-cli [--tcp HOST[:PORT] | --com N [--baud RATE]] COMMAND [options]\n"
    "       lumiquad-cli fleet SENSORS COMMAND [options]\n"
    "\n"
    "Sensor operations of the LUMIQUAD TALVERN Kelvo program without a window.\n"
    "\n"
    "Link (one of them is needed):\n"
    "  --tcp HOST[:PORT]   the sensor's TCP server (port 5000 when omitted;\n"
    "                      an IPv6 address with a port is written [ADDR]:PORT)\n"
    "  --com N             serial port COM N (1-32 ttyS, 33-64 ttyUSB, 65-96 ttyACM)\n"
    "  --baud RATE         9600, 19200, 38400, 57600, 115200 (default), 230400,\n"
    "                      460800 or 921600\n"
    "\n"
    "Commands:\n"
    "  identify            model, sensor type, firmware, name and serial number\n"
    "  get                 read the configuration into a parameter file\n"
    "  send FILE           write a parameter file into the sensor\n"
    "  verify FILE         compare the sensor's configuration with a parameter file\n"
    "  defaults            write the connection defaults into the sensor\n"
    "  live                stream live measurements\n"
    "  freq                measure the cycle frequency\n"
    "  fleet SENSORS CMD   run identify, get, send, verify or defaults on every\n"
    "                      sensor listed in the file SENSORS, several at a time\n"
    "\n"
    "`lumiquad-cli COMMAND --help` describes a command.\n"
    "\n"
    "Exit status: 0 success, 1 link or sensor failure, 2 usage error,\n"
    "3 unsupported sensor or refused file, 4 file cannot be read or written,\n"
    "5 verify found differences, 6 fleet: sensors failed for different reasons.\n";

constexpr const char* kIdentifyHelp =
    "usage: lumiquad-cli LINK identify\n"
    "\n"
    "Asks the sensor for its firmware text (order 7) and its name and serial\n"
    "number (order 15) and prints the model string, the sensor type (1 V4,\n"
    "2 QX, 3 QXR), the firmware text, the name and the serial number. Nothing\n"
    "in the sensor's RAM or EEPROM changes. An unsupported sensor ends with\n"
    "exit status 3 and the program's message on standard error.\n";

constexpr const char* kGetHelp =
    "usage: lumiquad-cli LINK get [--ram | --eeprom] -o FILE\n"
    "\n"
    "Reads the parameter block and the 32 teach vectors of the sensor and\n"
    "writes them as a parameter file, exactly as the panel's SEND to FILE does\n"
    "(vectors 32 to 63, which the sensor does not hold, are written as 0).\n"
    "\n"
    "  --ram               read the sensor's RAM as it is (default)\n"
    "  --eeprom            load the EEPROM into the RAM first, then read\n"
    "  -o, --output FILE   the file to write; - writes to standard output\n";

constexpr const char* kSendHelp =
    "usage: lumiquad-cli LINK send FILE [--ram | --eeprom] [--force]\n"
    "\n"
    "Reads the parameter file with the panel's rules (a missing or unreadable\n"
    "value takes its fallback; both reports go to standard error) and writes\n"
    "the parameter block and the 32 sensor teach vectors into the sensor's RAM.\n"
    "Prints the sensor's plausibility count of each write.\n"
    "\n"
    "  --ram               write the RAM only (default)\n"
    "  --eeprom            store the RAM in the EEPROM afterwards\n"
    "  --force             take a file whose FILE TYPE: or KELVO VERSION: differs\n"
    "                      (refused with exit status 3 otherwise)\n";

constexpr const char* kDefaultsHelp =
    "usage: lumiquad-cli LINK defaults [--ram | --eeprom]\n"
    "\n"
    "Writes the connection defaults (one colour) into the sensor's RAM and\n"
    "prints the sensor's plausibility count of each write.\n"
    "\n"
    "  --ram               write the RAM only (default)\n"
    "  --eeprom            store the RAM in the EEPROM afterwards\n";

constexpr const char* kLiveHelp =
    "usage: lumiquad-cli LINK live [--count N] [--seconds S] [--format csv|table]\n"
    "\n"
    "Streams live measurements, one line per record, flushed at once. CSV has\n"
    "the header line time,R,G,B,X,Y,INT,C-No; time is in seconds since the\n"
    "start. Runs until the count or the time is reached (whichever comes\n"
    "first) or Ctrl-C, which ends it after the current exchange.\n"
    "\n"
    "  --count N           stop after N records\n"
    "  --seconds S         stop after S seconds\n"
    "  --format csv|table  output format (default csv)\n";

constexpr const char* kVerifyHelp =
    "usage: lumiquad-cli LINK verify FILE [--ram | --eeprom] [--force]\n"
    "\n"
    "Reads the parameter file with the panel's rules (as send does), reads the\n"
    "sensor's parameter block and 32 teach vectors (as get does) and compares\n"
    "them word by word. Prints one line per difference on standard output:\n"
    "\n"
    "  POWER: sensor 700, file 701\n"
    "  TEACH VECTOR 3 / CELL 2: sensor 12, file 13\n"
    "\n"
    "and ends with exit status 5 when there is one, 0 when they are equal.\n"
    "Nothing is written to the sensor.\n"
    "\n"
    "  --ram               compare the sensor's RAM as it is (default)\n"
    "  --eeprom            load the EEPROM into the RAM first (order 4)\n"
    "  --force             take a file whose FILE TYPE: or KELVO VERSION: differs\n"
    "                      (refused with exit status 3 otherwise)\n";

constexpr const char* kFleetHelp =
    "usage: lumiquad-cli fleet SENSORS COMMAND [options] [--jobs N] [--report FILE.json]\n"
    "\n"
    "Runs one command on every sensor listed in the text file SENSORS, one\n"
    "sensor a line:\n"
    "\n"
    "  tcp HOST[:PORT] [LABEL]\n"
    "  com N [BAUD] [LABEL]\n"
    "\n"
    "Blank lines and lines starting with # are ignored. COMMAND is one of\n"
    "\n"
    "  identify\n"
    "  get --out-dir DIR [--ram | --eeprom]   one parameter file per sensor,\n"
    "                                         named LABEL.ini (or by host/COM)\n"
    "  send FILE [--ram | --eeprom] [--force]\n"
    "  verify FILE [--ram | --eeprom] [--force]\n"
    "  defaults [--ram | --eeprom]\n"
    "\n"
    "Each sensor has a connection of its own; a COM port (or TCP address)\n"
    "listed twice is never opened twice at the same time. A line on standard\n"
    "error tells as each sensor finishes; a table on standard output sums up.\n"
    "\n"
    "  --jobs N            sensors at the same time (default 16, at most 256)\n"
    "  --report FILE.json  a machine-readable report of every sensor\n"
    "\n"
    "Exit status 0 when every sensor succeeded; otherwise the status the\n"
    "single-sensor command gives, when every failing sensor has the same one,\n"
    "else 6. An invalid line of SENSORS is a usage error (2) that names it.\n";

constexpr const char* kFreqHelp =
    "usage: lumiquad-cli LINK freq\n"
    "\n"
    "Asks the sensor for its cycle count (order 105) and prints the cycle\n"
    "frequency in Hz: no decimals above 1000 Hz, one above 1 Hz, two below.\n";

struct CommandEntry {
    const char* name;
    Command command;
};
constexpr CommandEntry kCommands[] = {
    {"identify", Command::Identify}, {"get", Command::Get},     {"send", Command::Send},
    {"defaults", Command::Defaults}, {"live", Command::Live},   {"freq", Command::Freq},
    {"verify", Command::Verify},     {"fleet", Command::Fleet},
};

constexpr int kBaudRates[] = {9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
constexpr size_t kMaxDeviceDir = 255;

bool ParseLong(const char* s, long lo, long hi, long& v) {
    if (s == nullptr || *s == '\0') return false;
    char* end = nullptr;
    errno = 0;
    v = std::strtol(s, &end, 10);
    return errno == 0 && *end == '\0' && v >= lo && v <= hi;
}

bool ParseSeconds(const char* s, double& v) {
    if (s == nullptr || *s == '\0') return false;
    char* end = nullptr;
    errno = 0;
    v = std::strtod(s, &end);
    return errno == 0 && *end == '\0' && std::isfinite(v) && v > 0.0;
}

// HOST, HOST:PORT, [ADDR] or [ADDR]:PORT; a bare IPv6 address has no port.
bool ParseTcp(std::string_view text, std::string& host, int& port, std::string& error) {
    std::string_view portText;
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string_view::npos) {
            error = "--tcp: missing ']' in " + std::string(text);
            return false;
        }
        host = std::string(text.substr(1, close - 1));
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') {
                error = "--tcp: unexpected text after ']' in " + std::string(text);
                return false;
            }
            portText = rest.substr(1);
            if (portText.empty()) portText = "?";
        }
    } else {
        const size_t colon = text.find(':');
        if (colon != std::string_view::npos &&
            text.find(':', colon + 1) == std::string_view::npos) {
            host = std::string(text.substr(0, colon));
            portText = text.substr(colon + 1);
            if (portText.empty()) portText = "?";
        } else {
            host = std::string(text);
        }
    }
    if (host.empty()) {
        error = "--tcp: no host given";
        return false;
    }
    if (host.size() > 255) {
        error = "--tcp: host name longer than 255 characters";
        return false;
    }
    port = kDefaultTcpPort;
    if (!portText.empty()) {
        long v = 0;
        const std::string p(portText);
        if (!ParseLong(p.c_str(), 1, 65535, v)) {
            error = "--tcp: port must be a number from 1 to 65535, not " + p;
            return false;
        }
        port = static_cast<int>(v);
    }
    return true;
}

bool TakesMemory(Command c) {
    return c == Command::Get || c == Command::Send || c == Command::Defaults ||
           c == Command::Verify;
}

bool TakesFile(Command c) {
    return c == Command::Send || c == Command::Verify;
}

bool RunsInFleet(Command c) {
    return c == Command::Identify || c == Command::Get || c == Command::Send ||
           c == Command::Verify || c == Command::Defaults;
}

Command FindCommand(std::string_view name) {
    for (const CommandEntry& e : kCommands)
        if (name == e.name) return e.command;
    return Command::None;
}

}  // namespace

const char* CommandName(Command c) {
    for (const CommandEntry& e : kCommands)
        if (e.command == c) return e.name;
    return "";
}

const char* HelpText(Command c) {
    switch (c) {
        case Command::Identify:
            return kIdentifyHelp;
        case Command::Get:
            return kGetHelp;
        case Command::Send:
            return kSendHelp;
        case Command::Defaults:
            return kDefaultsHelp;
        case Command::Live:
            return kLiveHelp;
        case Command::Freq:
            return kFreqHelp;
        case Command::Verify:
            return kVerifyHelp;
        case Command::Fleet:
            return kFleetHelp;
        case Command::None:
            break;
    }
    return kToolHelp;
}

ParseStatus ParseArgs(int argc, const char* const* argv, Options& o, std::string& error) {
    bool ram = false;
    bool outputGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        // The value of an option: the next argument, which must exist.
        auto value = [&](const char*& v) {
            if (i + 1 >= argc) {
                error = std::string(arg) + " needs a value";
                return false;
            }
            v = argv[++i];
            return true;
        };
        const char* v = nullptr;
        long n = 0;
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--tcp") {
            if (!value(v)) return ParseStatus::Error;
            if (o.tcp || o.com) {
                error = "give one link: --tcp or --com, once";
                return ParseStatus::Error;
            }
            if (!ParseTcp(v, o.host, o.port, error)) return ParseStatus::Error;
            o.tcp = true;
        } else if (arg == "--com") {
            if (!value(v)) return ParseStatus::Error;
            if (o.tcp || o.com) {
                error = "give one link: --tcp or --com, once";
                return ParseStatus::Error;
            }
            char device[64];
            if (!ParseLong(v, 1, 256, n) ||
                !ComDevicePath("/dev", static_cast<int>(n), device, sizeof device)) {
                error = std::string("--com: no serial device is mapped to COM ") + v +
                        " (COM 1-32 ttyS, 33-64 ttyUSB, 65-96 ttyACM)";
                return ParseStatus::Error;
            }
            o.com = true;
            o.comPort = static_cast<int>(n);
        } else if (arg == "--baud") {
            if (!value(v)) return ParseStatus::Error;
            bool found = false;
            if (ParseLong(v, 1, 10000000, n)) {
                for (size_t k = 0; k < std::size(kBaudRates); ++k) {
                    if (kBaudRates[k] == n) {
                        o.baudIndex = static_cast<int>(k);
                        found = true;
                    }
                }
            }
            if (!found) {
                error = std::string("--baud: not a supported rate: ") + v;
                return ParseStatus::Error;
            }
            o.baudGiven = true;
        } else if (arg == "--device-dir") {
            if (!value(v)) return ParseStatus::Error;
            o.deviceDir = v;
            if (o.deviceDir.empty() || o.deviceDir.size() > kMaxDeviceDir) {
                error = "--device-dir: an empty or too long path";
                return ParseStatus::Error;
            }
        } else if (arg == "--eeprom" || arg == "--ram") {
            if (!TakesMemory(SensorCommand(o))) {
                error = std::string(arg) + " belongs to get, send, verify or defaults";
                return ParseStatus::Error;
            }
            (arg == "--eeprom" ? o.eeprom : ram) = true;
        } else if (arg == "-o" || arg == "--output") {
            if (o.command != Command::Get) {
                error = std::string(arg) + " belongs to get (fleet get takes --out-dir)";
                return ParseStatus::Error;
            }
            if (!value(v)) return ParseStatus::Error;
            o.output = v;
            outputGiven = true;
        } else if (arg == "--force") {
            if (!TakesFile(SensorCommand(o))) {
                error = "--force belongs to send or verify";
                return ParseStatus::Error;
            }
            o.force = true;
        } else if (arg == "--count") {
            if (o.command != Command::Live) {
                error = "--count belongs to live";
                return ParseStatus::Error;
            }
            if (!value(v)) return ParseStatus::Error;
            if (!ParseLong(v, 1, 2000000000L, n)) {
                error = std::string("--count: a number of records from 1, not ") + v;
                return ParseStatus::Error;
            }
            o.count = n;
        } else if (arg == "--seconds") {
            if (o.command != Command::Live) {
                error = "--seconds belongs to live";
                return ParseStatus::Error;
            }
            if (!value(v)) return ParseStatus::Error;
            if (!ParseSeconds(v, o.seconds)) {
                error = std::string("--seconds: a time in seconds above 0, not ") + v;
                return ParseStatus::Error;
            }
        } else if (arg == "--format") {
            if (o.command != Command::Live) {
                error = "--format belongs to live";
                return ParseStatus::Error;
            }
            if (!value(v)) return ParseStatus::Error;
            if (std::strcmp(v, "csv") == 0) {
                o.format = LiveFormat::Csv;
            } else if (std::strcmp(v, "table") == 0) {
                o.format = LiveFormat::Table;
            } else {
                error = std::string("--format: csv or table, not ") + v;
                return ParseStatus::Error;
            }
        } else if (arg == "--jobs" || arg == "--report" || arg == "--out-dir") {
            if (o.command != Command::Fleet) {
                error = std::string(arg) + " belongs to fleet";
                return ParseStatus::Error;
            }
            if (arg == "--out-dir" && o.fleetCommand != Command::Get) {
                error = "--out-dir belongs to fleet get";
                return ParseStatus::Error;
            }
            if (!value(v)) return ParseStatus::Error;
            if (arg == "--jobs") {
                if (!ParseLong(v, 1, kMaxJobs, n)) {
                    error = std::string("--jobs: a number from 1 to ") + std::to_string(kMaxJobs) +
                            ", not " + v;
                    return ParseStatus::Error;
                }
                o.jobs = static_cast<int>(n);
            } else if (*v == '\0') {
                error = std::string(arg) + " needs a path";
                return ParseStatus::Error;
            } else {
                (arg == "--report" ? o.report : o.outDir) = v;
            }
        } else if (arg.size() > 1 && arg.front() == '-' && arg != "-") {
            error = "unknown option " + std::string(arg);
            return ParseStatus::Error;
        } else if (o.command == Command::None) {
            o.command = FindCommand(arg);
            if (o.command == Command::None) {
                error = "unknown command " + std::string(arg);
                return ParseStatus::Error;
            }
        } else if (o.command == Command::Fleet && o.sensorsFile.empty()) {
            o.sensorsFile = std::string(arg);
        } else if (o.command == Command::Fleet && o.fleetCommand == Command::None) {
            o.fleetCommand = FindCommand(arg);
            if (!RunsInFleet(o.fleetCommand)) {
                error =
                    "fleet runs identify, get, send, verify or defaults, not " + std::string(arg);
                return ParseStatus::Error;
            }
        } else if (TakesFile(SensorCommand(o)) && o.file.empty()) {
            o.file = std::string(arg);
        } else {
            error = "unexpected argument " + std::string(arg);
            return ParseStatus::Error;
        }
    }

    if (o.help) return ParseStatus::Help;
    if (o.command == Command::None) {
        error = "no command given";
        return ParseStatus::Error;
    }
    if (o.command == Command::Fleet) {
        if (o.tcp || o.com) {
            error = "fleet takes the links from SENSORS, not from --tcp or --com";
            return ParseStatus::Error;
        }
        if (o.sensorsFile.empty() || o.fleetCommand == Command::None) {
            error = "fleet needs SENSORS and a COMMAND";
            return ParseStatus::Error;
        }
        if (o.fleetCommand == Command::Get && o.outDir.empty()) {
            error = "fleet get needs --out-dir DIR";
            return ParseStatus::Error;
        }
    } else if (!o.tcp && !o.com) {
        error = "no link given: use --tcp HOST[:PORT] or --com N";
        return ParseStatus::Error;
    }
    if (o.baudGiven && !o.com) {
        error = "--baud belongs to --com";
        return ParseStatus::Error;
    }
    if (o.eeprom && ram) {
        error = "--ram and --eeprom exclude each other";
        return ParseStatus::Error;
    }
    if (o.command == Command::Get && (!outputGiven || o.output.empty())) {
        error = "get needs -o FILE (- for standard output)";
        return ParseStatus::Error;
    }
    if (TakesFile(SensorCommand(o)) && o.file.empty()) {
        error = std::string(CommandName(SensorCommand(o))) + " needs a parameter FILE";
        return ParseStatus::Error;
    }
    return ParseStatus::Run;
}

}  // namespace lq::cli
