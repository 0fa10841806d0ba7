// lumiquad-bridge as a process between a real Mosquitto broker and five
// simulated sensors: what it publishes, how it rides out a silent sensor and
// a lost broker, its commands, and how it stops.
#include <gtest/gtest.h>

#include <string>

#include "bridge/messages.h"
#include "tests/bridge/mqtt_world.h"

namespace lq::bridge::test {
namespace {

constexpr int kSensors = 5;
constexpr const char* kTimeoutText =
    "TIMEOUT! \nNO DATA RECEIVED! \nCOMMUNICATION ERROR! \nCHECK POWER SUPPLY AND COM SETTINGS. "
    "\nTRY TO CONNECT AGAIN!";

std::string Label(int i) {
    return "s" + std::to_string(i);
}

class BridgeProcess : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(MosquittoPath().empty())
            << "mosquitto is not installed (scripts/install-deps installs it)";
        ASSERT_TRUE(farm_.Started());
        ASSERT_TRUE(broker_.Start()) << ReadWhole(dir_.File("mosquitto.log"));
        sub_ = std::make_unique<Subscriber>(broker_.Port(), "lumiquad/#");
        ASSERT_TRUE(sub_->WaitConnected());
    }
    void TearDown() override {
        bridge_.Kill(SIGKILL);
        sub_.reset();
        broker_.Kill();
    }

    void StartBridge(bool commands) {
        std::string ini = "[broker]\nhost = 127.0.0.1\nport = " + std::to_string(broker_.Port()) +
                          "\nkeepalive = 5\n[bridge]\ncommands = " + (commands ? "on" : "off") +
                          "\n";
        for (int i = 0; i < farm_.Size(); ++i)
            ini += "[sensor " + Label(i) +
                   "]\naddress = tcp 127.0.0.1:" + std::to_string(farm_.Server(i).Port()) +
                   "\nrate = 20\n";
        WriteWhole(dir_.File("bridge.ini"), ini);
        ASSERT_TRUE(
            bridge_.Start({BridgePath(), dir_.File("bridge.ini")}, dir_.File("bridge.log")));
    }

    std::string Topic(int i, const std::string& leaf) {
        return "lumiquad/" + Label(i) + "/" + leaf;
    }
    std::string Status(int i) { return Member(sub_->Last(Topic(i, "status")), "status"); }

    // Every sensor online and sending live records.
    void WaitAllLive() {
        for (int i = 0; i < farm_.Size(); ++i) {
            ASSERT_TRUE(WaitFor(
                [&] { return Status(i) == "online" && sub_->Count(Topic(i, "live")) >= 3; }, 30))
                << Label(i) << "\n"
                << Log();
        }
    }
    std::string Log() { return ReadWhole(dir_.File("bridge.log")); }

    // The reply that carries `id`, after waiting for it.
    std::string Reply(int i, const std::string& id) {
        std::string found;
        WaitFor(
            [&] {
                for (const std::string& p : sub_->Topic(Topic(i, "reply")).payloads)
                    if (Member(p, "id") == id) found = p;
                return !found.empty();
            },
            30);
        return found;
    }

    TempDir dir_;
    SensorFarm farm_{kSensors};
    Broker broker_{dir_};
    std::unique_ptr<Subscriber> sub_;
    Child bridge_;
};

TEST_F(BridgeProcess, EverySensorOnlineWithItsIdentityConfigAndLiveRecords) {
    StartBridge(false);
    WaitAllLive();
    for (int i = 0; i < kSensors; ++i) {
        const std::string status = sub_->Last(Topic(i, "status"));
        EXPECT_EQ(Member(status, "model"), "LUMIQUAD QX V1.") << status;
        EXPECT_EQ(Member(status, "name"), "SENSOR " + std::to_string(i)) << status;
        EXPECT_EQ(Member(status, "serial"), std::to_string(1000 + i)) << status;
        EXPECT_EQ(Member(status, "firmware"), farm_.Sensor(i).FirmwareText()) << status;
        // The configuration is the sensor's RAM.
        JsonValue config;
        std::string error;
        ASSERT_TRUE(ParseJson(sub_->Last(Topic(i, "config")), config, error)) << error;
        ParaBlock para;
        TeachTable teach;
        ASSERT_TRUE(ConfigFromJson(config, para, teach, error)) << error;
        EXPECT_EQ(para.w, farm_.Sensor(i).Ram().w);
        for (int v = 0; v < kSensorTeachVectors; ++v)
            EXPECT_EQ(teach[v].w, farm_.Sensor(i).RamTeach()[v].w);
        // Live records carry all their fields.
        const std::string live = sub_->Last(Topic(i, "live"));
        for (const char* key : {"R", "G", "B", "X", "Y", "INT", "C-No"})
            EXPECT_FALSE(Member(live, key).empty()) << key << " in " << live;
        EXPECT_EQ(Member(live, "time").size(), std::string("2026-12-11T16:20:13.123Z").size())
            << live;
    }
    // A subscriber that comes later finds status and config retained.
    Subscriber late(broker_.Port(), "lumiquad/+/status");
    ASSERT_TRUE(late.WaitConnected());
    ASSERT_TRUE(WaitFor([&] { return late.Count(Topic(kSensors - 1, "status")) > 0; }, 10));
    EXPECT_TRUE(late.Topic(Topic(kSensors - 1, "status")).retained.back());
}

