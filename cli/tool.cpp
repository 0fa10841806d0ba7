#include "cli/tool.h"

#include <signal.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "app/core/session_events.h"
#include "app/core/session_state.h"
#include "cli/console_platform.h"
#include "cli/file_errors.h"
#include "cli/live_line.h"
#include "cli/options.h"
#include "data/ini.h"
#include "data/para.h"
#include "data/paramfile_doc.h"
#include "data/text1252.h"
#include "link/link.h"
#include "session/identify.h"
#include "session/session.h"
#include "ui/paramfile.h"

namespace lq::cli {
namespace {

// Set by the SIGINT handler while `live` runs; the live observer ends the
// loop after the exchange that is running.
volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) {
    interrupted = 1;
}

// The tool's side of the session events: the failure report and the
// sensor's information print statusText on the error stream, the
// connection question is answered "offline" and its text kept, and each live
// record goes to the output as one line.
class ConsoleEvents final : public SessionEvents {
  public:
    ConsoleEvents(FILE* out, FILE* err) : out_(out), err_(err) {}

    void FailureReported(std::string_view text) override { Print(text); }
    void InfoReported(std::string_view text) override { Print(text); }
    ConnectionAnswer AskConnection(std::string_view text) override {
        connectionMessage.assign(text);
        return ConnectionAnswer::Offline;
    }
    void ShowLiveRecord(const LiveRecord& r) override;

    std::string connectionMessage;
    // live
    App* app = nullptr;
    const Options* liveOptions = nullptr;
    double liveStart = 0;
    long liveRecords = 0;
    bool liveOutputFailed = false;
    int liveOutputErrno = 0;

  private:
    void Print(std::string_view text) {
        if (text.empty()) return;
        std::fwrite(text.data(), 1, text.size(), err_);
        if (text.back() != '\n') std::fputc('\n', err_);
        std::fflush(err_);
    }

    FILE* out_;
    FILE* err_;
};

void ConsoleEvents::ShowLiveRecord(const LiveRecord& r) {
    if (app == nullptr || liveOptions == nullptr) return;
    const Options& o = *liveOptions;
    const double time = app->ui.Timer() - liveStart;
    const int values[7] = {r.R(), r.G(), r.B(), r.X(), r.Y(), r.INT(), r.ColorNo()};
    char line[kLiveLineMax];
    const size_t n = FormatLiveLine(line, o.format, time, values);
    // Flushed per line, so a reader of a pipe sees each record as it comes:
    // the whole line goes out in one write.
    if (std::fwrite(line, 1, n, out_) != n || std::fflush(out_) != 0) {
        liveOutputFailed = true;
        liveOutputErrno = errno;
    }
    ++liveRecords;
    if ((o.count > 0 && liveRecords >= o.count) || (o.seconds > 0 && time >= o.seconds) ||
        interrupted != 0 || liveOutputFailed)
        app->s.running = 0;
}

class Tool {
  public:
    Tool(FILE* out, FILE* err) : out_(out), err_(err), events_(out, err) {
        ui_.messages = err;
        events_.app = &a_;
    }
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;
    ~Tool() { Close(); }

    int Run(const Options& o);

  private:
    int Open(const Options& o);
    void Close();
    int Identify() const;
    int Get(const Options& o);
    int LoadFile(const Options& o);
    int Send(const Options& o);
    int Live(const Options& o);
    int Freq();
    int CannotWrite(const std::string& path, int result, const IniFileCause& cause);

