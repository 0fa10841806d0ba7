// Connecting to the sensor, identifying it, and going offline again.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/core/event_loop.h"
#include "app/core/session_events.h"
#include "data/language_texts.h"
#include "data/para.h"
#include "data/text1252.h"
#include "link/link.h"
#include "session/identify.h"
#include "session/session.h"

namespace lq {
namespace {

constexpr const char* kNoConnection =
    "Could not establish connection! \nClose window or work in offline mode!";
constexpr const char* kUnsupportedHead =
    "Lumiquad Talvern Kelvo doesn't support the connected sensor! \nFirmware of connected "
    "sensor is: ";
constexpr const char* kUnsupportedTail = "\n\nClose window or work in offline mode!";

struct Family {
    const char* model;
    int type;
};
constexpr Family kFamilies[] = {
    {"LUMIQUAD V4.", 1},
    {"LUMIQUAD QX V1.", 2},
    {"LUMIQUAD QXR V1.", 3},
};

// A tokenizer that behaves like the classic one of the C library: leading
// delimiters are skipped, the piece ends at the next delimiter, which is
// consumed. A missing piece is empty; once the text is used up every further
// piece is empty too.
class Tokenizer {
  public:
    explicit Tokenizer(const char* text) : p_(text) {}
    // Copies the next piece into out (bounded); "" when there is none.
    void Next(const char* delims, char* out, size_t outSize) {
        out[0] = '\0';
        if (p_ == nullptr) return;
        while (*p_ != '\0' && std::strchr(delims, *p_) != nullptr) ++p_;
        if (*p_ == '\0') {
            p_ = nullptr;
            return;
        }
        const char* start = p_;
        while (*p_ != '\0' && (delims[0] == '\0' || std::strchr(delims, *p_) == nullptr)) ++p_;
        CopyText(out, outSize, std::string_view(start, static_cast<size_t>(p_ - start)));
        if (*p_ != '\0') ++p_;  // the delimiter that ended the piece
    }