TEST_F(BridgeProcess,
       SilentSensorGoesOfflineWithTheTimeOutTextAndComesBackWithoutDisturbingTheOthers) {
    StartBridge(false);
    WaitAllLive();
    size_t before[kSensors];
    for (int i = 0; i < kSensors; ++i) before[i] = sub_->Count(Topic(i, "live"));

    farm_.Sensor(2).SetFault(lqsim::Fault::Silent);
    ASSERT_TRUE(WaitFor([&] { return Status(2) == "offline"; }, 30)) << Log();
    EXPECT_EQ(Member(sub_->Last(Topic(2, "status")), "reason"), kTimeoutText);
    const size_t offlineAt = sub_->Count(Topic(2, "live"));

    farm_.Sensor(2).SetFault(lqsim::Fault::None);
    ASSERT_TRUE(WaitFor([&] { return Status(2) == "online"; }, 60)) << Log();
    ASSERT_TRUE(WaitFor([&] { return sub_->Count(Topic(2, "live")) > offlineAt; }, 30));

    // The others kept publishing and never left online.
    for (int i = 0; i < kSensors; ++i) {
        if (i == 2) continue;
        EXPECT_GT(sub_->Count(Topic(i, "live")), before[i] + 10) << Label(i);
        for (const std::string& s : sub_->Topic(Topic(i, "status")).payloads)
            EXPECT_EQ(Member(s, "status"), "online") << Label(i) << ": " << s;
    }
    // One log line per change of the silent sensor: offline once, online again.
    const std::string log = Log();
    EXPECT_NE(log.find("s2: offline: TIMEOUT! NO DATA RECEIVED! COMMUNICATION ERROR!"),
              std::string::npos)
        << log;
    size_t offlineLines = 0;
    for (size_t at = log.find("s2: offline"); at != std::string::npos;
         at = log.find("s2: offline", at + 1))
        ++offlineLines;
    EXPECT_EQ(offlineLines, 1u) << log;
}

TEST_F(BridgeProcess, BrokerRestartIsRiddenOutAndTheRetainedTopicsArePublishedAgain) {
    StartBridge(false);
    WaitAllLive();
    sub_.reset();
    broker_.Kill();
    // While the broker is away the sensors stay connected.
    ASSERT_TRUE(WaitFor(
        [&] {
            return Log().find("broker 127.0.0.1:" + std::to_string(broker_.Port()) +
                              " unreachable") != std::string::npos;
        },
        30));
    for (int i = 0; i < kSensors; ++i) EXPECT_TRUE(farm_.Server(i).HasClient()) << Label(i);

    ASSERT_TRUE(broker_.Start());  // the same port, nothing retained
    sub_ = std::make_unique<Subscriber>(broker_.Port(), "lumiquad/#");
    ASSERT_TRUE(sub_->WaitConnected());
    for (int i = 0; i < kSensors; ++i) {
        ASSERT_TRUE(WaitFor(
            [&] {
                return Status(i) == "online" && sub_->Count(Topic(i, "config")) > 0 &&
                       sub_->Count(Topic(i, "live")) > 0;
            },
            60))
            << Label(i) << "\n"
            << Log();
    }
    // The sensors were never taken offline by the broker's absence.
    EXPECT_EQ(Log().find(": offline"), std::string::npos) << Log();
}

TEST_F(BridgeProcess, WhileTheBrokerIsAwayOnlyTheLatestStateIsKeptForIt) {
    StartBridge(false);
    WaitAllLive();
    sub_.reset();
    broker_.Kill();
    // Sensor 4 goes offline and comes back while nobody can be told.
    farm_.Sensor(4).SetFault(lqsim::Fault::Silent);
    ASSERT_TRUE(WaitFor([&] { return Log().find("s4: offline") != std::string::npos; }, 30))
        << Log();
    farm_.Sensor(4).SetFault(lqsim::Fault::None);
    ASSERT_TRUE(WaitFor(
        [&] {
            const std::string log = Log();
            return log.find("s4: online", log.find("s4: offline")) != std::string::npos;
        },
        60))
        << Log();

    ASSERT_TRUE(broker_.Start());
    sub_ = std::make_unique<Subscriber>(broker_.Port(), "lumiquad/#");
    ASSERT_TRUE(sub_->WaitConnected());
    ASSERT_TRUE(WaitFor([&] { return sub_->Count(Topic(4, "live")) > 0; }, 60)) << Log();
    // The offline spell was never queued for the broker: only the state now.
    for (const std::string& s : sub_->Topic(Topic(4, "status")).payloads)
        EXPECT_EQ(Member(s, "status"), "online") << s;
    EXPECT_EQ(Status(4), "online");
}

