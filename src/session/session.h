// Sensor session: connection and identification, parameter transfer, live
// loop and cycle time. This is what a front end calls. Each operation works
// on one App (its SessionState, parameter block and teach table), reports
// what happens through App::events while it runs, and returns what its
// caller needs to know without looking at any screen. Operations on one App
// run on one thread; separate Apps are independent.
#pragma once

#include "app/core/session_state.h"

namespace lq {

// Connection and identification. TryToConnect takes the link from
// SessionState::link (after SessionEvents::ReadLinkChoice), opens it and
// runs CheckComLine: identification, the default-parameter question, the
// parameter read. On success s.connected is 1.
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

// What a parameter transfer did. A count is the number of words the sensor
// reset to their defaults after a plausibility check; -1 when that exchange
// did not complete.
struct TransferResult {
    bool ok = false;       // every exchange answered, no link failure reported
    int paraCount = -1;    // SEND: the parameter-block write to RAM
    int teachCount = -1;   // SEND: the teach-table write to RAM
    bool stored = false;   // SEND with the EEPROM target: the store was answered
    int eepromCount = -1;  // GET with the EEPROM target: the load into RAM
};

// Parameter transfer. SEND writes the parameter block and the sensor's part
// of the teach table to its RAM (and stores them with the EEPROM target);
// a non-zero count raises the failure report as "INFO!". GET (after loading
// the EEPROM with that target) reads both back into a.para / a.teach and
// asks the front end to show them.
TransferResult SendPara(App& a);
TransferResult GetPara(App& a);

// Live loop and cycle time. GetData runs until `running` is cleared (by the
// front end, e.g. from SessionEvents::ShowLiveRecord, or by a failure);
// true when it ended without a link failure.
bool GetData(App& a);
// One live request (order 8); on success (1) the record is in liveRecord,
// on failure (-1) the failure report has run and liveRecord is unchanged.
int RequestLiveRecord(App& a);
// Measures the cycle frequency into s.cycleFrequency; true when answered.
bool GetCycleTime(App& a);
// Digits after the decimal point for a frequency.
int CyclePrecision(double frequency);

}  // namespace lq
