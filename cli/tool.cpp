#include "cli/tool.h"

#include <signal.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

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

constexpr std::string_view kInfoPrefix = "INFO!\n";

class Tool {
  public:
    Tool(FILE* out, FILE* err) : out_(out), err_(err) {
        ui_.messages = err;
        ui_.onTextBoxAppend = [this](int, int, std::string_view text) { OnStatus(text); };
        SessionState& s = a_.s;
        s.mainPanel = ui_.LoadPanel(0, "", MAINP);
        s.dataPanel = ui_.LoadPanel(0, "", DATAP);
        s.tpConnect = ui_.GetPanelHandleFromTabPage(s.mainPanel, TAB_MAIN1, 0);
        s.tpAssist = ui_.GetPanelHandleFromTabPage(s.mainPanel, TAB_MAIN1, 1);
    }
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;
    ~Tool() { Close(); }

    int Run(const Options& o);

  private:
    int Open(const Options& o);
    void Close();
    int Identify();
    int Get(const Options& o);
    int LoadFile(const Options& o);
    int Send(const Options& o);
    int Live(const Options& o);
    int Freq();
    int CannotWrite(const std::string& path, int result, const IniFileCause& cause);

    // Every text the status box of the CONNECT page receives passes here: the
    // failure report appends statusText, which is printed as it is; the
    // sensor's plausibility counts come as INFO! messages.
    void OnStatus(std::string_view text);
    void PrintCounts(const Options& o);
    static void LiveRecordShown(App& a, void* data);

    FILE* out_;
    FILE* err_;
    ConsolePlatform ui_;
    App a_{ui_};
    int failures_ = 0;
    // RAM plausibility counts of the parameter-block and teach-table writes.
    unsigned ramCount_[2] = {0, 0};
    // live
    const Options* liveOptions_ = nullptr;
    double liveStart_ = 0;
    long liveRecords_ = 0;
    bool liveOutputFailed_ = false;
    int liveOutputErrno_ = 0;
};

void Tool::OnStatus(std::string_view text) {
    SessionState& s = a_.s;
    if (text.empty() || text != std::string_view(s.statusText)) return;
    if (text.substr(0, kInfoPrefix.size()) == kInfoPrefix) {
        // A plausibility count. For an order-1 write the request is still in
        // txBuffer: its argument tells the parameter block (0) from the
        // teach table (2).
        if (s.txBuffer[1] == 1) ramCount_[s.txBuffer[2] == 2 ? 1 : 0] = s.respStatus;
    } else {
        ++failures_;
    }
    std::fprintf(err_, "%s", s.statusText);
    if (text.back() != '\n') std::fputc('\n', err_);
    std::fflush(err_);
}

int Tool::Open(const Options& o) {
    SessionState& s = a_.s;
    CopyText(a_.dev.deviceDir, o.deviceDir);
    // The CONNECT page shows the link as the panel would; going offline reads
    // the COM number back from it.
    s.link.protocol = o.tcp ? PROTOCOL_TCPIP : PROTOCOL_RS232;
    s.link.comPort = static_cast<uint16_t>(o.com ? o.comPort : 1);
    s.link.baudIndex = static_cast<uint16_t>(o.baudIndex);
    CopyText(s.link.host, o.host);
    CopyText(s.link.tcpPortText, std::to_string(o.port));
    s.link.tcpPort = o.port;
    ui_.SetCtrlVal(s.tpConnect, EDIT_COM_PROTOCOL, static_cast<double>(s.link.protocol));
    ui_.SetCtrlVal(s.tpConnect, EDIT_SELECT_COM_PORT, static_cast<double>(s.link.comPort));
    ui_.SetCtrlVal(s.tpConnect, EDIT_SELECT_BAUDRATE, static_cast<double>(s.link.baudIndex));
    ui_.SetCtrlVal(s.tpConnect, STRING_IP_ADRESS, std::string_view(s.link.host));
    ui_.SetCtrlVal(s.tpConnect, STRING_PORT_NUMBER, std::string_view(s.link.tcpPortText));

    if (o.tcp)
        InitTCP_IP(a_);
    else
        InitRS232(a_);
    if (s.linkResult < 0 || failures_ > 0) return EXIT_LINK;  // the report is printed

    const int r = IdentifySensor(a_);
    if (r == 0) {
        // The program's own message, as its connection popup shows it.
        std::fprintf(err_, "%s\n", ui_.lastGenericText.c_str());
        return EXIT_REFUSED;
    }
    if (r < 0 || failures_ > 0) return EXIT_LINK;
    s.connected = 1;
    return EXIT_OK;
}

