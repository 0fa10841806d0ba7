// The live acquisition loop and the cycle-time measurement.
#include <cstdint>

#include "app/core/platform.h"
#include "link/link.h"
#include "session/session.h"
#include "ui/view/view.h"

namespace lq {
namespace {

constexpr int kOrderLive = 8;
constexpr int kOrderCycleTime = 105;  // 'i'

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
    FillTxBuf(a, kOrderLive, 0, 0);
    if (DataExchange(a, 8) != 1) return -1;
    const uint8_t* d = s.rxBuffer + 8;
    for (size_t i = 0; i < s.liveRecord.w.size(); ++i) s.liveRecord.w[i] = Le16(d + 2 * i);
    return 1;
}

void GetData(App& a) {
    SessionState& s = a.s;
    s.running = 1;
    do {
        // SEND and GET requested during the last exchange run between two
        // live requests, SEND first.
        if (s.sendPending != 0) {
            SendPara(a);
            if (s.running == 0) return;
        }
        if (s.getPending != 0) {
            GetPara(a);
            if (s.running == 0) return;
        }
        if (RequestLiveRecord(a) == 1) {
            SetPanelData(a);
            ShowGraph3D(a);
            if (a.liveObserver != nullptr) a.liveObserver(a, a.liveObserverData);
        }
    } while (s.running == 1);
}

int CyclePrecision(double frequency) {
    if (frequency > 1000.0) return 0;
    if (frequency > 1.0) return 1;
    return 2;
}

void GetCycleTime(App& a) {
    SessionState& s = a.s;
    FillTxBuf(a, kOrderCycleTime, 0, 0);
    if (DataExchange(a, 8) == 1) {
        const int32_t count = Le32(s.rxBuffer + 8);
        const int32_t time = Le32(s.rxBuffer + 12);
        // A time of 0 would divide by zero: show 0 instead.
        s.cycleFrequency = time != 0 ? count / (time * 0.01) : 0.0;
    } else {
        s.cycleFrequency = 0.0;
    }
    a.ui.SetCtrlPrecision(s.mainPanel, DISP_CYCLE_TIME_HZ, CyclePrecision(s.cycleFrequency));
    a.ui.SetCtrlVal(s.mainPanel, DISP_CYCLE_TIME_HZ, s.cycleFrequency);
}

}  // namespace lq
