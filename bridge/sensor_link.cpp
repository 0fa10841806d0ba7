#include "bridge/sensor_link.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "app/core/session_events.h"
#include "cli/console_platform.h"
#include "link/link.h"
#include "session/identify.h"
#include "session/session.h"

namespace lq::bridge {
namespace {

// The bridge's side of the session events: every failure report and piece
// of information becomes a message of the running operation; a report that
// came with a counted link failure is the operation's failure. The
// connection question is answered "offline" (the link is closed) and its
// text kept.
class LinkEvents final : public SessionEvents {
  public:
    void Begin(uint32_t failures) {
        outcome = Outcome{};
        failuresSeen = failures;
    }

    void FailureReported(std::string_view text) override {
        if (app->dev.failures != failuresSeen) {
            failuresSeen = app->dev.failures;
            outcome.failed = true;
            outcome.failure.assign(text);
        }
        if (!text.empty()) outcome.messages.emplace_back(text);
    }
    void InfoReported(std::string_view text) override {
        if (!text.empty()) outcome.messages.emplace_back(text);
    }
    ConnectionAnswer AskConnection(std::string_view text) override {
        connectionMessage.assign(text);
        return ConnectionAnswer::Offline;
    }

    App* app = nullptr;
    Outcome outcome;
    uint32_t failuresSeen = 0;
    std::string connectionMessage;
};

}  // namespace

struct SensorLink::Impl {
    explicit Impl(const SensorAddress& address) : address(address) {
        ui.messages = nullptr;
        events.app = &a;
    }

    void Begin() { events.Begin(a.dev.failures); }
    Outcome End() {
        // A plausibility count goes through the failure report too, which
        // marks the session unconnected; the link itself is fine, so the
        // session stays usable.
        if (!events.outcome.failed) a.s.connected = 1;
        return std::move(events.outcome);
    }
    void Fail(const std::string& text) {
        Outcome& o = events.outcome;
        if (o.failed) return;
        o.failed = true;
        o.failure = text;
        o.messages.push_back(text);
    }

    // IdentifySensor on the open link, failures and refusals as outcomes.
    void RunIdentify(SensorIdentity& id) {
        Identification found;
        const int r = IdentifySensor(a, &found);
        if (r == 1 && !events.outcome.failed) {
            const FirmwareInfo fw = ParseFirmware(found.firmware);
            id.model = found.model;
            id.display = fw.display;
            id.firmware = found.firmware;
            id.name = found.name;
            id.serial = found.serialNumber;
            id.sensorType = found.sensorType;
            return;
        }
        // Unsupported firmware: the program's own message, as its connection
        // popup shows it; the popup's OFFLINE closed the link.
        Fail(found.message);
    }

    SensorAddress address;
    cli::ConsolePlatform ui;
    LinkEvents events;
    App a{ui, events};
};

SensorLink::SensorLink(const SensorAddress& address) : impl_(std::make_unique<Impl>(address)) {}

SensorLink::~SensorLink() {
    Close();
}

Outcome SensorLink::Connect(SensorIdentity& id) {
    Impl& m = *impl_;
    App& a = m.a;
    SessionState& s = a.s;
    m.Begin();
    Close();
    const bool tcp = m.address.kind == SensorAddress::Kind::Tcp;
    s.link.protocol = tcp ? PROTOCOL_TCPIP : PROTOCOL_RS232;
    s.link.comPort = static_cast<uint16_t>(tcp ? 1 : m.address.comPort);
    s.link.baudIndex = static_cast<uint16_t>(m.address.baudIndex);
    CopyText(s.link.host, m.address.host);
    CopyText(s.link.tcpPortText, std::to_string(m.address.tcpPort));
    s.link.tcpPort = m.address.tcpPort;
    s.transferTarget = TARGET_FILE;

    if (tcp)
        InitTCP_IP(a);
    else
        InitRS232(a);
    if (s.linkResult < 0 || m.events.outcome.failed) {
        m.Fail(s.statusText);
        Close();
        return std::move(m.events.outcome);
    }
    m.RunIdentify(id);
    if (m.events.outcome.failed) Close();
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
    if (!GetPara(m.a).ok) m.Fail(m.a.s.statusText);
    if (!m.events.outcome.failed) {
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
    const TransferResult r = SendPara(m.a);
    if (!r.ok) m.Fail(m.a.s.statusText);
    counts.parameterBlock = r.paraCount > 0 ? static_cast<unsigned>(r.paraCount) : 0;
    counts.teachTable = r.teachCount > 0 ? static_cast<unsigned>(r.teachCount) : 0;
    counts.stored = eeprom;
    return m.End();
}

Outcome SensorLink::Live(LiveRecord& record) {
    Impl& m = *impl_;
    m.Begin();
    if (RequestLiveRecord(m.a) == 1)
        record = m.a.s.liveRecord;
    else
        m.Fail(m.a.s.statusText);
    return m.End();
}

Outcome SensorLink::Freq(double& hz, std::string& text) {
    Impl& m = *impl_;
    m.Begin();
    if (!GetCycleTime(m.a)) m.Fail(m.a.s.statusText);
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
