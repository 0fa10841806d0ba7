// A line of independent simulated sensors on consecutive TCP ports.
#include <algorithm>

#include "sim/simulator.h"

namespace lqsim {

namespace {

// Attempts at finding a block of consecutive free ports: another program may
// take one of them between two binds.
constexpr int kPortAttempts = 50;
constexpr int kMaxPort = 65535;

}  // namespace

SimConfig LineSensorConfig(const SimConfig& base, int index, int count) {
    if (count <= 1) return base;
    SimConfig c = base;
    c.name = base.name + " " + std::to_string(index + 1);
    c.serial = static_cast<uint16_t>(base.serial + index);
    c.seed = base.seed + static_cast<uint32_t>(index);
    return c;
}

SensorLine::SensorLine(int count, const SimConfig& base) {
    count = std::max(count, 1);
    for (int i = 0; i < count; ++i)
        sensors_.push_back(std::make_unique<Sensor>(LineSensorConfig(base, i, count)));
}

SensorLine::~SensorLine() {
    Stop();
}

bool SensorLine::Start(int basePort, const std::string& bindAddress) {
    if (!servers_.empty()) return true;
    const int n = Size();
    for (int attempt = 0; attempt < (basePort == 0 ? kPortAttempts : 1); ++attempt) {
        // The first server takes the port asked for, or lets the system pick one.
        auto first = std::make_unique<TcpServer>(*sensors_[0], basePort, bindAddress);
        if (!first->Start()) return false;
        const int port0 = first->Port();
        servers_.push_back(std::move(first));
        bool ok = port0 + n - 1 <= kMaxPort;
        for (int i = 1; ok && i < n; ++i) {
            auto s = std::make_unique<TcpServer>(*sensors_[static_cast<size_t>(i)], port0 + i,
                                                 bindAddress);
            ok = s->Start();
            if (ok) servers_.push_back(std::move(s));
        }
        if (ok) {
            firstPort_ = port0;
            return true;
        }
        Stop();
    }
    return false;
}

void SensorLine::Stop() {
    // The servers stop one after another; each joins its own thread.
    servers_.clear();
    firstPort_ = 0;
}

int SensorLine::Size() const {
    return static_cast<int>(sensors_.size());
}

Sensor& SensorLine::At(int index) {
    return *sensors_.at(static_cast<size_t>(index));
}

const Sensor& SensorLine::At(int index) const {
    return *sensors_.at(static_cast<size_t>(index));
}

TcpServer& SensorLine::Server(int index) {
    return *servers_.at(static_cast<size_t>(index));
}

int SensorLine::FirstPort() const {
    return firstPort_;
}

int SensorLine::Port(int index) const {
    return firstPort_ == 0 ? 0 : firstPort_ + index;
}

}  // namespace lqsim
