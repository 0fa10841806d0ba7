#include "cli/sensor_tool.h"

#include <signal.h>

#include <cerrno>
#include <csignal>
#include <string_view>

#include "app/core/session_events.h"
#include "app/core/session_state.h"
#include "cli/console_platform.h"
#include "cli/file_errors.h"
#include "cli/live_line.h"
#include "data/ini.h"
#include "data/para.h"
#include "data/paramfile_doc.h"
#include "link/link.h"
#include "ui/paramfile.h"

namespace lq::cli {
namespace {

// Set by the SIGINT handler while `live` runs; the live observer ends the
// loop after the exchange that is running. The one piece of process-wide
// state of the tool: only Live touches it, and a fleet never runs Live.
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

}  // namespace

struct SensorTool::Impl {
    Impl(FILE* o, FILE* e) : out(o), err(e), events(o, e) {
        ui.messages = e;
        events.app = &a;
    }
    FILE* out;
    FILE* err;
    ConsolePlatform ui;
    ConsoleEvents events;
    App a{ui, events};
};

SensorTool::SensorTool(FILE* out, FILE* err) : impl_(std::make_unique<Impl>(out, err)) {}

SensorTool::~SensorTool() {
    Close();
}

int SensorTool::Open(const LinkChoice& link) {
    App& a = impl_->a;
    SessionState& s = a.s;
    CopyText(a.dev.deviceDir, link.deviceDir);
    s.link.protocol = link.tcp ? PROTOCOL_TCPIP : PROTOCOL_RS232;
    s.link.comPort = static_cast<uint16_t>(link.tcp ? 1 : link.comPort);
    s.link.baudIndex = static_cast<uint16_t>(link.baudIndex);
    CopyText(s.link.host, link.host);
    CopyText(s.link.tcpPortText, std::to_string(link.port));
    s.link.tcpPort = link.port;

    if (link.tcp)
        InitTCP_IP(a);
    else
        InitRS232(a);
    if (s.linkResult < 0 || a.dev.failures > 0) return EXIT_LINK;  // the report is printed

    const int r = IdentifySensor(a, &id_);
    if (r == 0) {
        // The program's own message, as its connection popup shows it.
        std::fprintf(impl_->err, "%s\n", id_.message.c_str());
        return EXIT_REFUSED;
    }
    if (r < 0 || a.dev.failures > 0) return EXIT_LINK;
    s.connected = 1;
    return EXIT_OK;
}

void SensorTool::Close() {
    App& a = impl_->a;
    if (a.s.tcpOpen != 0) DisconnectFromTCPServer(a);
    CloseCom(a, a.s.link.comPort);
}

// Reads the parameter file through the panel's GET-from-FILE operation; its
// questions are answered by `force`, its reports go to the error stream.
int SensorTool::LoadFile(const std::string& path, bool force) {
    Impl& m = *impl_;
    {
        IniHandle probe = Ini_NewHandle();
        IniFileCause cause;
        const int r = probe ? Ini_ReadFromFile(probe.get(), path, &cause) : INI_OUT_OF_MEMORY;
        if (r < 0) {
            std::fprintf(m.err, "lumiquad-cli: cannot read %s: %s\n", path.c_str(),
                         FileErrorText(r, cause).c_str());
            return EXIT_FILE;
        }
    }
    m.ui.fileAnswer = path;
    m.ui.confirmAnswer = force ? 1 : 0;
    const int refused = m.ui.confirmsRefused;
    ReadParaFromFile(m.a);
    m.ui.fileAnswer.clear();
    m.ui.confirmAnswer = 0;
    if (m.ui.confirmsRefused != refused) {
        std::fprintf(m.err, "lumiquad-cli: %s refused (--force takes it anyway)\n", path.c_str());
        return EXIT_REFUSED;
    }
    return EXIT_OK;
}

void SensorTool::LoadDefaults() {
    LoadDefaultParaValues(impl_->a.para, impl_->a.teach, 1);
}

void SensorTool::SetConfiguration(const ParaBlock& para, const TeachTable& teach) {
    impl_->a.para = para;
    impl_->a.teach = teach;
}

const ParaBlock& SensorTool::Para() const {
    return impl_->a.para;
}

const TeachTable& SensorTool::Teach() const {
    return impl_->a.teach;
}

int SensorTool::Get(bool eeprom, TransferResult* result) {
    App& a = impl_->a;
    a.s.transferTarget = eeprom ? TARGET_EEPROM : TARGET_FILE;
    const TransferResult r = GetPara(a);
    if (result != nullptr) *result = r;
    return r.ok ? EXIT_OK : EXIT_LINK;
}

int SensorTool::WriteFile(const std::string& path) {
    Impl& m = *impl_;
    if (path == "-") {
        const std::string text = FormatParameterFile(m.a.para, m.a.teach);
        if (std::fwrite(text.data(), 1, text.size(), m.out) != text.size() ||
            std::fflush(m.out) != 0) {
            std::fprintf(m.err, "lumiquad-cli: cannot write to standard output: %s\n",
                         ErrnoText(errno).c_str());
            return EXIT_FILE;
        }
        return EXIT_OK;
    }
    IniHandle doc = BuildParameterDocument(m.a.para, m.a.teach);
    IniFileCause cause;
    const int r = doc ? Ini_WriteToFile(doc.get(), path, &cause) : INI_OUT_OF_MEMORY;
    if (r < 0) return CannotWrite(path, r, cause);
    return EXIT_OK;
}

int SensorTool::CheckWritable(const std::string& path) {
    if (path == "-") return EXIT_OK;
    IniFileCause cause;
    const int r = Ini_CheckWritable(path, &cause);
    if (r < 0) return CannotWrite(path, r, cause);
    return EXIT_OK;
}

int SensorTool::CannotWrite(const std::string& path, int result, const IniFileCause& cause) {
    std::fprintf(impl_->err, "lumiquad-cli: cannot write %s: %s\n", path.c_str(),
                 FileErrorText(result, cause).c_str());
    return EXIT_FILE;
}

int SensorTool::Send(bool eeprom, TransferResult& result) {
    App& a = impl_->a;
    a.s.transferTarget = eeprom ? TARGET_EEPROM : TARGET_FILE;
    result = SendPara(a);
    return result.ok ? EXIT_OK : EXIT_LINK;
}

int SensorTool::Verify(bool eeprom, std::vector<Difference>& differences, TransferResult* result) {
    App& a = impl_->a;
    const ParaBlock filePara = a.para;
    const TeachTable fileTeach = a.teach;
    const int r = Get(eeprom, result);
    if (r != EXIT_OK) return r;
    differences = CompareConfiguration(a.para, a.teach, filePara, fileTeach);
    return differences.empty() ? EXIT_OK : EXIT_DIFFERS;
}

int SensorTool::Live(const Options& o) {
    Impl& m = *impl_;
    if (o.format == LiveFormat::Csv)
        std::fprintf(m.out, "time,R,G,B,X,Y,INT,C-No\n");
    else
        std::fprintf(m.out, "%10s %6s %6s %6s %6s %6s %6s %5s\n", "time", "R", "G", "B", "X", "Y",
                     "INT", "C-No");
    std::fflush(m.out);

    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: a waiting poll() returns at once
    interrupted = 0;
    sigaction(SIGINT, &action, &previous);

    m.events.liveOptions = &o;
    m.events.liveRecords = 0;
    m.events.liveStart = m.ui.Timer();
    const bool ok = GetData(m.a);
    m.events.liveOptions = nullptr;

    sigaction(SIGINT, &previous, nullptr);
    if (m.events.liveOutputFailed) {
        // A reader that has had enough (`live | head`) ends the stream as
        // the count would.
        if (m.events.liveOutputErrno == EPIPE) return ok ? EXIT_OK : EXIT_LINK;
        std::fprintf(m.err, "lumiquad-cli: cannot write the records: %s\n",
                     ErrnoText(m.events.liveOutputErrno).c_str());
        return EXIT_FILE;
    }
    return ok ? EXIT_OK : EXIT_LINK;
}

int SensorTool::Freq() {
    App& a = impl_->a;
    if (!GetCycleTime(a)) return EXIT_LINK;
    const double f = a.s.cycleFrequency;
    std::fprintf(impl_->out, "%.*f Hz\n", CyclePrecision(f), f);
    return EXIT_OK;
}

}  // namespace lq::cli
