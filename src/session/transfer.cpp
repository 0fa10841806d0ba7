// Moving the parameter block and the sensor's part of the teach table to and
// from the sensor.
#include <cstdio>
#include <string_view>

#include "app/core/event_loop.h"
#include "app/core/session_events.h"
#include "data/para.h"
#include "link/link.h"
#include "session/session.h"

namespace lq {
namespace {

// The sensor's count of parameters it reset after a write; reported through
// the failure report, so that a live loop or identification stops after it.
void ReportRamPlausibility(App& a) {
    std::snprintf(a.s.statusText, sizeof(a.s.statusText),
                  "INFO!\n%u PARAMETER IN RAM DID NOT PASS PLAUSIBILITY CHECK AND WERE SET TO "
                  "DEFAULT VALUE!",
                  static_cast<unsigned>(a.s.respStatus));
    SetTimeout(a);
}

// One order-1 write of `bytes` data bytes already in frameBuffer; the
// sensor's plausibility count, or -1 when the exchange failed.
int WriteToRam(App& a, uint16_t argument, uint16_t bytes) {
    FillTxBuf(a, ORDER_WRITE, argument, bytes);
    if (DataExchange(a, kHeaderSize + bytes) != 1) return -1;
    if (a.s.respStatus != 0) ReportRamPlausibility(a);
    return a.s.respStatus;
}

// One order-2 read of the record `argument` names, `bytes` long. The two
// reads share one order byte; what tells their answers apart is the length,
// which the sensor always gives as its record's. An answer of another length
// belongs to the other read (one that came late or twice) and is refused like
// a header of another order, before anything is copied from it.
bool ReadRecord(App& a, uint16_t argument, uint16_t bytes) {
    FillTxBuf(a, ORDER_READ, argument, 0);
    if (DataExchange(a, kHeaderSize) != 1) return false;
    if (a.s.respLength == bytes) return true;
    ReportFailure(a, kTextBadHeader);
    return false;
}

}  // namespace

TransferResult SendPara(App& a) {
    SessionState& s = a.s;
    const uint32_t failuresBefore = a.dev.failures;
    TransferResult r;
    s.sendPending = 0;

    ParaToBytes(a.para, s.frameBuffer + kHeaderSize);
    r.paraCount = WriteToRam(a, kArgParaBlock, kParaBytes);
    if (r.paraCount >= 0) {
        TeachToBytes(a.teach, s.frameBuffer + kHeaderSize, kSensorTeachVectors);
        r.teachCount = WriteToRam(a, kArgTeachTable, kSensorTeachBytes);
    }
    // Only the EEPROM target stores; any other value means the RAM alone.
    if (r.teachCount >= 0 && s.transferTarget == TARGET_EEPROM) {
        FillTxBuf(a, ORDER_STORE_EEPROM, 0, 0);
        r.stored = DataExchange(a, kHeaderSize) == 1;
    }
    r.ok = r.teachCount >= 0 && a.dev.failures == failuresBefore &&
           (r.stored || s.transferTarget != TARGET_EEPROM);
    return r;
}

TransferResult GetPara(App& a) {
    SessionState& s = a.s;
    const uint32_t failuresBefore = a.dev.failures;
    TransferResult r;
    s.getPending = 0;

    if (s.transferTarget == TARGET_EEPROM) {
        FillTxBuf(a, ORDER_LOAD_EEPROM, 0, 0);
        if (DataExchange(a, kHeaderSize) != 1) return r;
        r.eepromCount = s.respStatus;
        if (s.respStatus != 0) {
            // Information only: no failure report, the read goes on.
            std::snprintf(s.statusText, sizeof(s.statusText),
                          "INFO!\n%u PARAMETER FROM EEPROM DID NOT PASS PLAUSIBILITY CHECK AND "
                          "WERE SET TO DEFAULT VALUE!\n\n",
                          static_cast<unsigned>(s.respStatus));
            a.events->InfoReported(s.statusText);
        }
    }

    if (!ReadRecord(a, kArgParaBlock, kParaBytes)) return r;
    ParaFromBytes(a.para, s.rxBuffer + kHeaderSize);

    if (!ReadRecord(a, kArgTeachTable, kSensorTeachBytes)) return r;
    TeachFromBytes(a.teach, s.rxBuffer + kHeaderSize, kSensorTeachVectors);

    a.events->ShowConfiguration();
    a.events->ShowTolerances();
    a.events->ShowGraphs();
    r.ok = a.dev.failures == failuresBefore;
    return r;
}

}  // namespace lq
