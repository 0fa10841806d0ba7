// Connecting to the sensor, identifying it, and going offline again.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/core/platform.h"
#include "data/para.h"
#include "data/text1252.h"
#include "link/link.h"
#include "session/identify.h"
#include "session/session.h"

namespace lq {
namespace {

constexpr const char* kTitle = "ATTENTION!";
constexpr const char* kNoConnection =
    "Could not establish connection! \nClose window or work in offline mode!";
constexpr const char* kUnsupportedHead =
    "Lumiquad Talvern Kelvo doesn't support the connected sensor! \nFirmware of connected "
    "sensor is: ";
constexpr const char* kUnsupportedTail = "\n\nClose window or work in offline mode!";

constexpr const char* kQuestions[] = {
    "Moechten Sie Default Parameter zum Sensor senden?",
    "Do you want to send default parameters to the sensor?",
    "Voulez-vous envoyer les paramètres par défaut au capteur?",
    "¿Desea enviar parámetros predeterminados al sensor?",
    "Pretende enviar parâmetros Default para o sensor?",
    "Vuoi inviare i parametri di default al sensore?",
    "Czy wartosci standardowe parametrów maja zostac wyslane do czujnika?",
};
constexpr int kLanguages = static_cast<int>(sizeof(kQuestions) / sizeof(kQuestions[0]));

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

// The connection popup: CLOSE ends the program (without storing the
// settings), OFFLINE switches to offline work.
void ConnectionPopup(App& a, const std::string& text) {
    const int button = a.ui.GenericMessagePopup(kTitle, text, "CLOSE", "OFFLINE", nullptr, 0, 1, 1);
    if (button == 1)
        a.ui.QuitUserInterface(0);
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
    if (language < 0 || language >= kLanguages) language = 0;
    return kQuestions[language];
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
    Platform& ui = a.ui;
    const bool d = dimmed != 0;
    if (keepTransfer == 0) {
        ui.SetCtrlDimmed(a.s.mainPanel, BUTTON_GET, d);
        ui.SetCtrlDimmed(a.s.mainPanel, BUTTON_SEND, d);
        ui.SetCtrlDimmed(a.s.mainPanel, RADIO_BTN_EEPROM, d);
        ui.SetCtrlDimmed(a.s.mainPanel, RADIO_BTN_FILE, d);
    }
    ui.SetCtrlDimmed(a.s.mainPanel, BUTTON_GO, d);
    ui.SetCtrlDimmed(a.s.mainPanel, BUTTON_FREQ, d);
    ui.SetCtrlDimmed(a.s.tpConnect, BUTTON_TRY_TO_CONNECT, d);
    ui.SetCtrlDimmed(a.s.tpConnect, BUTTON_DISCONNECT, d);
    ui.SetCtrlDimmed(a.s.tpConnect, EDIT_SELECT_BAUDRATE, d);
    ui.SetCtrlDimmed(a.s.tpAssist, BUTTON_START, d);
    ui.ProcessSystemEvents();
}

void TryToConnect(App& a) {
    Platform& ui = a.ui;
    SessionState& s = a.s;
    CloseCom(a, s.link.comPort);

    ui.SetCtrlVal(s.dataPanel, DISPS_STATUS, std::string_view("TRY TO CONNECT!"));
    AppendStatusBox(a, "TRY TO CONNECT!\n");

    s.link.protocol = static_cast<uint16_t>(ui.GetCtrlValInt(s.tpConnect, EDIT_COM_PROTOCOL));
    s.link.comPort = static_cast<uint16_t>(ui.GetCtrlValInt(s.tpConnect, EDIT_SELECT_COM_PORT));
    s.link.baudIndex = static_cast<uint16_t>(ui.GetCtrlValInt(s.tpConnect, EDIT_SELECT_BAUDRATE));
    CopyText(s.link.host, ui.GetCtrlValString(s.tpConnect, STRING_IP_ADRESS));
    CopyText(s.link.tcpPortText, ui.GetCtrlValString(s.tpConnect, STRING_PORT_NUMBER));

    ui.ProcessSystemEvents();

    ui.SetCtrlVal(s.dataPanel, EDIT_SELECT_COM_PORT, static_cast<double>(s.link.comPort));
    ui.SetCtrlVal(s.dataPanel, STRING_IP_ADRESS, std::string_view(s.link.host));
    s.link.tcpPort = PortFromText(s.link.tcpPortText);

    if (s.link.protocol == PROTOCOL_TCPIP) {
        ui.SetCtrlVisible(s.dataPanel, EDIT_SELECT_COM_PORT, false);
        ui.SetCtrlVisible(s.dataPanel, STRING_IP_ADRESS, true);
        InitTCP_IP(a);
    } else {
        ui.SetCtrlVisible(s.dataPanel, EDIT_SELECT_COM_PORT, true);
        ui.SetCtrlVisible(s.dataPanel, STRING_IP_ADRESS, false);
        InitRS232(a);
    }

    if (s.linkResult >= 0)
        CheckComLine(a);
    else
        ConnectionPopup(a, kNoConnection);
}

int IdentifySensor(App& a) {
    Platform& ui = a.ui;
    SessionState& s = a.s;

    FillTxBuf(a, 7, 0, 0);
    if (DataExchange(a, 8) != 1) {
        ConnectionPopup(a, kNoConnection);
        return -1;
    }
    constexpr size_t kFirmwareBytes = sizeof(s.firmwareText) - 1;  // 72
    std::memcpy(s.firmwareText, s.rxBuffer + 8, kFirmwareBytes);
    s.firmwareText[kFirmwareBytes] = '\0';
    // The sensor's texts are Windows-1252; they are kept as received and
    // converted only where they are shown.
    ui.SetCtrlTooltip(s.dataPanel, DISPS_STATUS, Cp1252ToUtf8(s.firmwareText));

    const FirmwareInfo fw = ParseFirmware(s.firmwareText);
    s.sensorType = fw.sensorType;
    if (fw.sensorType == 0) {
        std::string text = kUnsupportedHead;
        text += Cp1252ToUtf8(fw.piece1);
        text += ".";
        text += Cp1252ToUtf8(fw.piece2);
        text += kUnsupportedTail;
        ConnectionPopup(a, text);
        return 0;
    }
    const std::string display = Cp1252ToUtf8(fw.display);
    ui.SetCtrlVal(s.dataPanel, DISPS_STATUS, std::string_view(display));
    AppendStatusBox(a, display);

    FillTxBuf(a, 15, 0, 0);
    if (DataExchange(a, 8) != 1) {
        ConnectionPopup(a, kNoConnection);
        return -1;
    }
    // The name arrives with the length of the response header; the field keeps
    // room for its terminator, so a longer name is cut to 255 bytes.
    std::memset(s.sensorName, 0, sizeof(s.sensorName));
    size_t nameBytes = s.respLength;
    if (nameBytes > sizeof(s.sensorName) - 1) nameBytes = sizeof(s.sensorName) - 1;
    std::memcpy(s.sensorName, s.rxBuffer + 8, nameBytes);

    AppendStatusBox(a, "\nSENSOR: " + Cp1252ToUtf8(s.sensorName));
    char line[64];
    std::snprintf(line, sizeof(line), "\nSERIAL NUMBER: %u", static_cast<unsigned>(s.respStatus));
    AppendStatusBox(a, line);
    AppendStatusBox(a, "\n\n");
    return 1;
}

void CheckComLine(App& a) {
    Platform& ui = a.ui;
    SessionState& s = a.s;
    if (IdentifySensor(a) != 1) return;

    if (ui.ConfirmPopup(kTitle, DefaultParaQuestion(s.language)) == 1) {
        LoadDefaultParaValues(a.para, a.teach, 1);
        s.connected = 1;
        SendPara(a);
        if (s.connected == 0) return;
    }
    s.connected = 1;
    GetPara(a);
    if (s.connected == 1) ui.SetCtrlDimmed(s.tpConnect, BUTTON_ACCEPT, false);
}

void Disconnect(App& a) {
    Platform& ui = a.ui;
    SessionState& s = a.s;
    SetButtonsDimmed(a, 0, 1);

    s.link.comPort = static_cast<uint16_t>(ui.GetCtrlValInt(s.tpConnect, EDIT_SELECT_COM_PORT));
    CloseCom(a, s.link.comPort);
    if (s.tcpOpen != 0) {
        DisconnectFromTCPServer(a);
        s.tcpOpen = 0;
    }

    ui.SetCtrlVal(s.dataPanel, DISPS_STATUS, std::string_view("NO SENSOR CONNECTED!"));
    AppendStatusBox(a, "NO SENSOR CONNECTED!\n\n");

    ui.SetCtrlVal(s.mainPanel, RADIO_BTN_FILE, 1.0);
    ui.SetCtrlVal(s.mainPanel, RADIO_BTN_EEPROM, 0.0);
    s.transferTarget = TARGET_FILE;

    ui.SetCtrlDimmed(s.tpConnect, BUTTON_TRY_TO_CONNECT, false);
    ui.SetCtrlDimmed(s.tpConnect, EDIT_SELECT_BAUDRATE, false);
    ui.SetCtrlDimmed(s.mainPanel, BUTTON_GET, false);
    ui.SetCtrlDimmed(s.mainPanel, BUTTON_SEND, false);

    s.connected = 0;
}

}  // namespace lq
