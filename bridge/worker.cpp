#include "bridge/worker.h"

#include <chrono>
#include <cstdio>

#include "bridge/sensor_link.h"

namespace lq::bridge {
namespace {

std::mutex logMutex;

double WallClock() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

// A program text on one line: its line breaks become blanks.
std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n' || c == '\r') {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace

void LogLine(const std::string& line) {
    std::lock_guard<std::mutex> lock(logMutex);
    std::fprintf(stderr, "lumiquad-bridge: %s\n", line.c_str());
    std::fflush(stderr);
}

SensorWorker::SensorWorker(const SensorConfig& config, std::function<void()> wake)
    : config_(config), wake_(std::move(wake)) {}

SensorWorker::~SensorWorker() {
    RequestStop();
    Join();
}

void SensorWorker::Start() {
    thread_ = std::thread([this] { Run(); });
}

void SensorWorker::RequestStop() {
    stop_ = true;
    std::lock_guard<std::mutex> lock(box.mu);
    box.cv.notify_all();
}

void SensorWorker::Join() {
    if (thread_.joinable()) thread_.join();
}

bool SensorWorker::Pause(double seconds) {
    std::unique_lock<std::mutex> lock(box.mu);
    box.cv.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return stop_.load(); });
    return !stop_;
}

void SensorWorker::Post(std::function<void(Mailbox&)> change) {
    {
        std::lock_guard<std::mutex> lock(box.mu);
        change(box);
    }
    wake_();
}

void SensorWorker::GoOffline(const std::string& reason) {
    const std::string line = config_.label + ": offline: " + OneLine(reason);
    if (line != lastLogged_) LogLine(line);
    lastLogged_ = line;
    Post([&](Mailbox& b) {
        const std::string status = StatusOffline(reason);
        if (b.status != status) {
            b.status = status;
            ++b.statusVersion;
        }
        b.online = false;
        // Commands that were waiting are answered: the sensor cannot take them now.
        while (!b.commands.empty()) {
            const Command& c = b.commands.front();
            if (b.replies.size() < Mailbox::kMaxReplies)
                b.replies.push_back(ReplyJson(c.idJson, CommandName(c.kind), "failed", {reason}));
            b.commands.pop_front();
        }
    });
}

bool SensorWorker::Execute(SensorLink& link, Command& cmd) {
    std::string extra;
    std::string publishConfig;
    SensorIdentity identity;
    bool identified = false;
    std::vector<std::string> messages = cmd.messages;
    Outcome o;
    switch (cmd.kind) {
        case CommandKind::Get: {
            ParaBlock para;
            TeachTable teach;
            o = link.Get(cmd.eeprom, para, teach);
            if (!o.failed) {
                publishConfig = ConfigJson(para, teach);
                extra = "\"config\":" + publishConfig;
            }
            break;
        }
        case CommandKind::Send: {
            SendCounts counts;
            o = link.Send(cmd.para, cmd.teach, cmd.eeprom, counts);
            if (!o.failed) {
                JsonWriter w;
                w.Key("plausibility")
                    .BeginObject()
                    .Key("parameters")
                    .Int(counts.parameterBlock)
                    .Key("teach")
                    .Int(counts.teachTable)
                    .EndObject()
                    .Key("stored")
                    .Bool(counts.stored);
                extra = w.Take();
                // What the sensor holds now, after its own checks.
                ParaBlock para;
                TeachTable teach;
                Outcome read = link.Get(false, para, teach);
                for (std::string& m : read.messages) o.messages.push_back(std::move(m));
                if (read.failed) {
                    o.failed = true;
                    o.failure = read.failure;
                } else {
                    publishConfig = ConfigJson(para, teach);
                }
            }
            break;
        }
        case CommandKind::Freq: {
            double hz = 0;
            std::string text;
            o = link.Freq(hz, text);
            if (!o.failed) {
                JsonWriter w;
                w.Key("frequency").Number(hz).Key("text").String(text);
                extra = w.Take();
            }
            break;
        }
        case CommandKind::Identify: {
            o = link.Identify(identity);
            if (!o.failed) {
                identified = true;
                extra =
                    "\"identity\":" + StatusOnline(identity, FormatSensorAddress(config_.address));
            }
            break;
        }
    }
    for (std::string& m : o.messages) messages.push_back(std::move(m));
    const std::string reply =
        ReplyJson(cmd.idJson, CommandName(cmd.kind), o.failed ? "failed" : "ok", messages, extra);
    Post([&](Mailbox& b) {
        if (b.replies.size() < Mailbox::kMaxReplies) b.replies.push_back(reply);
        if (!publishConfig.empty() && b.config != publishConfig) {
            b.config = publishConfig;
            ++b.configVersion;
        }
        if (identified) {
            const std::string status = StatusOnline(identity, FormatSensorAddress(config_.address));
            if (b.status != status) {
                b.status = status;
                ++b.statusVersion;
            }
        }
    });
    if (o.failed) GoOffline(o.failure);
    return !o.failed;
}

void SensorWorker::Run() {
    SensorLink link(config_.address);
    Backoff backoff;
    const std::string address = FormatSensorAddress(config_.address);
    while (!stop_) {
        SensorIdentity id;
        Outcome o = link.Connect(id);
        ParaBlock para;
        TeachTable teach;
        if (!o.failed) o = link.Get(false, para, teach);
        if (o.failed) {
            link.Close();
            GoOffline(o.failure);
            if (!Pause(backoff.Next())) break;
            continue;
        }
        backoff.Reset();
        const std::string line = config_.label + ": online: " + OneLine(id.display) + ", " +
                                 id.name + ", serial number " + std::to_string(id.serial) + " (" +
                                 address + ")";
        LogLine(line);
        lastLogged_ = line;
        const std::string status = StatusOnline(id, address);
        const std::string config = ConfigJson(para, teach);
        Post([&](Mailbox& b) {
            b.online = true;
            if (b.status != status) {
                b.status = status;
                ++b.statusVersion;
            }
            if (b.config != config) {
                b.config = config;
                ++b.configVersion;
            }
        });

        bool linkUp = true;
        while (linkUp && !stop_) {
            // Commands run here, between two live requests, never inside an exchange.
            for (;;) {
                Command cmd;
                {
                    std::lock_guard<std::mutex> lock(box.mu);
                    if (box.commands.empty()) break;
                    cmd = std::move(box.commands.front());
                    box.commands.pop_front();
                }
                if (!Execute(link, cmd)) {
                    linkUp = false;
                    break;
                }
            }
            if (!linkUp || stop_) break;
            LiveRecord r;
            o = link.Live(r);
            if (o.failed) {
                GoOffline(o.failure);
                linkUp = false;
                break;
            }
            const double now = WallClock();
            bool wake = false;
            {
                std::lock_guard<std::mutex> lock(box.mu);
                box.live = r;
                box.liveTime = now;
                ++box.liveSeq;
                ++box.recordsRead;
                wake = box.wakeOnLive;
                box.wakeOnLive = false;
            }
            if (wake) wake_();
        }
        link.Close();
        if (stop_) break;
        if (!Pause(backoff.Next())) break;
    }
    link.Close();
}

}  // namespace lq::bridge
