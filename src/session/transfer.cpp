// Moving the parameter block and the sensor's part of the teach table to and
// from the sensor.
#include <cstdio>
#include <string_view>

#include "app/core/platform.h"
#include "data/para.h"
#include "link/link.h"
#include "session/session.h"
#include "ui/view/view.h"

namespace lq {
namespace {

constexpr int kTeachArgument = 2;

// The sensor's count of parameters it reset after a write; reported through
// the failure report, so that a live loop or identification stops after it.
void ReportRamPlausibility(App& a) {
    std::snprintf(a.s.statusText, sizeof(a.s.statusText),
                  "INFO!\n%u PARAMETER IN RAM DID NOT PASS PLAUSIBILITY CHECK AND WERE SET TO "
                  "DEFAULT VALUE!",
                  static_cast<unsigned>(a.s.respStatus));
    SetTimeout(a);
}

}  // namespace

void SendPara(App& a) {
    SessionState& s = a.s;
    s.sendPending = 0;

    ParaToBytes(a.para, s.frameBuffer + 8);
    FillTxBuf(a, 1, 0, kParaBytes);
    if (DataExchange(a, 8 + kParaBytes) != 1) return;
    if (s.respStatus != 0) ReportRamPlausibility(a);

    TeachToBytes(a.teach, s.frameBuffer + 8, kSensorTeachVectors);
    FillTxBuf(a, 1, kTeachArgument, kSensorTeachBytes);
    if (DataExchange(a, 8 + kSensorTeachBytes) != 1) return;
    if (s.respStatus != 0) ReportRamPlausibility(a);

    // Only the EEPROM target stores; any other value means the RAM alone.
    if (s.transferTarget == TARGET_EEPROM) {
        FillTxBuf(a, 3, 0, 0);
        DataExchange(a, 8);
    }
}

void GetPara(App& a) {
    SessionState& s = a.s;
    s.getPending = 0;

    if (s.transferTarget == TARGET_EEPROM) {
        FillTxBuf(a, 4, 0, 0);
        if (DataExchange(a, 8) != 1) return;
        if (s.respStatus != 0) {
            // Information only: no failure report, the read goes on.
            a.ui.SetActiveTabPage(s.mainPanel, TAB_MAIN1, 0);
            std::snprintf(s.statusText, sizeof(s.statusText),
                          "INFO!\n%u PARAMETER FROM EEPROM DID NOT PASS PLAUSIBILITY CHECK AND "
                          "WERE SET TO DEFAULT VALUE!\n\n",
                          static_cast<unsigned>(s.respStatus));
            AppendStatusBox(a, s.statusText);
        }
    }

    // The copies take the full image whatever length the sensor announced;
    // the receive buffer is zero behind what arrived.
    FillTxBuf(a, 2, 0, 0);
    if (DataExchange(a, 8) != 1) return;
    ParaFromBytes(a.para, s.rxBuffer + 8);

    FillTxBuf(a, 2, kTeachArgument, 0);
    if (DataExchange(a, 8) != 1) return;
    TeachFromBytes(a.teach, s.rxBuffer + 8, kSensorTeachVectors);

    SetPanelValues(a);
    InitGraphs(a);
    ShowGraph3D(a);
}

}  // namespace lq
