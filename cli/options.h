// The command line of lumiquad-cli: the link, the command and its options.
#pragma once

#include <string>

namespace lq::cli {

enum class Command { None, Identify, Get, Send, Defaults, Live, Freq };
enum class LiveFormat { Csv, Table };

// Exit codes.
enum Exit : int {
    EXIT_OK = 0,
    EXIT_LINK = 1,     // the link or the sensor failed
    EXIT_USAGE = 2,    // the command line is wrong
    EXIT_REFUSED = 3,  // unsupported sensor, or a file of another type or version
    EXIT_FILE = 4,     // a file cannot be read or written
};

inline constexpr int kDefaultTcpPort = 5000;

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

    bool eeprom = false;  // get, send, defaults: the EEPROM rather than the RAM
    std::string output;   // get: -o FILE ("-": standard output)
    std::string file;     // send: the parameter file
    bool force = false;   // send: take a file of another type or version
    long count = 0;       // live: stop after this many records (0: no limit)
    double seconds = 0;   // live: stop after this many seconds (0: no limit)
    LiveFormat format = LiveFormat::Csv;
};

enum class ParseStatus { Run, Help, Error };

// Fills `o` from the arguments. Error: `error` says what is wrong.
ParseStatus ParseArgs(int argc, const char* const* argv, Options& o, std::string& error);

// The help text of the tool (Command::None) or of one command.
const char* HelpText(Command c);
const char* CommandName(Command c);

}  // namespace lq::cli
