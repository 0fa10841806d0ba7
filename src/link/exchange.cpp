// One request/response exchange: send the request, wait for the header and
// the announced data under a time limit per wait, validate both.
#include <cstring>

#include "app/core/event_loop.h"
#include "link/link.h"
#include "link/link_internal.h"
#include "link/transport.h"

namespace lq {
namespace {

constexpr double kWaitLimit = 3.0;  // seconds per wait

// Runs `fn` with the transport of the link in use.
template <typename Fn>
int WithTransport(App& a, Fn fn) {
    if (a.s.link.protocol == PROTOCOL_TCPIP) {
        TcpTransport t(a);
        return fn(t);
    }
    SerialTransport t(a);
    return fn(t);
}

// Waits until `need` bytes of the response from byte `from` on are there or
// more than 3.0 s have passed since the start of this wait. Every pass
// dispatches events and reads the clock. A pass that still lacks bytes
// blocks in the event loop until an event or descriptor readiness (the
// serial port and the TCP socket are watched), so a waiting program does not
// spin; one that has them only dispatches what is waiting. True when the
// bytes arrived.
bool WaitForBytes(App& a, Transport& t, int from, int need) {
    const double start = a.loop.Timer();
    double elapsed = 0.0;
    int have = 0;
    for (;;) {
        if (t.BytesWaiting(from) >= need) {
            a.loop.ProcessSystemEvents();
        } else {
            // Just past the limit, so that a wait that ends on time ends the loop.
            a.loop.WaitForEvents(kWaitLimit - elapsed + 0.001);
        }
        have = t.BytesWaiting(from);
        elapsed = a.loop.Timer() - start;
        if (elapsed > kWaitLimit) break;
        if (have >= need) break;
        if (elapsed < 0.0) elapsed = 0.0;
    }
    return have >= need;
}

constexpr double kQuietTime = 0.05;  // seconds without bytes that end a drain

// An oversize response goes on arriving after its header. Its rest is dropped
// until the line has been quiet for a moment (at most for the wait's limit),
// so that it is not taken for the next response.
void DrainUntilQuiet(App& a, Transport& t) {
    const double start = a.loop.Timer();
    double quietSince = start;
    for (;;) {
        const double now = a.loop.Timer();
        if (t.Discard()) quietSince = now;
        if (now - quietSince >= kQuietTime || now - start > kWaitLimit) break;
        a.loop.WaitForEvents(kQuietTime);
    }
}

int HeaderFrame(App& a, Transport& t) {
    const bool arrived = WaitForBytes(a, t, 0, kHeaderSize);
    t.Read(0, kHeaderSize);
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

int DataFrame(App& a, Transport& t) {
    const int length = a.s.respLength;
    // Data that cannot be held (rxBuffer, or the serial input queue) is not
    // waited for: the response fails at once and its rest is dropped.
    if (length > t.LargestResponse()) {
        DrainUntilQuiet(a, t);
        ReportFailure(a, kTextBadData);
        return -1;
    }
    const bool arrived = WaitForBytes(a, t, kHeaderSize, length);
    t.Read(kHeaderSize, length);
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

}  // namespace

int DataExchange(App& a, int count) {
    if (count < 0) count = 0;
    if (count > kFrameBufferSize) count = kFrameBufferSize;
    std::memset(a.s.rxBuffer, 0, sizeof a.s.rxBuffer);
    a.s.lineStatus = 0;
    return WithTransport(a, [&](Transport& t) {
        t.Flush();
        t.Write(a.s.txBuffer, count);
        const int result = HeaderFrame(a, t);
        if (result > 0 && a.s.respLength != 0) return DataFrame(a, t);
        return result;
    });
}

int GetHeaderFrame(App& a) {
    return WithTransport(a, [&](Transport& t) { return HeaderFrame(a, t); });
}

int GetDataFrame(App& a) {
    return WithTransport(a, [&](Transport& t) { return DataFrame(a, t); });
}

}  // namespace lq
