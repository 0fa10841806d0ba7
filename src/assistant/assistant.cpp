// The teach assistant. Runs inside START ASSISTANT's callback; reaches the
// sensor only through the parameter transfer and single live requests, so
// STOP, the CONNECT tab and the window's close act on it through `running`,
// which the power stage tests before every step.
#include "assistant/assistant.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

#include "app/core/platform.h"
#include "app/core/session_events.h"
#include "data/language_texts.h"
#include "link/link.h"
#include "session/session.h"

namespace lq {

namespace {

constexpr int kTwoOutputModel = 2;  // sensorType of "LUMIQUAD QX V1."
constexpr int kStepWaitMs = 500;    // lets the sensor settle on the new power
constexpr int kSaturated = 4050;    // a raw channel above this is clipped
constexpr uint16_t kTaughtTolerance = 500;
constexpr int kEntryMaxLength = 49;
constexpr int kButtonOk = 1;
constexpr int kButtonCancel = 2;
constexpr int kGoOn = -1;  // a power step that neither finished nor stopped

// Each popup reads the language afresh: the ring stays usable while the
// assistant runs, and a new choice applies to the next dialogue.
std::string Text(const App& a, const char* const (&table)[kLanguages]) {
    return AssistText(table, a.s.language);
}

void Message(App& a, const char* const (&table)[kLanguages], const std::string& title = "") {
    a.ui.MessagePopup(title, Text(a, table));
}

int DirectOutputLimit(const App& a) {
    return a.s.sensorType == kTwoOutputModel ? 2 : 5;
}

// A colour-count prompt; true with the entry parsed into `count`, false on CANCEL.
bool AskCount(App& a, const char* title, const char* const (&table)[kLanguages], int& count) {
    std::string entry;
    int button = a.ui.GenericMessagePopup(title, Text(a, table), "OK", "CANCEL", &entry,
                                          kEntryMaxLength, kButtonOk, kButtonCancel);
    if (button != kButtonOk) return false;
    count = ParseCountEntry(entry);
    return true;
}

// The largest of the raw channels and the three further signals.
int SignalLevel(const LiveRecord& r) {
    return std::max(
        {int{r.w[0]}, int{r.w[1]}, int{r.w[2]}, int{r.w[11]}, int{r.w[12]}, int{r.w[13]}});
}

// One step of the power sweep: 0 finished, 1 stop, kGoOn not yet bright enough.
int PowerStep(App& a, int word, int value) {
    if (a.s.running == 0) {
        Message(a, AssistTextParaCancelled);
        return 1;
    }
    a.para[word] = static_cast<uint16_t>(value);
    SendPara(a);
    a.loop.Sleep(kStepWaitMs);
    if (a.s.connected == 0) return 1;
    GetPara(a);  // brings back the power the sensor chose for itself
    if (a.s.connected == 0) return 1;
    a.events->ShowConfiguration();
    if (RequestLiveRecord(a) == 1) {
        a.events->ShowLiveRecord(a.s.liveRecord);
        a.events->ShowGraphs();
    }
    if (a.s.connected == 0) return 1;
    if (SignalLevel(a.s.liveRecord) > int{a.para[DYNWIN_LO]}) {
        a.para[POWER_MODE] = 0;  // freeze the power the sensor settled on
        SendPara(a);
        return 0;
    }
    return kGoOn;
}

void PaintRow(App& a, int row, uint32_t rgb) {
    a.ui.SetTableCellRangeBgColor(a.s.tpAssist, GRID_CTT, MakeRect(row, 1, 1, 4), rgb);
}

}  // namespace

int ParseCountEntry(std::string_view text) {
    size_t i = 0;
    auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (i < text.size() && blank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), LLONG_MAX / 20);
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

int MaxColorCount(const App& a) {
    return a.s.sensorType == kTwoOutputModel ? 3 : 31;
}

int GetMaxVecNo(App& a) {
    const int maximum = MaxColorCount(a);
    a.para[MAX_VEC_NO] = static_cast<uint16_t>(maximum);
    int count = 0;
    if (!AskCount(a, "Parameter MAXCOL-No.", AssistTextAskColorCount, count)) return 1;
    if (count < 1 || count > maximum) {
        if (!AskCount(a, "MAXCOL-No.", AssistTextCountOutOfRange, count)) return 1;
        if (count < 1 || count > maximum) {
            Message(a, AssistTextCountDefault);
            count = maximum;
        }
    }
    a.para[MAX_VEC_NO] = static_cast<uint16_t>(count);
    a.para[DIGITAL_OUTMODE] = 2;  // binary-coded colour number
    if (count <= DirectOutputLimit(a) &&
        a.ui.ConfirmPopup("", Text(a, AssistTextAskDirectOutput)) == 1) {
        a.para[DIGITAL_OUTMODE] = 0;  // colour line n on output n
    }
    a.events->ShowConfiguration();
    return 0;
}

int SetSensorPower(App& a) {
    int button = a.ui.GenericMessagePopup("Parameter POWER, GAIN, INTEGRAL",
                                          Text(a, AssistTextPlaceBrightest), "OK", "CANCEL",
                                          nullptr, 0, kButtonOk, kButtonCancel);
    if (button != kButtonOk) return 1;
    Message(a, AssistTextAutoAdjust);
    LoadDefaultParaValues(a.para, a.teach, 0);
    a.para[POWER_MODE] = 1;  // the sensor regulates its power while we sweep
    a.s.connected = 1;
    a.s.running = 1;
    for (int gain = 1; gain <= 8; ++gain) {
        int r = PowerStep(a, GAIN, gain);
        if (r != kGoOn) return r;
    }
    for (int integral = 2; integral <= 99; ++integral) {
        int r = PowerStep(a, INTEGRAL, integral);
        if (r != kGoOn) return r;
    }
    return 0;  // never bright enough: teach with the self-adjusting power
}

int TeachColors(App& a) {
    // The count comes back from the sensor; a grid row and a sensor vector
    // exist only for the first 31, so a larger value must not run past them.
    for (int i = 0; i < std::min<int>(a.para[MAX_VEC_NO], kGridRows); ++i) {
        const int row = i + 1;
        a.ui.SetActiveTableCell(a.s.tpAssist, GRID_CTT, MakePoint(1, row));
        PaintRow(a, row, COLOR_CYAN);
        Message(a, AssistTextPlaceColor, "TEACH COLOR " + std::to_string(i));
        if (RequestLiveRecord(a) == 1) {
            const LiveRecord& r = a.s.liveRecord;
            a.events->ShowLiveRecord(a.s.liveRecord);
            if ((r.R() > kSaturated || r.G() > kSaturated || r.B() > kSaturated) &&
                a.ui.ConfirmPopup("", Text(a, AssistTextTooBright)) == 1) {
                return 1;
            }
            TeachVector& v = a.teach[i];
            v[CELL0] = static_cast<uint16_t>(r.X());
            v[CELL1] = static_cast<uint16_t>(r.Y());
            v[CELL2] = static_cast<uint16_t>(r.INT());
            v[CELL3] = kTaughtTolerance;
            v[CELL4] = 0;
            v[CELL5] = 0;
            for (int c = 1; c <= 4; ++c) {
                a.ui.SetTableCellVal(a.s.tpAssist, GRID_CTT, MakePoint(c, row), v[c - 1]);
            }
            a.events->ShowTolerances();
            a.events->ShowGraphs();
        }
        PaintRow(a, row, COLOR_LIGHT_GRAY);
        if (a.s.connected == 0) return 1;
    }
    Message(a, AssistTextSavedToEeprom);
    const uint16_t target = a.s.transferTarget;
    a.s.transferTarget = TARGET_EEPROM;
    SendPara(a);  // its outcome reaches the operator through the failure report
    a.s.transferTarget = target;
    return 0;
}

void StartAssistant(App& a) {
    if (GetMaxVecNo(a) == 1) {
        Message(a, AssistTextParaCancelled);
        return;
    }
    if (SetSensorPower(a) == 1) return;
    if (TeachColors(a) == 1) Message(a, AssistTextTeachCancelled);
}

}  // namespace lq