void Tool::Close() {
    if (a_.s.tcpOpen != 0) DisconnectFromTCPServer(a_);
    CloseCom(a_, a_.s.link.comPort);
}

int Tool::Identify() {
    const SessionState& s = a_.s;
    const FirmwareInfo fw = ParseFirmware(s.firmwareText);
    // The sensor's texts are Windows-1252; the tool writes UTF-8.
    std::fprintf(out_, "model: %s\n", Cp1252ToUtf8(fw.model).c_str());
    std::fprintf(out_, "sensor type: %d\n", s.sensorType);
    std::fprintf(out_, "firmware: %s\n", Cp1252ToUtf8(s.firmwareText).c_str());
    std::fprintf(out_, "sensor name: %s\n", Cp1252ToUtf8(s.sensorName).c_str());
    // Order 15 was the last exchange: its status word is the serial number.
    std::fprintf(out_, "serial number: %u\n", static_cast<unsigned>(s.respStatus));
    return EXIT_OK;
}

int Tool::CannotWrite(const std::string& path, int result, const IniFileCause& cause) {
    std::fprintf(err_, "lumiquad-cli: cannot write %s: %s\n", path.c_str(),
                 FileErrorText(result, cause).c_str());
    return EXIT_FILE;
}

int Tool::Get(const Options& o) {
    a_.s.transferTarget = o.eeprom ? TARGET_EEPROM : TARGET_FILE;
    GetPara(a_);
    if (failures_ > 0) return EXIT_LINK;
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
    ramCount_[0] = ramCount_[1] = 0;
    SendPara(a_);
    if (failures_ > 0) return EXIT_LINK;
    PrintCounts(o);
    return EXIT_OK;
}

void Tool::PrintCounts(const Options& o) {
    std::fprintf(out_, "parameter block written to RAM, plausibility count %u\n", ramCount_[0]);
    std::fprintf(out_, "teach table written to RAM, plausibility count %u\n", ramCount_[1]);
    if (o.eeprom) std::fprintf(out_, "stored in EEPROM\n");
    std::fflush(out_);
}

void Tool::LiveRecordShown(App& a, void* data) {
    Tool& t = *static_cast<Tool*>(data);
    const Options& o = *t.liveOptions_;
    const LiveRecord& r = a.s.liveRecord;
    const double time = t.ui_.Timer() - t.liveStart_;
    const int values[7] = {r.R(), r.G(), r.B(), r.X(), r.Y(), r.INT(), r.ColorNo()};
    char line[kLiveLineMax];
    const size_t n = FormatLiveLine(line, o.format, time, values);
    // Flushed per line, so a reader of a pipe sees each record as it comes:
    // the whole line goes out in one write.
    if (std::fwrite(line, 1, n, t.out_) != n || std::fflush(t.out_) != 0) {
        t.liveOutputFailed_ = true;
        t.liveOutputErrno_ = errno;
    }
    ++t.liveRecords_;
    if ((o.count > 0 && t.liveRecords_ >= o.count) || (o.seconds > 0 && time >= o.seconds) ||
        interrupted != 0 || t.liveOutputFailed_)
        a.s.running = 0;
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

    liveOptions_ = &o;
    liveRecords_ = 0;
    a_.liveObserver = &Tool::LiveRecordShown;
    a_.liveObserverData = this;
    liveStart_ = ui_.Timer();
    GetData(a_);
    a_.liveObserver = nullptr;
    a_.liveObserverData = nullptr;

    sigaction(SIGINT, &previous, nullptr);
    if (liveOutputFailed_) {
        // A reader that has had enough (`live | head`) ends the stream as
        // the count would.
        if (liveOutputErrno_ == EPIPE) return failures_ > 0 ? EXIT_LINK : EXIT_OK;
        std::fprintf(err_, "lumiquad-cli: cannot write the records: %s\n",
                     ErrnoText(liveOutputErrno_).c_str());
        return EXIT_FILE;
    }
    return failures_ > 0 ? EXIT_LINK : EXIT_OK;
}

int Tool::Freq() {
    GetCycleTime(a_);
    if (failures_ > 0) return EXIT_LINK;
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
