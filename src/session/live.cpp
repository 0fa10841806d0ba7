// The live acquisition loop and the cycle-time measurement.
#include <cstdint>

#include "app/core/event_loop.h"
#include "app/core/session_events.h"
#include "link/link.h"
#include "session/session.h"

namespace lq {
namespace {

int16_t Le16(const uint8_t* p) {
    return static_cast<int16_t>(p[0] | (p[1] << 8));
}
int32_t Le32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                (static_cast<uint32_t>(p[2]) << 16) |
                                (static_cast<uint32_t>(p[3]) << 24));
}

}  // namespace

int RequestLiveRecord(App& a) {
    SessionState& s = a.s;
    FillTxBuf(a, ORDER_LIVE, 0, 0);
    if (DataExchange(a, kHeaderSize) != 1) return -1;
    const uint8_t* d = s.rxBuffer + kHeaderSize;
    for (size_t i = 0; i < s.liveRecord.w.size(); ++i) s.liveRecord.w[i] = Le16(d + 2 * i);
    return 1;
}

bool GetData(App& a) {
    SessionState& s = a.s;
    const uint32_t failuresBefore = a.dev.failures;
    s.running = 1;
    do {
        // SEND and GET requested during the last exchange run between two
        // live requests, SEND first.
        if (s.sendPending != 0) {
            SendPara(a);
            if (s.running == 0) break;
        }
        if (s.getPending != 0) {
            GetPara(a);
            if (s.running == 0) break;
        }
        if (RequestLiveRecord(a) == 1) {
            a.events->ShowLiveRecord(s.liveRecord);
            a.events->ShowGraphs();
        }
    } while (s.running == 1);
    return a.dev.failures == failuresBefore;
}

int CyclePrecision(double frequency) {
    if (frequency > 1000.0) return 0;
    if (frequency > 1.0) return 1;
    return 2;
}

bool GetCycleTime(App& a) {
    SessionState& s = a.s;
    FillTxBuf(a, ORDER_CYCLE_TIME, 0, 0);
    const bool answered = DataExchange(a, kHeaderSize) == 1;
    if (answered) {
        const int32_t count = Le32(s.rxBuffer + kHeaderSize);
        const int32_t time = Le32(s.rxBuffer + kHeaderSize + 4);
        // A time of 0 would divide by zero: show 0 instead.
        s.cycleFrequency = time != 0 ? count / (time * 0.01) : 0.0;
    } else {
        s.cycleFrequency = 0.0;
    }
    a.events->CycleTimeMeasured(s.cycleFrequency);
    return answered;
}

}  // namespace lq
