// Sensor session: connection and identification, parameter transfer, live
// loop and cycle time.
#pragma once

#include "app/core/session_state.h"

namespace lq {

// Connection and identification.
void TryToConnect(App& a);
void CheckComLine(App& a);
void Disconnect(App& a);
void SetButtonsDimmed(App& a, int keepTransfer, int dimmed);
// Firmware text -> sensor type (0 unsupported), model string and display text.
struct FirmwareInfo {
    int sensorType = 0;
    char model[80] = {};
    char display[160] = {};
    char piece1[80] = {};
    char piece2[80] = {};
};
FirmwareInfo ParseFirmware(const char* firmwareText);
// The default-parameter question in each language.
const char* DefaultParaQuestion(int language);

// Parameter transfer.
void SendPara(App& a);
void GetPara(App& a);

// Live loop and cycle time.
void GetData(App& a);
// One live request (order 8); on success (1) the record is in liveRecord,
// on failure (-1) the failure report has run and liveRecord is unchanged.
int RequestLiveRecord(App& a);
void GetCycleTime(App& a);
// Digits after the decimal point for a frequency.
int CyclePrecision(double frequency);

}  // namespace lq
