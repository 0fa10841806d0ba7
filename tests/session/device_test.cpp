// The device layer on its own: the session operations against the simulator
// over TCP and over a pseudo-terminal, with no panel loaded, reporting to a
// recording implementation of the events. What the caller learns comes from
// the operations' results and the recording, never from a control.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/core/session_events.h"
#include "app/core/session_state.h"
#include "data/para.h"
#include "link/link.h"
#include "session/identify.h"
#include "session/session.h"
#include "sim/simulator.h"
#include "tests/link/link_world.h"
#include "tests/support/test_platform.h"

namespace lq::test {
namespace {

// Every call as one line ("StatusShown TRY TO CONNECT!"), in order; the
// questions are answered from `defaults` and `connection`.
struct RecordingEvents : SessionEvents {
    std::vector<std::string> calls;
    bool defaults = false;
    ConnectionAnswer connection = ConnectionAnswer::Offline;
    bool hasChoice = false;
    LinkSettings choice;  // what ReadLinkChoice hands over when hasChoice

    void Add(const char* what, std::string_view text = {}) {
        std::string line = what;
        if (!text.empty()) line += " " + std::string(text);
        calls.push_back(line);
    }
    void StatusShown(std::string_view t) override { Add("StatusShown", t); }
    void FirmwareRead(std::string_view t) override { Add("FirmwareRead", t); }
    void StatusAppended(std::string_view t) override { Add("StatusAppended", t); }
    void FailureReported(std::string_view t) override { Add("FailureReported", t); }
    void InfoReported(std::string_view t) override { Add("InfoReported", t); }
    void ButtonsDimmed(bool keep, bool dimmed) override {
        Add(dimmed ? (keep ? "ButtonsDimmed keep" : "ButtonsDimmed all")
                   : (keep ? "ButtonsReleased keep" : "ButtonsReleased all"));
    }
    void ConnectionEstablished() override { Add("ConnectionEstablished"); }
    void WentOffline() override { Add("WentOffline"); }
    void ReadLinkChoice(LinkSettings& link, bool comPortOnly) override {
        Add(comPortOnly ? "ReadLinkChoice port" : "ReadLinkChoice all");
        if (!hasChoice) return;
        link.comPort = choice.comPort;
        if (comPortOnly) return;
        link = choice;
    }
    void LinkChosen(const LinkSettings& link) override {
        Add("LinkChosen", std::to_string(link.protocol) + " " + std::to_string(link.tcpPort));
    }
    void ShowConfiguration() override { Add("ShowConfiguration"); }
    void ShowTolerances() override { Add("ShowTolerances"); }
    void ShowLiveRecord(const LiveRecord&) override { Add("ShowLiveRecord"); }
    void ShowGraphs() override { Add("ShowGraphs"); }
    void CycleTimeMeasured(double) override { Add("CycleTimeMeasured"); }
    bool AskDefaultParameters(std::string_view q) override {
        Add("AskDefaultParameters", q);
        return defaults;
    }
    ConnectionAnswer AskConnection(std::string_view t) override {
        Add("AskConnection", t);
        return connection;
    }

    // The calls whose line starts with `what`.
    std::vector<std::string> Of(const std::string& what) const {
        std::vector<std::string> out;
        for (const std::string& c : calls)
            if (c.compare(0, what.size(), what) == 0) out.push_back(c);
        return out;
    }
};

enum class Transport { Tcp, Serial };

std::string Name(const testing::TestParamInfo<Transport>& p) {
    return p.param == Transport::Tcp ? "Tcp" : "Serial";
}

// (order, argument) of each request the sensor received.
using Requests = std::vector<std::pair<int, int>>;

class DeviceLayer : public testing::TestWithParam<Transport> {
  protected:
    void SetUp() override { StartSensor({}); }

    void StartSensor(lqsim::SimConfig config) {
        if (tcp) tcp->Stop();
        if (pty) pty->Stop();
        sensor = std::make_unique<lqsim::Sensor>(config);
        LinkSettings& link = events.choice;
        if (GetParam() == Transport::Serial) {
            pty = std::make_unique<lqsim::PtyServer>(*sensor);
            ASSERT_TRUE(pty->Start());
            ASSERT_TRUE(pty->Link(dev / "ttyS2"));  // COM3
            CopyText(a.dev.deviceDir, dev.path);
            link.protocol = PROTOCOL_RS232;
            link.comPort = 3;
            link.baudIndex = 4;
        } else {
            tcp = std::make_unique<lqsim::TcpServer>(*sensor);
            ASSERT_TRUE(tcp->Start());
            link.protocol = PROTOCOL_TCPIP;
            CopyText(link.host, "127.0.0.1");
            CopyText(link.tcpPortText, std::to_string(tcp->Port()));
        }
    }