TEST_F(BridgeProcess, GetAndSendRoundTripWithCorrelationIds) {
    StartBridge(true);
    WaitAllLive();
    sub_->Publish(Topic(1, "cmd/get"), R"({"id":"get-1"})");
    const std::string got = Reply(1, "get-1");
    ASSERT_FALSE(got.empty()) << Log();
    EXPECT_EQ(Member(got, "result"), "ok") << got;
    EXPECT_EQ(Member(got, "command"), "get");
    JsonValue v;
    std::string error;
    ASSERT_TRUE(ParseJson(got, v, error));
    ParaBlock para;
    TeachTable teach;
    ASSERT_TRUE(ConfigFromJson(*v.Find("config"), para, teach, error)) << error;
    EXPECT_EQ(para.w, farm_.Sensor(1).Ram().w);

    // Send a changed configuration, stored in the EEPROM.
    para[POWER] = 777;
    teach[3][CELL0] = 1234;
    sub_->Publish(Topic(1, "cmd/send"),
                  R"({"id":"send-1","eeprom":true,"config":)" + ConfigJson(para, teach) + "}");
    const std::string sent = Reply(1, "send-1");
    ASSERT_FALSE(sent.empty()) << Log();
    EXPECT_EQ(Member(sent, "result"), "ok") << sent;
    EXPECT_EQ(farm_.Sensor(1).Ram()[POWER], 777);
    EXPECT_EQ(farm_.Sensor(1).Eeprom()[POWER], 777);
    EXPECT_EQ(farm_.Sensor(1).RamTeach()[3][CELL0], 1234);
    // The retained config follows the change.
    ASSERT_TRUE(WaitFor(
        [&] {
            JsonValue c;
            std::string e;
            return ParseJson(sub_->Last(Topic(1, "config")), c, e) &&
                   c.Find("parameters")->Find("POWER")->number == 777;
        },
        10));
    // The other sensors were not touched.
    EXPECT_NE(farm_.Sensor(0).Ram()[POWER], 777);

    sub_->Publish(Topic(1, "cmd/freq"), R"({"id":7})");
    const std::string freq = Reply(1, "7");
    EXPECT_EQ(Member(freq, "result"), "ok") << freq;
    EXPECT_NE(Member(freq, "text").find(" Hz"), std::string::npos) << freq;

    sub_->Publish(Topic(1, "cmd/identify"), R"({"id":"who"})");
    const std::string who = Reply(1, "who");
    EXPECT_EQ(Member(who, "result"), "ok") << who;
    EXPECT_NE(who.find("\"serial\":1001"), std::string::npos) << who;
    EXPECT_EQ(Status(1), "online");
}

TEST_F(BridgeProcess, MalformedCommandsGetAnErrorReplyAndChangeNothing) {
    StartBridge(true);
    WaitAllLive();
    const ParaBlock ram = farm_.Sensor(3).Ram();
    const ParaBlock eeprom = farm_.Sensor(3).Eeprom();
    std::string config = sub_->Last(Topic(3, "config"));
    config.replace(config.find("\"POWER\":"), 8, "\"POWER\":-5,\"X\":");
    const char* const payloads[][2] = {
        {"cmd/send", R"({"id":"bad-1","eeprom":true,"config":{"parameters":{"POWER":70000}}})"},
        {"cmd/send", "{\"id\":\"bad-2\",\"eeprom\":true,\"config\":"},
        {"cmd/get", R"({"id":"bad-3","eeprom":"yes"})"},
        {"cmd/reset", R"({"id":"bad-4"})"},
    };
    farm_.Sensor(3).ClearRequests();
    for (const auto& p : payloads) sub_->Publish(Topic(3, p[0]), p[1]);
    sub_->Publish(Topic(3, "cmd/send"), R"({"id":"bad-5","config":)" + config + "}");
    for (const char* id : {"bad-1", "bad-3", "bad-4", "bad-5"}) {
        const std::string r = Reply(3, id);
        EXPECT_EQ(Member(r, "result"), "error") << id << ": " << r;
        EXPECT_NE(r.find("\"messages\":[\""), std::string::npos) << r;
    }
    // The payload cut short has no id to answer with; its reply has none.
    ASSERT_TRUE(WaitFor(
        [&] {
            for (const std::string& p : sub_->Topic(Topic(3, "reply")).payloads)
                if (Member(p, "id") == "null" && Member(p, "result") == "error") return true;
            return false;
        },
        10));
    // Nothing was written to the sensor.
    for (const lqsim::SeenRequest& r : farm_.Sensor(3).Requests()) {
        EXPECT_NE(r.order, 1) << "a write reached the sensor";
        EXPECT_NE(r.order, 3) << "an EEPROM store reached the sensor";
    }
    EXPECT_EQ(farm_.Sensor(3).Ram().w, ram.w);
    EXPECT_EQ(farm_.Sensor(3).Eeprom().w, eeprom.w);
    EXPECT_EQ(Status(3), "online");
}

