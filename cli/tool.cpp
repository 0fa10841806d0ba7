#include "cli/tool.h"

#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "cli/fleet.h"
#include "cli/options.h"
#include "cli/sensor_tool.h"
#include "data/text1252.h"

namespace lq::cli {
namespace {

int Identify(const SensorTool& tool, FILE* out) {
    const Identification& id = tool.Id();
    // The sensor's texts are Windows-1252; the tool writes UTF-8.
    std::fprintf(out, "model: %s\n", Cp1252ToUtf8(id.model).c_str());
    std::fprintf(out, "sensor type: %d\n", id.sensorType);
    std::fprintf(out, "firmware: %s\n", Cp1252ToUtf8(id.firmware).c_str());
    std::fprintf(out, "sensor name: %s\n", Cp1252ToUtf8(id.name).c_str());
    std::fprintf(out, "serial number: %u\n", static_cast<unsigned>(id.serialNumber));
    return EXIT_OK;
}

int Send(SensorTool& tool, const Options& o, FILE* out) {
    TransferResult r;
    if (tool.Send(o.eeprom, r) != EXIT_OK) return EXIT_LINK;
    std::fprintf(out, "parameter block written to RAM, plausibility count %d\n", r.paraCount);
    std::fprintf(out, "teach table written to RAM, plausibility count %d\n", r.teachCount);
    if (o.eeprom) std::fprintf(out, "stored in EEPROM\n");
    std::fflush(out);
    return EXIT_OK;
}

int Verify(SensorTool& tool, const Options& o, FILE* out) {
    std::vector<Difference> differences;
    const int r = tool.Verify(o.eeprom, differences);
    for (const Difference& d : differences) std::fprintf(out, "%s\n", FormatDifference(d).c_str());
    if (r == EXIT_OK) std::fprintf(out, "sensor and %s agree\n", o.file.c_str());
    std::fflush(out);
    return r;
}

int Run(const Options& o, FILE* out, FILE* err) {
    if (o.command == Command::Fleet) return RunFleet(o, out, err);
    // The application object holds the link's fixed buffers: the tool keeps
    // it off the stack.
    SensorTool tool(out, err);
    // A file that is refused or unreadable never costs a connection.
    if (o.command == Command::Send || o.command == Command::Verify) {
        const int r = tool.LoadFile(o.file, o.force);
        if (r != EXIT_OK) return r;
    }
    // Nor is a sensor read (or its RAM reloaded) for a file that cannot be kept.
    if (o.command == Command::Get) {
        const int r = tool.CheckWritable(o.output);
        if (r != EXIT_OK) return r;
    }
    LinkChoice link;
    link.tcp = o.tcp;
    link.host = o.host;
    link.port = o.port;
    link.comPort = o.com ? o.comPort : 1;
    link.baudIndex = o.baudIndex;
    link.deviceDir = o.deviceDir;
    const int opened = tool.Open(link);
    if (opened != EXIT_OK) return opened;
    switch (o.command) {
        case Command::Identify:
            return Identify(tool, out);
        case Command::Get:
            if (tool.Get(o.eeprom) != EXIT_OK) return EXIT_LINK;
            return tool.WriteFile(o.output);
        case Command::Send:
            return Send(tool, o, out);
        case Command::Verify:
            return Verify(tool, o, out);
        case Command::Defaults:
            tool.LoadDefaults();
            return Send(tool, o, out);
        case Command::Live:
            return tool.Live(o);
        case Command::Freq:
            return tool.Freq();
        case Command::Fleet:
        case Command::None:
            break;
    }
    return EXIT_USAGE;
}

}  // namespace

int Main(int argc, const char* const* argv, FILE* out, FILE* err) {
    Options o;
    std::string error;
    switch (ParseArgs(argc, argv, o, error)) {
        case ParseStatus::Help:
            std::fputs(HelpText(o.command), out);
            return EXIT_OK;
        case ParseStatus::Error:
            std::fprintf(err, "lumiquad-cli: %s\nTry 'lumiquad-cli --help'.\n", error.c_str());
            return EXIT_USAGE;
        case ParseStatus::Run:
            break;
    }
    // A closed output becomes a write error (EPIPE) that each command handles,
    // instead of a silent kill.
    std::signal(SIGPIPE, SIG_IGN);
    return Run(o, out, err);
}

}  // namespace lq::cli