    // Opens the link the way a front end without a connection sequence does.
    void Open() {
        a.s.link = events.choice;
        a.s.link.tcpPort = tcp ? tcp->Port() : 0;
        if (a.s.link.protocol == PROTOCOL_TCPIP)
            InitTCP_IP(a);
        else
            InitRS232(a);
        ASSERT_EQ(a.s.linkResult, 0);
        a.s.connected = 1;
        sensor->ClearRequests();
    }

    void TearDown() override {
        DisconnectFromTCPServer(a);
        CloseCom(a, a.s.link.comPort);
        if (tcp) tcp->Stop();
        if (pty) pty->Stop();
        // Nothing was ever shown on a screen: no panel, no popup.
        EXPECT_TRUE(tp.popups.empty());
        EXPECT_EQ(tp.PanelOf(1), nullptr);
    }

    Requests Seen() const {
        Requests out;
        for (const lqsim::SeenRequest& r : sensor->Requests())
            out.emplace_back(r.order, r.argument);
        return out;
    }

    // A configuration the sensor accepts, different from its defaults.
    void Configure(int power) {
        LoadDefaultParaValues(a.para, a.teach, 1);
        a.para[POWER] = static_cast<uint16_t>(power);
        a.teach[0][0] = 1234;
    }

    linktest::TempDir dev;
    std::unique_ptr<lqsim::Sensor> sensor;
    std::unique_ptr<lqsim::TcpServer> tcp;
    std::unique_ptr<lqsim::PtyServer> pty;
    TestPlatform tp;
    RecordingEvents events;
    App a{tp, events};
};

TEST_P(DeviceLayer, ConnectTakesTheFrontEndsLinkIdentifiesAndReads) {
    events.hasChoice = true;  // a.s.link starts with nothing useful in it
    a.s.language = 1;
    TryToConnect(a);
    ASSERT_EQ(a.s.connected, 1);

    const std::string firmware = sensor->FirmwareText();
    const FirmwareInfo fw = ParseFirmware(firmware.c_str());
    const std::string chosen =
        std::to_string(events.choice.protocol) + " " + std::to_string(tcp ? tcp->Port() : 5000);
    EXPECT_EQ(events.calls, (std::vector<std::string>{
                                "StatusShown TRY TO CONNECT!",
                                "StatusAppended TRY TO CONNECT!\n",
                                "ReadLinkChoice all",
                                "LinkChosen " + chosen,
                                "FirmwareRead " + firmware,
                                std::string("StatusShown ") + fw.display,
                                std::string("StatusAppended ") + fw.display,
                                "StatusAppended \nSENSOR: LUMIQUAD SIMULATOR",
                                "StatusAppended \nSERIAL NUMBER: 4711",
                                "StatusAppended \n\n",
                                "AskDefaultParameters "
                                "Do you want to send default parameters to the sensor?",
                                "ShowConfiguration",
                                "ShowTolerances",
                                "ShowGraphs",
                                "ConnectionEstablished",
                            }));
    // Without defaults: identification, then the EEPROM target's read.
    EXPECT_EQ(Seen(), (Requests{{ORDER_FIRMWARE, 0},
                                {ORDER_NAME, 0},
                                {ORDER_LOAD_EEPROM, 0},
                                {ORDER_READ, kArgParaBlock},
                                {ORDER_READ, kArgTeachTable}}));
    EXPECT_EQ(a.para.w, sensor->Ram().w);
}

TEST_P(DeviceLayer, ConnectWithDefaultsSendsThemFirst) {
    events.hasChoice = true;
    events.defaults = true;
    TryToConnect(a);
    ASSERT_EQ(a.s.connected, 1);
    EXPECT_EQ(Seen(), (Requests{{ORDER_FIRMWARE, 0},
                                {ORDER_NAME, 0},
                                {ORDER_WRITE, kArgParaBlock},
                                {ORDER_WRITE, kArgTeachTable},
                                {ORDER_STORE_EEPROM, 0},
                                {ORDER_LOAD_EEPROM, 0},
                                {ORDER_READ, kArgParaBlock},
                                {ORDER_READ, kArgTeachTable}}));
    ParaBlock defaults;
    TeachTable teach;
    LoadDefaultParaValues(defaults, teach, 1);
    EXPECT_EQ(sensor->Eeprom().w, defaults.w);
}

TEST_P(DeviceLayer, IdentificationTellsTheCallerWhatIsConnected) {
    Open();
    Identification id;
    EXPECT_EQ(IdentifySensor(a, &id), 1);
    EXPECT_EQ(id.result, 1);
    EXPECT_EQ(id.sensorType, 2);
    EXPECT_STREQ(id.model, "LUMIQUAD QX V1.");
    EXPECT_EQ(std::string(id.firmware), sensor->FirmwareText());
    EXPECT_STREQ(id.name, "LUMIQUAD SIMULATOR");
    EXPECT_EQ(id.serialNumber, 4711);
    EXPECT_EQ(id.message, "");
    EXPECT_EQ(Seen(), (Requests{{ORDER_FIRMWARE, 0}, {ORDER_NAME, 0}}));
}

TEST_P(DeviceLayer, UnsupportedSensorIsRefusedWithTheProgramsMessage) {
    lqsim::SimConfig config;
    config.model = "unsupported";
    StartSensor(config);
    Open();
    Identification id;
    EXPECT_EQ(IdentifySensor(a, &id), 0);
    EXPECT_EQ(id.result, 0);
    EXPECT_EQ(id.sensorType, 0);
    EXPECT_EQ(id.message.rfind("Lumiquad Talvern Kelvo doesn't support the connected sensor! "
                               "\nFirmware of connected sensor is: ",
                               0),
              0u)
        << id.message;
    EXPECT_EQ(events.Of("AskConnection"), std::vector<std::string>{"AskConnection " + id.message});
    // Offline was the answer: the session went offline, and the name was never asked.
    EXPECT_EQ(events.Of("WentOffline").size(), 1u);
    EXPECT_EQ(a.s.connected, 0);
    EXPECT_EQ(a.s.transferTarget, TARGET_FILE);
    EXPECT_EQ(Seen(), (Requests{{ORDER_FIRMWARE, 0}}));
}

struct TransferCase {
    const char* name;
    bool send;
    uint16_t target;
    Requests requests;
};

const TransferCase kTransfers[] = {
    {"SendEeprom",
     true,
     TARGET_EEPROM,
     {{ORDER_WRITE, kArgParaBlock}, {ORDER_WRITE, kArgTeachTable}, {ORDER_STORE_EEPROM, 0}}},
    {"SendRam", true, TARGET_FILE, {{ORDER_WRITE, kArgParaBlock}, {ORDER_WRITE, kArgTeachTable}}},
    {"GetEeprom",
     false,
     TARGET_EEPROM,
     {{ORDER_LOAD_EEPROM, 0}, {ORDER_READ, kArgParaBlock}, {ORDER_READ, kArgTeachTable}}},
    {"GetRam", false, TARGET_FILE, {{ORDER_READ, kArgParaBlock}, {ORDER_READ, kArgTeachTable}}},
};

TEST_P(DeviceLayer, TransfersMakeEachTargetsRequestsAndMoveTheConfiguration) {
    for (const TransferCase& c : kTransfers) {
        SCOPED_TRACE(c.name);
        ParaBlock configured;
        TeachTable configuredTeach;
        Open();
        events.calls.clear();
        a.s.transferTarget = c.target;
        Configure(700);
        configured = a.para;
        configuredTeach = a.teach;
        if (!c.send) {
            // The sensor holds the configuration; the App starts from other values.
            sensor->SetRam(configured, configuredTeach);
            sensor->SetEeprom(configured, configuredTeach);
            sensor->ClearRequests();
            Configure(900);
        }
        const TransferResult r = c.send ? SendPara(a) : GetPara(a);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(Seen(), c.requests);
        EXPECT_EQ(events.Of("FailureReported"), std::vector<std::string>{});
        if (c.send) {
            EXPECT_EQ(r.paraCount, 0);
            EXPECT_EQ(r.teachCount, 0);
            EXPECT_EQ(r.stored, c.target == TARGET_EEPROM);
            EXPECT_EQ(sensor->Ram().w, configured.w);
            EXPECT_EQ(sensor->RamTeach()[0][0], 1234);
            EXPECT_EQ(events.calls, std::vector<std::string>{});
        } else {
            EXPECT_EQ(r.eepromCount, c.target == TARGET_EEPROM ? 0 : -1);
            EXPECT_EQ(a.para.w, configured.w);
            EXPECT_EQ(a.teach[0][0], 1234);
            EXPECT_EQ(events.calls, (std::vector<std::string>{"ShowConfiguration", "ShowTolerances",
                                                              "ShowGraphs"}));
        }
        DisconnectFromTCPServer(a);
        CloseCom(a, a.s.link.comPort);
    }
}

struct FailureCase {
    const char* name;
    lqsim::Fault fault;
    const char* text;
};

const FailureCase kFailures[] = {
    {"Silent", lqsim::Fault::Silent, kTextTimeout},
    {"BadHeader", lqsim::Fault::BadHeader, kTextBadHeader},
    {"BadData", lqsim::Fault::BadData, kTextBadData},
    {"InvalidOrder", lqsim::Fault::Error1, kTextInvalidOrder},
};

TEST_P(DeviceLayer, AFailedExchangeRaisesTheReportAndTheResultSaysSo) {
    for (const FailureCase& c : kFailures) {
        SCOPED_TRACE(c.name);
        Open();
        events.calls.clear();
        a.s.running = 1;
        a.s.transferTarget = TARGET_FILE;
        // The first read, the parameter block's, fails.
        sensor->SetFault(c.fault);
        const TransferResult r = GetPara(a);
        sensor->SetFault(lqsim::Fault::None);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(events.calls, std::vector<std::string>{std::string("FailureReported ") + c.text});
        EXPECT_STREQ(a.s.statusText, c.text);
        EXPECT_EQ(a.s.running, 0);
        EXPECT_EQ(a.s.connected, 0);
        DisconnectFromTCPServer(a);
        CloseCom(a, a.s.link.comPort);
    }
}

TEST_P(DeviceLayer, PlausibilityCountsReachTheCaller) {
    Open();
    sensor->SetPlausibility(3);
    Configure(700);
    a.s.transferTarget = TARGET_EEPROM;
    const TransferResult sent = SendPara(a);
    EXPECT_TRUE(sent.ok);  // information, not a link failure
    EXPECT_EQ(sent.paraCount, 3);
    EXPECT_EQ(sent.teachCount, 3);
    EXPECT_TRUE(sent.stored);
    const std::string ram =
        "FailureReported INFO!\n3 PARAMETER IN RAM DID NOT PASS PLAUSIBILITY CHECK AND WERE SET "
        "TO DEFAULT VALUE!";
    EXPECT_EQ(events.calls, (std::vector<std::string>{ram, ram}));

    events.calls.clear();
    const TransferResult got = GetPara(a);
    EXPECT_TRUE(got.ok);
    EXPECT_EQ(got.eepromCount, 3);
    EXPECT_EQ(events.calls,
              (std::vector<std::string>{
                  "InfoReported INFO!\n3 PARAMETER FROM EEPROM DID NOT PASS PLAUSIBILITY CHECK AND "
                  "WERE SET TO DEFAULT VALUE!\n\n",
                  "ShowConfiguration", "ShowTolerances", "ShowGraphs"}));
}

TEST_P(DeviceLayer, LiveLoopHandsEachRecordToTheFrontEndUntilItStops) {
    Open();
    struct StopAfterThree : RecordingEvents {
        App* app = nullptr;
        int seen = 0;
        void ShowLiveRecord(const LiveRecord& r) override {
            RecordingEvents::ShowLiveRecord(r);
            if (++seen == 3) app->s.running = 0;
        }
    } live;
    live.app = &a;
    a.events = &live;
    EXPECT_TRUE(GetData(a));
    a.events = &events;
    EXPECT_EQ(live.calls,
              (std::vector<std::string>{"ShowLiveRecord", "ShowGraphs", "ShowLiveRecord",
                                        "ShowGraphs", "ShowLiveRecord", "ShowGraphs"}));
    EXPECT_EQ(Seen(), (Requests{{ORDER_LIVE, 0}, {ORDER_LIVE, 0}, {ORDER_LIVE, 0}}));
}

INSTANTIATE_TEST_SUITE_P(Transports, DeviceLayer,
                         testing::Values(Transport::Tcp, Transport::Serial), Name);

}  // namespace
}  // namespace lq::test
