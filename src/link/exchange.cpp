// One request/response exchange: send the request, wait for the header and
// the announced data under a time limit per wait, validate both.
#include <cstring>

#include "app/core/platform.h"
#include "link/link.h"
#include "link/link_internal.h"

namespace lq {
namespace {

constexpr double kWaitLimit = 3.0;  // seconds per wait

bool Serial(const App& a) {
    return a.s.link.protocol != PROTOCOL_TCPIP;
}

// Waits until `need` bytes of the response are there or more than 3.0 s have
// passed since the start of this wait. Every pass dispatches events and reads
// the clock. A pass that still lacks bytes blocks in the event loop until an
// event or descriptor readiness (the serial port and the TCP socket are
// watched), so a waiting program does not spin; one that has them only
// dispatches what is waiting. True when the bytes arrived.
bool WaitForBytes(App& a, int need) {
    const bool serial = Serial(a);
    const double start = a.ui.Timer();
    double elapsed = 0.0;
    for (;;) {
        const int have = serial ? GetInQLen(a) : a.s.rxCount;
        if (have >= need) {
            a.ui.ProcessSystemEvents();
        } else {
            // Just past the limit, so that a wait that ends on time ends the loop.
            a.ui.WaitForEvents(kWaitLimit - elapsed + 0.001);
        }
        if (serial) a.s.rxCount = GetInQLen(a);
        elapsed = a.ui.Timer() - start;
        if (elapsed > kWaitLimit) break;
        if (a.s.rxCount >= need) break;
        if (elapsed < 0.0) elapsed = 0.0;
    }
    return a.s.rxCount >= need;
}

constexpr double kQuietTime = 0.05;  // seconds without bytes that end a drain

// Drops what is waiting on the link. True when anything was there.
bool DiscardPending(App& a) {
    bool dropped = false;
    if (Serial(a)) {
        dropped = GetInQLen(a) > 0;
        FlushInQ(a);
    } else {
        dropped = a.s.rxCount > 0 || DiscardTcpInput(a);
        a.s.rxCount = 0;
    }
    return dropped;
}

// An oversize response goes on arriving after its header. Its rest is dropped
// until the line has been quiet for a moment (at most for the wait's limit),
// so that it is not taken for the next response.
void DrainUntilQuiet(App& a) {
    const double start = a.ui.Timer();
    double quietSince = start;
    for (;;) {
        const double now = a.ui.Timer();
        if (DiscardPending(a)) quietSince = now;
        if (now - quietSince >= kQuietTime || now - start > kWaitLimit) break;
        a.ui.WaitForEvents(kQuietTime);
    }
}

}  // namespace

int DataExchange(App& a, int count) {
    if (count < 0) count = 0;
    if (count > kFrameBufferSize) count = kFrameBufferSize;
    std::memset(a.s.rxBuffer, 0, sizeof a.s.rxBuffer);
    a.s.lineStatus = 0;
    if (Serial(a)) {
        FlushInQ(a);
        FlushOutQ(a);
        ComWrt(a, a.s.txBuffer, count);
    } else {
        // Bytes that arrived while no exchange waited (a late or repeated
        // answer, a frame the sensor sent unasked) answer no request of ours:
        // they go before this request is written, as the serial flush does.
        a.s.rxCount = 0;
        DiscardTcpInput(a);
        ClientTCPWrite(a, a.s.txBuffer, count, 2.0);
    }
    const int result = GetHeaderFrame(a);
    if (result > 0 && a.s.respLength != 0) return GetDataFrame(a);
    return result;
}

int GetHeaderFrame(App& a) {
    const bool arrived = WaitForBytes(a, kHeaderSize);
    if (Serial(a)) {
        a.s.lineStatus = GetComStat(a);
        ComRd(a, a.s.rxBuffer, kHeaderSize);
    }
    if (!arrived || a.s.lineStatus > 0) {
        ReportFailure(a, kTextTimeout);
        return -1;
    }
    // The sensor answers with the order number of the request, or 0 for an
    // error response. Any other order byte is a frame meant for another
    // request (late, repeated or unasked); taking its data would fill the
    // caller's records with another order's data, so the header counts as
    // incorrect, and the decoded fields keep the last valid header's values.
    const uint8_t order = a.s.rxBuffer[1];
    if (order != ORDER_ERROR && order != a.s.txBuffer[1]) {
        ReportFailure(a, kTextBadHeader);
        return -1;
    }
    if (CheckHeaderCRC(a) < 0) return -1;
    if (a.s.respOrder != ORDER_ERROR) return 1;
    if (a.s.respStatus == 1) {
        ReportFailure(a, kTextInvalidOrder);
        return -1;
    }
    if (a.s.respStatus == 2) {
        ReportFailure(a, kTextCommError);
        return -1;
    }
    return 1;  // other error statuses are accepted
}

int GetDataFrame(App& a) {
    const bool serial = Serial(a);
    const int length = a.s.respLength;
    // Data that cannot be held (rxBuffer, or the serial input queue) is not
    // waited for: the response fails at once and its rest is dropped.
    if (length > (serial ? kSerialQueueSize : kMaxFrameData)) {
        DrainUntilQuiet(a);
        ReportFailure(a, kTextBadData);
        return -1;
    }
    const bool arrived = WaitForBytes(a, serial ? length : length + kHeaderSize);
    if (serial) {
        a.s.lineStatus = GetComStat(a);
        ComRd(a, a.s.rxBuffer + kHeaderSize, length);
    }
    if (!arrived || a.s.lineStatus > 0) {
        ReportFailure(a, kTextTimeout);
        return -1;
    }
    if (crc8Update(a.s.rxBuffer, kHeaderSize, static_cast<size_t>(length)) != a.s.respDataCrc) {
        ReportFailure(a, kTextBadData);
        return -1;
    }
    return 1;
}

}  // namespace lq
