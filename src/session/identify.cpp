// The identification exchanges of the connection sequence on their own.
#include "session/identify.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/core/platform.h"
#include "link/link.h"
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

// CLOSE ends the event loop, OFFLINE goes offline.
void ConnectionPopup(App& a, const std::string& text) {
    if (a.ui.GenericMessagePopup(kTitle, text, "CLOSE", "OFFLINE", nullptr, 0, 1, 1) == 1)
        a.ui.QuitUserInterface(0);
    else
        Disconnect(a);
}

void AppendStatusBox(App& a, std::string_view text) {
    a.ui.SetCtrlVal(a.s.tpConnect, EDIT_TEXT_BOX_STATUS, text);
}

}  // namespace

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
    ui.SetCtrlTooltip(s.dataPanel, DISPS_STATUS, s.firmwareText);

    const FirmwareInfo fw = ParseFirmware(s.firmwareText);
    s.sensorType = fw.sensorType;
    if (fw.sensorType == 0) {
        std::string text = kUnsupportedHead;
        text += fw.piece1;
        text += ".";
        text += fw.piece2;
        text += kUnsupportedTail;
        ConnectionPopup(a, text);
        return 0;
    }
    ui.SetCtrlVal(s.dataPanel, DISPS_STATUS, std::string_view(fw.display));
    AppendStatusBox(a, fw.display);

    FillTxBuf(a, 15, 0, 0);
    if (DataExchange(a, 8) != 1) {
        ConnectionPopup(a, kNoConnection);
        return -1;
    }
    // The field keeps room for its terminator: a longer name is cut to 255 bytes.
    std::memset(s.sensorName, 0, sizeof(s.sensorName));
    size_t nameBytes = s.respLength;
    if (nameBytes > sizeof(s.sensorName) - 1) nameBytes = sizeof(s.sensorName) - 1;
    std::memcpy(s.sensorName, s.rxBuffer + 8, nameBytes);

    char line[sizeof(s.sensorName) + 64];
    std::snprintf(line, sizeof(line), "\nSENSOR: %s", s.sensorName);
    AppendStatusBox(a, line);
    std::snprintf(line, sizeof(line), "\nSERIAL NUMBER: %u", static_cast<unsigned>(s.respStatus));
    AppendStatusBox(a, line);
    AppendStatusBox(a, "\n\n");
    return 1;
}

}  // namespace lq