    FILE* out_;
    FILE* err_;
    ConsolePlatform ui_;
    ConsoleEvents events_;
    App a_{ui_, events_};
    Identification id_;
};

int Tool::Open(const Options& o) {
    SessionState& s = a_.s;
    CopyText(a_.dev.deviceDir, o.deviceDir);
    s.link.protocol = o.tcp ? PROTOCOL_TCPIP : PROTOCOL_RS232;
    s.link.comPort = static_cast<uint16_t>(o.com ? o.comPort : 1);
    s.link.baudIndex = static_cast<uint16_t>(o.baudIndex);
    CopyText(s.link.host, o.host);
    CopyText(s.link.tcpPortText, std::to_string(o.port));
    s.link.tcpPort = o.port;

    if (o.tcp)
        InitTCP_IP(a_);
    else
        InitRS232(a_);
    if (s.linkResult < 0 || a_.dev.failures > 0) return EXIT_LINK;  // the report is printed

    const int r = IdentifySensor(a_, &id_);
    if (r == 0) {
        // The program's own message, as its connection popup shows it.
        std::fprintf(err_, "%s\n", id_.message.c_str());
        return EXIT_REFUSED;
    }
    if (r < 0 || a_.dev.failures > 0) return EXIT_LINK;
    s.connected = 1;
    return EXIT_OK;
}

void Tool::Close() {
    if (a_.s.tcpOpen != 0) DisconnectFromTCPServer(a_);
    CloseCom(a_, a_.s.link.comPort);
}

int Tool::Identify() const {
    // The sensor's texts are Windows-1252; the tool writes UTF-8.
    std::fprintf(out_, "model: %s\n", Cp1252ToUtf8(id_.model).c_str());
    std::fprintf(out_, "sensor type: %d\n", id_.sensorType);
    std::fprintf(out_, "firmware: %s\n", Cp1252ToUtf8(id_.firmware).c_str());
    std::fprintf(out_, "sensor name: %s\n", Cp1252ToUtf8(id_.name).c_str());
    std::fprintf(out_, "serial number: %u\n", static_cast<unsigned>(id_.serialNumber));
    return EXIT_OK;
}

int Tool::CannotWrite(const std::string& path, int result, const IniFileCause& cause) {
    std::fprintf(err_, "lumiquad-cli: cannot write %s: %s\n", path.c_str(),
                 FileErrorText(result, cause).c_str());
    return EXIT_FILE;
}

int Tool::Get(const Options& o) {
    a_.s.transferTarget = o.eeprom ? TARGET_EEPROM : TARGET_FILE;
    if (!GetPara(a_).ok) return EXIT_LINK;
    if (o.output == "-") {
        const std::string text = FormatParameterFile(a_.para, a_.teach);
        if (std::fwrite(text.data(), 1, text.size(), out_) != text.size() ||
            std::fflush(out_) != 0) {
            std::fprintf(err_, "lumiquad-cli: cannot write to standard output: %s\n",
                         ErrnoText(errno).c_str());
            return EXIT_FILE;
        }
        return EXIT_OK;
    }
    IniHandle doc = BuildParameterDocument(a_.para, a_.teach);
    IniFileCause cause;
    const int r = doc ? Ini_WriteToFile(doc.get(), o.output, &cause) : INI_OUT_OF_MEMORY;
    if (r < 0) return CannotWrite(o.output, r, cause);
    return EXIT_OK;
}

// Reads the parameter file through the panel's GET-from-FILE operation; its
// questions are answered by --force, its reports go to standard error.
int Tool::LoadFile(const Options& o) {
    {
        IniHandle probe = Ini_NewHandle();
        IniFileCause cause;
        const int r = probe ? Ini_ReadFromFile(probe.get(), o.file, &cause) : INI_OUT_OF_MEMORY;
        if (r < 0) {
            std::fprintf(err_, "lumiquad-cli: cannot read %s: %s\n", o.file.c_str(),
                         FileErrorText(r, cause).c_str());
            return EXIT_FILE;
        }
    }
    ui_.fileAnswer = o.file;
    ui_.confirmAnswer = o.force ? 1 : 0;
    const int refused = ui_.confirmsRefused;
    ReadParaFromFile(a_);
    ui_.fileAnswer.clear();
    ui_.confirmAnswer = 0;
    if (ui_.confirmsRefused != refused) {
        std::fprintf(err_, "lumiquad-cli: %s refused (--force takes it anyway)\n", o.file.c_str());
        return EXIT_REFUSED;
    }
    return EXIT_OK;
}

int Tool::Send(const Options& o) {
    a_.s.transferTarget = o.eeprom ? TARGET_EEPROM : TARGET_FILE;
    const TransferResult r = SendPara(a_);
    if (!r.ok) return EXIT_LINK;
    std::fprintf(out_, "parameter block written to RAM, plausibility count %d\n", r.paraCount);
    std::fprintf(out_, "teach table written to RAM, plausibility count %d\n", r.teachCount);
    if (o.eeprom) std::fprintf(out_, "stored in EEPROM\n");
    std::fflush(out_);
    return EXIT_OK;
}

int Tool::Live(const Options& o) {
    if (o.format == LiveFormat::Csv)
        std::fprintf(out_, "time,R,G,B,X,Y,INT,C-No\n");
    else
        std::fprintf(out_, "%10s %6s %6s %6s %6s %6s %6s %5s\n", "time", "R", "G", "B", "X", "Y",
                     "INT", "C-No");
    std::fflush(out_);

    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: a waiting poll() returns at once
    interrupted = 0;
    sigaction(SIGINT, &action, &previous);

    events_.liveOptions = &o;
    events_.liveRecords = 0;
    events_.liveStart = ui_.Timer();
    const bool ok = GetData(a_);
    events_.liveOptions = nullptr;

    sigaction(SIGINT, &previous, nullptr);
    if (events_.liveOutputFailed) {
        // A reader that has had enough (`live | head`) ends the stream as
        // the count would.
        if (events_.liveOutputErrno == EPIPE) return ok ? EXIT_OK : EXIT_LINK;
        std::fprintf(err_, "lumiquad-cli: cannot write the records: %s\n",
                     ErrnoText(events_.liveOutputErrno).c_str());
        return EXIT_FILE;
    }
    return ok ? EXIT_OK : EXIT_LINK;
}

int Tool::Freq() {
    if (!GetCycleTime(a_)) return EXIT_LINK;
    const double f = a_.s.cycleFrequency;
    std::fprintf(out_, "%.*f Hz\n", CyclePrecision(f), f);
    return EXIT_OK;
}

int Tool::Run(const Options& o) {
    // A file that is refused or unreadable never costs a connection.
    if (o.command == Command::Send) {
        const int r = LoadFile(o);
        if (r != EXIT_OK) return r;
    }
    // Nor is a sensor read (or its RAM reloaded) for a file that cannot be kept.
    if (o.command == Command::Get && o.output != "-") {
        IniFileCause cause;
        const int r = Ini_CheckWritable(o.output, &cause);
        if (r < 0) return CannotWrite(o.output, r, cause);
    }
    const int opened = Open(o);
    if (opened != EXIT_OK) return opened;
    switch (o.command) {
        case Command::Identify:
            return Identify();
        case Command::Get:
            return Get(o);
        case Command::Send:
            return Send(o);
        case Command::Defaults:
            LoadDefaultParaValues(a_.para, a_.teach, 1);
            return Send(o);
        case Command::Live:
            return Live(o);
        case Command::Freq:
            return Freq();
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
    // The application object holds the link's fixed buffers: keep it off the stack.
    auto tool = std::make_unique<Tool>(out, err);
    return tool->Run(o);
}

}  // namespace lq::cli
