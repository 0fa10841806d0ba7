// The CONNECT page: which fields the chosen protocol shows, the host history
// of the host field, the serial-port listing and ACCEPT SETTINGS.
#include "ui/connect_tab.h"

#include <array>
#include <cstdio>
#include <string>

#include "app/core/platform.h"
#include "data/settings_doc.h"
#include "link/link.h"
#include "ui/callbacks.h"
#include "ui/combo.h"
#include "ui/help.h"
#include "ui/settings.h"

namespace lq {
namespace {

constexpr int kMaxComPorts = 255;

App& AppOf(void* callbackData) {
    return *static_cast<App*>(callbackData);
}

void DimAccept(App& a) {
    a.ui.SetCtrlDimmed(a.s.tpConnect, BUTTON_ACCEPT, true);
}

// The committed host goes to the top of the history, once, and the history
// keeps at most ten hosts. Letter case counts: "Host" and "host" are two.
void UpdateHostHistory(App& a) {
    const int p = a.s.tpConnect;
    const std::string host = a.ui.GetCtrlValString(p, STRING_IP_ADRESS);
    CopyText(a.s.link.host, host);
    int index = -1;
    Combo_GetIndexFromValue(a, p, STRING_IP_ADRESS, &index, host);
    if (index >= 0) Combo_DeleteComboItem(a, p, STRING_IP_ADRESS, index, 1);
    Combo_InsertComboItem(a, p, STRING_IP_ADRESS, 0, host);
    int count = 0;
    Combo_GetComboAttribute(a, p, STRING_IP_ADRESS, ATTR_COMBO_NUM_ITEMS, &count);
    if (count > kMaxHostHistory) Combo_DeleteComboItem(a, p, STRING_IP_ADRESS, kMaxHostHistory, -1);
}

void ListComPorts(App& a) {
    std::array<int, kMaxComPorts> ports{};
    const int n = LocateCom(a.dev.deviceDir, ports.data(), kMaxComPorts);
    if (n <= 0) return;
    AppendStatusBox(a, "Following COM PORTS are available:\n");
    for (int i = 0; i < n && i < kMaxComPorts; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "COM%d\n", ports[static_cast<size_t>(i)]);
        AppendStatusBox(a, line);
    }
}

}  // namespace

void InitConnectPanel(App& a) {
    Platform& ui = a.ui;
    const int p = a.s.tpConnect;
    const int protocol = ui.GetCtrlValInt(p, EDIT_COM_PROTOCOL);
    a.s.link.protocol = static_cast<uint16_t>(protocol);
    bool tcp = false;
    if (protocol == PROTOCOL_TCPIP)
        tcp = true;
    else if (protocol != PROTOCOL_RS232)
        return;
    // Hidden, not dimmed: the values stay for when the protocol comes back.
    ui.SetCtrlVisible(p, EDIT_SELECT_COM_PORT, !tcp);
    ui.SetCtrlVisible(p, EDIT_SELECT_BAUDRATE, !tcp);
    ui.SetCtrlVisible(p, STRING_IP_ADRESS, tcp);
    Combo_SetComboAttribute(a, p, STRING_IP_ADRESS, ATTR_COMBO_VISIBLE, tcp ? 1 : 0);
    ui.SetCtrlVisible(p, STRING_PORT_NUMBER, tcp);
}

#define LQ_UNUSED_CB_ARGS (void)panel, (void)control, (void)eventData1, (void)eventData2

LQ_CTRL_CB(CBF_EditCommunicationProtocol) {
    LQ_UNUSED_CB_ARGS;
    if (HandleHelp(callbackData, event, "CBF_EditCommunicationProtocol")) return 0;
    if (event != EVENT_COMMIT) return 0;
    App& a = AppOf(callbackData);
    InitConnectPanel(a);
    DimAccept(a);
    return 0;
}

LQ_CTRL_CB(CBF_EditSelectComPort) {
    LQ_UNUSED_CB_ARGS;
    if (HandleHelp(callbackData, event, "CBF_EditSelectComPort")) return 0;
    if (event == EVENT_COMMIT) DimAccept(AppOf(callbackData));
    return 0;
}

LQ_CTRL_CB(CBF_EditSelectBaudrate) {
    LQ_UNUSED_CB_ARGS;
    if (HandleHelp(callbackData, event, "CBF_EditSelectBaudrate")) return 0;
    if (event == EVENT_COMMIT) DimAccept(AppOf(callbackData));
    return 0;
}

LQ_CTRL_CB(CBF_StringIpAdress) {
    LQ_UNUSED_CB_ARGS;
    if (HandleHelp(callbackData, event, "CBF_StringIpAdress")) return 0;
    if (event != EVENT_COMMIT) return 0;
    App& a = AppOf(callbackData);
    DimAccept(a);
    UpdateHostHistory(a);
    return 0;
}

LQ_CTRL_CB(CBF_StringPortNumber) {
    LQ_UNUSED_CB_ARGS;
    if (HandleHelp(callbackData, event, "CBF_StringPortNumber")) return 0;
    if (event == EVENT_COMMIT) DimAccept(AppOf(callbackData));
    return 0;
}

LQ_CTRL_CB(CBF_ButtonFindComPorts) {
    LQ_UNUSED_CB_ARGS;
    if (HandleHelp(callbackData, event, "CBF_ButtonFindComPorts")) return 0;
    if (event == EVENT_COMMIT) ListComPorts(AppOf(callbackData));
    return 0;
}

LQ_CTRL_CB(CBF_ButtonAccept) {
    LQ_UNUSED_CB_ARGS;
    if (HandleHelp(callbackData, event, "CBF_ButtonAccept")) return 0;
    if (event != EVENT_COMMIT) return 0;
    App& a = AppOf(callbackData);
    StorePanelSettings(a);
    a.ui.SetActiveTabPage(a.s.mainPanel, TAB_MAIN1, 1);  // ASSISTANT
    return 0;
}

}  // namespace lq