TEST_F(BridgeProcess, CommandsAreRefusedWhenNotEnabled) {
    StartBridge(false);
    WaitAllLive();
    const ParaBlock ram = farm_.Sensor(0).Ram();
    farm_.Sensor(0).ClearRequests();
    ParaBlock para = ram;
    para[POWER] = 901;
    sub_->Publish(Topic(0, "cmd/send"),
                  R"({"id":"s-off","config":)" + ConfigJson(para, TeachTable{}) + "}");
    sub_->Publish(Topic(0, "cmd/get"), R"({"id":"g-off"})");
    for (const char* id : {"s-off", "g-off"}) {
        const std::string r = Reply(0, id);
        EXPECT_EQ(Member(r, "result"), "refused") << r;
        EXPECT_NE(r.find("commands = on"), std::string::npos) << r;
    }
    for (const lqsim::SeenRequest& r : farm_.Sensor(0).Requests()) EXPECT_NE(r.order, 1);
    EXPECT_EQ(farm_.Sensor(0).Ram().w, ram.w);
}

TEST_F(BridgeProcess, SigtermPublishesOfflineAndClosesTheLinks) {
    StartBridge(false);
    WaitAllLive();
    EXPECT_EQ(bridge_.Stop(SIGTERM, 20), 0) << Log();
    for (int i = 0; i < kSensors; ++i) {
        ASSERT_TRUE(WaitFor([&] { return Status(i) == "offline"; }, 10)) << Label(i);
        EXPECT_EQ(Member(sub_->Last(Topic(i, "status")), "reason"), "BRIDGE STOPPED");
        EXPECT_TRUE(WaitFor([&] { return !farm_.Server(i).HasClient(); }, 10)) << Label(i);
    }
    EXPECT_NE(Log().find("stopped"), std::string::npos);
}

TEST_F(BridgeProcess, TheBrokersLastWillSetsEverySensorOfflineWhenTheBridgeDies) {
    StartBridge(false);
    WaitAllLive();
    bridge_.Kill(SIGKILL);
    // keepalive 5 s: the broker notices within one and a half of it.
    for (int i = 0; i < kSensors; ++i) {
        ASSERT_TRUE(WaitFor([&] { return Status(i) == "offline"; }, 30)) << Label(i);
        EXPECT_EQ(Member(sub_->Last(Topic(i, "status")), "reason"), "BRIDGE CONNECTION LOST");
    }
}

TEST_F(BridgeProcess, ABrokerThatNeverAnswersIsGivenUpAndTriedAgain) {
    // A listener that takes the connection but never speaks MQTT.
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(fd, 16), 0);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    const int port = ntohs(a.sin_port);
    WriteWhole(dir_.File("mute.ini"), "[broker]\nport = " + std::to_string(port) +
                                          "\nkeepalive = 5\n[sensor s0]\naddress = tcp 127.0.0.1:" +
                                          std::to_string(farm_.Server(0).Port()) + "\n");
    ASSERT_TRUE(bridge_.Start({BridgePath(), dir_.File("mute.ini")}, dir_.File("bridge.log")));
    // Every attempt is a new connection; the bridge gives each up and tries again.
    fcntl(fd, F_SETFL, O_NONBLOCK);
    std::vector<int> accepted;
    EXPECT_TRUE(WaitFor(
        [&] {
            for (int c; (c = accept(fd, nullptr, nullptr)) >= 0;) accepted.push_back(c);
            return accepted.size() >= 3;
        },
        60))
        << Log();
    const std::string log = Log();
    EXPECT_NE(log.find("unreachable (no answer"), std::string::npos) << log;
    // Logged once for the whole outage, not once per attempt.
    EXPECT_EQ(log.find("unreachable"), log.rfind("unreachable")) << log;
    for (int c : accepted) close(c);
    // The sensor side went on regardless.
    EXPECT_NE(Log().find("s0: online"), std::string::npos) << Log();
    EXPECT_EQ(bridge_.Stop(SIGTERM, 20), 0) << Log();
    close(fd);
}

}  // namespace
}  // namespace lq::bridge::test