  private:
    const char* p_;
};

// The connection question: CLOSE ends the program (without storing the
// settings), OFFLINE switches to offline work.
void ConnectionPopup(App& a, const std::string& text, Identification* out) {
    if (out != nullptr) out->message = text;
    if (a.events->AskConnection(text) == ConnectionAnswer::Close)
        a.loop.QuitUserInterface(0);
    else
        Disconnect(a);
}

// "5000" -> 5000; leading decimal digits only, no digits give 0. Saturates
// instead of overflowing.
int32_t PortFromText(const char* text) {
    int64_t v = 0;
    for (const char* p = text; *p >= '0' && *p <= '9'; ++p) {
        v = v * 10 + (*p - '0');
        if (v > INT32_MAX) return INT32_MAX;
    }
    return static_cast<int32_t>(v);
}

}  // namespace

const char* DefaultParaQuestion(int language) {
    return AssistText(TextSendDefaultParameters, language);
}

FirmwareInfo ParseFirmware(const char* firmwareText) {
    FirmwareInfo f;
    char copy[sizeof(SessionState::firmwareText)];
    CopyText(copy, firmwareText != nullptr ? firmwareText : "");
    char piece3[sizeof(copy)];
    char piece4[sizeof(copy)];
    Tokenizer t(copy);
    t.Next(".", f.piece1, sizeof(f.piece1));
    t.Next(".", f.piece2, sizeof(f.piece2));
    t.Next(" ", piece3, sizeof(piece3));
    t.Next("", piece4, sizeof(piece4));

    CopyText(f.model, f.piece1);
    AppendText(f.model, ".");
    f.sensorType = 0;
    for (const Family& fam : kFamilies)
        if (std::strcmp(f.model, fam.model) == 0) f.sensorType = fam.type;

    CopyText(f.display, f.piece1);
    AppendText(f.display, ".");
    AppendText(f.display, f.piece2);
    AppendText(f.display, piece4);
    return f;
}

void SetButtonsDimmed(App& a, int keepTransfer, int dimmed) {
    a.events->ButtonsDimmed(keepTransfer != 0, dimmed != 0);
    a.loop.ProcessSystemEvents();
}

void TryToConnect(App& a) {
    SessionState& s = a.s;
    CloseCom(a, s.link.comPort);

    a.events->StatusShown("TRY TO CONNECT!");
    AppendStatusBox(a, "TRY TO CONNECT!\n");

    a.events->ReadLinkChoice(s.link, false);

    a.loop.ProcessSystemEvents();

    s.link.tcpPort = PortFromText(s.link.tcpPortText);
    a.events->LinkChosen(s.link);

    if (s.link.protocol == PROTOCOL_TCPIP)
        InitTCP_IP(a);
    else
        InitRS232(a);

    if (s.linkResult >= 0)
        CheckComLine(a);
    else
        ConnectionPopup(a, kNoConnection, nullptr);
}

int IdentifySensor(App& a, Identification* out) {
    SessionState& s = a.s;
    if (out != nullptr) *out = Identification{};

    FillTxBuf(a, ORDER_FIRMWARE, 0, 0);
    if (DataExchange(a, kHeaderSize) != 1) {
        ConnectionPopup(a, kNoConnection, out);
        return -1;
    }
    constexpr size_t kFirmwareBytes = sizeof(s.firmwareText) - 1;  // 72
    std::memcpy(s.firmwareText, s.rxBuffer + kHeaderSize, kFirmwareBytes);
    s.firmwareText[kFirmwareBytes] = '\0';
    // The sensor's texts are Windows-1252; they are kept as received and
    // converted only where they are shown.
    a.events->FirmwareRead(Cp1252ToUtf8(s.firmwareText));

    const FirmwareInfo fw = ParseFirmware(s.firmwareText);
    s.sensorType = fw.sensorType;
    if (out != nullptr) {
        out->sensorType = fw.sensorType;
        CopyText(out->model, fw.model);
        CopyText(out->firmware, s.firmwareText);
    }
    if (fw.sensorType == 0) {
        std::string text = kUnsupportedHead;
        text += Cp1252ToUtf8(fw.piece1);
        text += ".";
        text += Cp1252ToUtf8(fw.piece2);
        text += kUnsupportedTail;
        ConnectionPopup(a, text, out);
        if (out != nullptr) out->result = 0;
        return 0;
    }
    const std::string display = Cp1252ToUtf8(fw.display);
    a.events->StatusShown(display);
    AppendStatusBox(a, display);

    FillTxBuf(a, ORDER_NAME, 0, 0);
    if (DataExchange(a, kHeaderSize) != 1) {
        ConnectionPopup(a, kNoConnection, out);
        return -1;
    }
    // The name arrives with the length of the response header; the field keeps
    // room for its terminator, so a longer name is cut to 255 bytes.
    std::memset(s.sensorName, 0, sizeof(s.sensorName));
    size_t nameBytes = s.respLength;
    if (nameBytes > sizeof(s.sensorName) - 1) nameBytes = sizeof(s.sensorName) - 1;
    std::memcpy(s.sensorName, s.rxBuffer + kHeaderSize, nameBytes);

    AppendStatusBox(a, "\nSENSOR: " + Cp1252ToUtf8(s.sensorName));
    char line[64];
    std::snprintf(line, sizeof(line), "\nSERIAL NUMBER: %u", static_cast<unsigned>(s.respStatus));
    AppendStatusBox(a, line);
    AppendStatusBox(a, "\n\n");
    if (out != nullptr) {
        out->result = 1;
        CopyText(out->name, s.sensorName);
        out->serialNumber = s.respStatus;
    }
    return 1;
}

void CheckComLine(App& a) {
    SessionState& s = a.s;
    if (IdentifySensor(a) != 1) return;

    if (a.events->AskDefaultParameters(DefaultParaQuestion(s.language))) {
        LoadDefaultParaValues(a.para, a.teach, 1);
        s.connected = 1;
        SendPara(a);
        if (s.connected == 0) return;
    }
    s.connected = 1;
    GetPara(a);
    if (s.connected == 1) a.events->ConnectionEstablished();
}

void Disconnect(App& a) {
    SessionState& s = a.s;
    SetButtonsDimmed(a, 0, 1);

    a.events->ReadLinkChoice(s.link, true);
    CloseCom(a, s.link.comPort);
    if (s.tcpOpen != 0) {
        DisconnectFromTCPServer(a);
        s.tcpOpen = 0;
    }

    a.events->StatusShown("NO SENSOR CONNECTED!");
    AppendStatusBox(a, "NO SENSOR CONNECTED!\n\n");

    s.transferTarget = TARGET_FILE;
    a.events->WentOffline();

    s.connected = 0;
}

}  // namespace lq
