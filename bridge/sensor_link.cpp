#include "bridge/sensor_link.h"

#include <cstdio>
#include <string_view>

#include "cli/console_platform.h"
#include "link/link.h"
#include "session/identify.h"
#include "session/session.h"

namespace lq::bridge {
namespace {
constexpr std::string_view kInfoPrefix = "INFO!\n";
}

struct SensorLink::Impl {
    explicit Impl(const SensorSpec& spec) : spec(spec) {
        ui.messages = nullptr;
        ui.confirmAnswer = 0;
        ui.genericAnswer = 2;  // the connection popup's OFFLINE: close the link
        ui.onTextBoxAppend = [this](int, int, std::string_view text) { OnStatus(text); };
        SessionState& s = a.s;
        s.mainPanel = ui.LoadPanel(0, "", MAINP);
        s.dataPanel = ui.LoadPanel(0, "", DATAP);
        s.tpConnect = ui.GetPanelHandleFromTabPage(s.mainPanel, TAB_MAIN1, 0);
        s.tpAssist = ui.GetPanelHandleFromTabPage(s.mainPanel, TAB_MAIN1, 1);
    }

    // Every text the status box receives passes here; the failure report
    // appends statusText, the plausibility counts come as INFO! messages.
    void OnStatus(std::string_view text) {
        SessionState& s = a.s;
        if (text.empty() || text != std::string_view(s.statusText)) return;
        if (text.substr(0, kInfoPrefix.size()) == kInfoPrefix) {
            // For an order-1 write the request is still in txBuffer: its
            // argument tells the parameter block (0) from the teach table (2).
            if (s.txBuffer[1] == 1) ramCount[s.txBuffer[2] == 2 ? 1 : 0] = s.respStatus;
        } else {
            outcome.failed = true;
            outcome.failure = std::string(text);
        }
        outcome.messages.emplace_back(text);
    }

    void Begin() {
        outcome = Outcome{};
        ramCount[0] = ramCount[1] = 0;
    }
    Outcome End() {
        // A plausibility count goes through the failure report too; the link
        // itself is fine, so the session stays usable.
        if (!outcome.failed) a.s.connected = 1;
        return std::move(outcome);
    }

    void FillIdentity(SensorIdentity& id) {
        const SessionState& s = a.s;
        const FirmwareInfo fw = ParseFirmware(s.firmwareText);
        id.model = fw.model;
        id.display = fw.display;
        id.firmware = s.firmwareText;
        id.name = s.sensorName;
        // Order 15 was the last exchange: its status word is the serial number.
        id.serial = s.respStatus;
        id.sensorType = s.sensorType;
    }

    // IdentifySensor on the open link, failures and refusals as outcomes.
    void RunIdentify(SensorIdentity& id) {
        ui.lastGenericText.clear();
        const int r = IdentifySensor(a);
        if (r == 1 && !outcome.failed) {
            FillIdentity(id);
            return;
        }
        if (!outcome.failed) {
            // Unsupported firmware: the program's own message, as its
            // connection popup shows it; the popup's OFFLINE closed the link.
            outcome.failed = true;
            outcome.failure = ui.lastGenericText;
            outcome.messages.push_back(ui.lastGenericText);
        }
    }

    SensorSpec spec;
    cli::ConsolePlatform ui;
    App a{ui};
    Outcome outcome;
    unsigned ramCount[2] = {0, 0};
};

SensorLink::SensorLink(const SensorSpec& spec) : impl_(std::make_unique<Impl>(spec)) {}

SensorLink::~SensorLink() {
    Close();
}

Outcome SensorLink::Connect(SensorIdentity& id) {
    Impl& m = *impl_;
    App& a = m.a;
    SessionState& s = a.s;
    m.Begin();
    Close();
    const bool tcp = m.spec.kind == SensorSpec::Kind::Tcp;
    s.link.protocol = tcp ? PROTOCOL_TCPIP : PROTOCOL_RS232;
    s.link.comPort = static_cast<uint16_t>(tcp ? 1 : m.spec.comPort);
    s.link.baudIndex = static_cast<uint16_t>(m.spec.baudIndex);
    CopyText(s.link.host, m.spec.host);
    CopyText(s.link.tcpPortText, std::to_string(m.spec.tcpPort));
    s.link.tcpPort = m.spec.tcpPort;
    // Going offline reads the COM number back from the CONNECT page.
    m.ui.SetCtrlVal(s.tpConnect, EDIT_COM_PROTOCOL, static_cast<double>(s.link.protocol));
    m.ui.SetCtrlVal(s.tpConnect, EDIT_SELECT_COM_PORT, static_cast<double>(s.link.comPort));
    m.ui.SetCtrlVal(s.tpConnect, EDIT_SELECT_BAUDRATE, static_cast<double>(s.link.baudIndex));
    m.ui.SetCtrlVal(s.tpConnect, STRING_IP_ADRESS, std::string_view(s.link.host));
    m.ui.SetCtrlVal(s.tpConnect, STRING_PORT_NUMBER, std::string_view(s.link.tcpPortText));
    s.transferTarget = TARGET_FILE;

    if (tcp)
        InitTCP_IP(a);
    else
        InitRS232(a);
    if (s.linkResult < 0 || m.outcome.failed) {
        if (!m.outcome.failed) {
            m.outcome.failed = true;
            m.outcome.failure = s.statusText;
        }
        Close();
        return std::move(m.outcome);
    }
    m.RunIdentify(id);
    if (m.outcome.failed) Close();
    return m.End();
}

Outcome SensorLink::Identify(SensorIdentity& id) {
    impl_->Begin();
    impl_->RunIdentify(id);
    return impl_->End();
}

Outcome SensorLink::Get(bool eeprom, ParaBlock& para, TeachTable& teach) {
    Impl& m = *impl_;
    m.Begin();
    m.a.s.transferTarget = eeprom ? TARGET_EEPROM : TARGET_FILE;
    GetPara(m.a);
    if (!m.outcome.failed) {
        para = m.a.para;
        teach = m.a.teach;
    }
    return m.End();
}

Outcome SensorLink::Send(const ParaBlock& para, const TeachTable& teach, bool eeprom,
                         SendCounts& counts) {
    Impl& m = *impl_;
    m.Begin();
    m.a.para = para;
    m.a.teach = teach;
    m.a.s.transferTarget = eeprom ? TARGET_EEPROM : TARGET_FILE;
    SendPara(m.a);
    counts.parameterBlock = m.ramCount[0];
    counts.teachTable = m.ramCount[1];
    counts.stored = eeprom;
    return m.End();
}

Outcome SensorLink::Live(LiveRecord& record) {
    Impl& m = *impl_;
    m.Begin();
    if (RequestLiveRecord(m.a) == 1 && !m.outcome.failed) record = m.a.s.liveRecord;
    return m.End();
}

Outcome SensorLink::Freq(double& hz, std::string& text) {
    Impl& m = *impl_;
    m.Begin();
    GetCycleTime(m.a);
    hz = m.a.s.cycleFrequency;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f Hz", CyclePrecision(hz), hz);
    text = buf;
    return m.End();
}

void SensorLink::Close() {
    App& a = impl_->a;
    if (a.s.tcpOpen != 0) DisconnectFromTCPServer(a);
    a.s.tcpOpen = 0;
    CloseCom(a, a.s.link.comPort);
    a.s.connected = 0;
}

}  // namespace lq::bridge
