// The session's reports as control changes of the panels.
#include "ui/screen_events.h"

#include <string>

#include "app/core/platform.h"
#include "session/session.h"
#include "ui/view/view.h"

namespace lq {
namespace {

constexpr const char* kTitleAttention = "ATTENTION!";

}  // namespace

void ScreenEvents::StatusShown(std::string_view text) {
    a_.ui.SetCtrlVal(a_.s.dataPanel, DISPS_STATUS, text);
}

void ScreenEvents::Waiting(bool on) {
    a_.ui.SetWaitCursor(on);
}

void ScreenEvents::FirmwareRead(std::string_view firmware) {
    a_.ui.SetCtrlTooltip(a_.s.dataPanel, DISPS_STATUS, std::string(firmware));
}

void ScreenEvents::StatusAppended(std::string_view text) {
    a_.ui.SetCtrlVal(a_.s.tpConnect, EDIT_TEXT_BOX_STATUS, text);
}

void ScreenEvents::FailureReported(std::string_view text) {
    a_.ui.SetCtrlVal(a_.s.dataPanel, DISPS_STATUS, std::string_view("TIMEOUT!"));
    StatusAppended(text);
    StatusAppended("\n\n");
    a_.ui.SetCtrlDimmed(a_.s.tpConnect, BUTTON_ACCEPT, true);
    a_.ui.SetActiveTabPage(a_.s.mainPanel, TAB_MAIN1, 0);
}

void ScreenEvents::InfoReported(std::string_view text) {
    a_.ui.SetActiveTabPage(a_.s.mainPanel, TAB_MAIN1, 0);
    StatusAppended(text);
}

void ScreenEvents::ButtonsDimmed(bool keepTransfer, bool dimmed) {
    Platform& ui = a_.ui;
    const SessionState& s = a_.s;
    if (!keepTransfer) {
        ui.SetCtrlDimmed(s.mainPanel, BUTTON_GET, dimmed);
        ui.SetCtrlDimmed(s.mainPanel, BUTTON_SEND, dimmed);
        ui.SetCtrlDimmed(s.mainPanel, RADIO_BTN_EEPROM, dimmed);
        ui.SetCtrlDimmed(s.mainPanel, RADIO_BTN_FILE, dimmed);
    }
    ui.SetCtrlDimmed(s.mainPanel, BUTTON_GO, dimmed);
    ui.SetCtrlDimmed(s.mainPanel, BUTTON_FREQ, dimmed);
    ui.SetCtrlDimmed(s.tpConnect, BUTTON_TRY_TO_CONNECT, dimmed);
    ui.SetCtrlDimmed(s.tpConnect, BUTTON_DISCONNECT, dimmed);
    ui.SetCtrlDimmed(s.tpConnect, EDIT_SELECT_BAUDRATE, dimmed);
    ui.SetCtrlDimmed(s.tpAssist, BUTTON_START, dimmed);
}

void ScreenEvents::ConnectionEstablished() {
    a_.ui.SetCtrlDimmed(a_.s.tpConnect, BUTTON_ACCEPT, false);
}

void ScreenEvents::WentOffline() {
    Platform& ui = a_.ui;
    const SessionState& s = a_.s;
    ui.SetCtrlVal(s.mainPanel, RADIO_BTN_FILE, 1.0);
    ui.SetCtrlVal(s.mainPanel, RADIO_BTN_EEPROM, 0.0);
    ui.SetCtrlDimmed(s.tpConnect, BUTTON_TRY_TO_CONNECT, false);
    ui.SetCtrlDimmed(s.tpConnect, EDIT_SELECT_BAUDRATE, false);
    ui.SetCtrlDimmed(s.mainPanel, BUTTON_GET, false);
    ui.SetCtrlDimmed(s.mainPanel, BUTTON_SEND, false);
}

void ScreenEvents::ReadLinkChoice(LinkSettings& link, bool comPortOnly) {
    Platform& ui = a_.ui;
    const int p = a_.s.tpConnect;
    link.comPort = static_cast<uint16_t>(ui.GetCtrlValInt(p, EDIT_SELECT_COM_PORT));
    if (comPortOnly) return;
    link.protocol = static_cast<uint16_t>(ui.GetCtrlValInt(p, EDIT_COM_PROTOCOL));
    link.baudIndex = static_cast<uint16_t>(ui.GetCtrlValInt(p, EDIT_SELECT_BAUDRATE));
    CopyText(link.host, ui.GetCtrlValString(p, STRING_IP_ADRESS));
    CopyText(link.tcpPortText, ui.GetCtrlValString(p, STRING_PORT_NUMBER));
}

void ScreenEvents::LinkChosen(const LinkSettings& link) {
    Platform& ui = a_.ui;
    const int d = a_.s.dataPanel;
    ui.SetCtrlVal(d, EDIT_SELECT_COM_PORT, static_cast<double>(link.comPort));
    ui.SetCtrlVal(d, STRING_IP_ADRESS, std::string_view(link.host));
    const bool tcp = link.protocol == PROTOCOL_TCPIP;
    ui.SetCtrlVisible(d, EDIT_SELECT_COM_PORT, !tcp);
    ui.SetCtrlVisible(d, STRING_IP_ADRESS, tcp);
}

void ScreenEvents::ShowConfiguration() {
    SetPanelValues(a_);
}

void ScreenEvents::ShowTolerances() {
    InitGraphs(a_);
}

void ScreenEvents::ShowLiveRecord(const LiveRecord&) {
    SetPanelData(a_);
}

void ScreenEvents::ShowGraphs() {
    ShowGraph3D(a_);
}

void ScreenEvents::CycleTimeMeasured(double hertz) {
    a_.ui.SetCtrlPrecision(a_.s.mainPanel, DISP_CYCLE_TIME_HZ, CyclePrecision(hertz));
    a_.ui.SetCtrlVal(a_.s.mainPanel, DISP_CYCLE_TIME_HZ, hertz);
}

bool ScreenEvents::AskDefaultParameters(std::string_view question) {
    return a_.ui.ConfirmPopup(kTitleAttention, std::string(question)) == 1;
}

ConnectionAnswer ScreenEvents::AskConnection(std::string_view text) {
    const int button = a_.ui.GenericMessagePopup(kTitleAttention, std::string(text), "CLOSE",
                                                 "OFFLINE", nullptr, 0, 1, 1);
    return button == 1 ? ConnectionAnswer::Close : ConnectionAnswer::Offline;
}

}  // namespace lq
