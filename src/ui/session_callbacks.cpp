// Callbacks of the buttons that start sensor operations: SEND, GET, GO, STOP,
// FREQ, TRY TO CONNECT and DISCONNECT.
#include "app/core/platform.h"
#include "app/core/session_state.h"
#include "data/para.h"
#include "session/session.h"
#include "ui/callbacks.h"
#include "ui/help.h"
#include "ui/paramfile.h"
#include "ui/view/view.h"

namespace lq {
namespace {

App& AppOf(void* callbackData) {
    return *static_cast<App*>(callbackData);
}

// Right click shows the help; anything but a commit is ignored.
bool IsCommit(void* callbackData, int event, const char* name) {
    if (HandleHelp(callbackData, event, name)) return false;
    return event == EVENT_COMMIT;
}

}  // namespace

LQ_CTRL_CB(CBF_ButtonSend) {
    (void)panel, (void)control, (void)eventData1, (void)eventData2;
    if (!IsCommit(callbackData, event, "CBF_ButtonSend")) return 0;
    App& a = AppOf(callbackData);
    // The ring's value goes into the block for every target, also when deferred.
    a.para[AVERAGE] = static_cast<uint16_t>(a.ui.GetCtrlValInt(a.s.mainPanel, EDIT_AVERAGE));
    if (a.s.transferTarget == TARGET_FILE) {
        SendParaToFile(a);
    } else if (a.s.running != 0) {
        a.s.sendPending = 1;
    } else {
        SetButtonsDimmed(a, 0, 1);
        SendPara(a);
        SetButtonsDimmed(a, 0, 0);
    }
    return 0;
}

LQ_CTRL_CB(CBF_ButtonGet) {
    (void)panel, (void)control, (void)eventData1, (void)eventData2;
    if (!IsCommit(callbackData, event, "CBF_ButtonGet")) return 0;
    App& a = AppOf(callbackData);
    if (a.s.transferTarget == TARGET_FILE) {
        ReadParaFromFile(a);
    } else if (a.s.running != 0) {
        a.s.getPending = 1;
    } else {
        SetButtonsDimmed(a, 0, 1);
        GetPara(a);
        SetButtonsDimmed(a, 0, 0);
    }
    return 0;
}

LQ_CTRL_CB(CBF_ButtonGo) {
    (void)panel, (void)control, (void)eventData1, (void)eventData2;
    if (!IsCommit(callbackData, event, "CBF_ButtonGo")) return 0;
    App& a = AppOf(callbackData);
    SetButtonsDimmed(a, 1, 1);  // SEND, GET and the memory choice stay usable
    InitGraphs(a);
    GetData(a);
    SetButtonsDimmed(a, 0, 0);
    return 0;
}

LQ_CTRL_CB(CBF_ButtonStop) {
    (void)panel, (void)control, (void)eventData1, (void)eventData2;
    if (!IsCommit(callbackData, event, "CBF_ButtonStop")) return 0;
    AppOf(callbackData).s.running = 0;
    return 0;
}

LQ_CTRL_CB(CBF_ButtonFREQ) {
    (void)panel, (void)control, (void)eventData1, (void)eventData2;
    if (!IsCommit(callbackData, event, "CBF_ButtonFREQ")) return 0;
    App& a = AppOf(callbackData);
    SetButtonsDimmed(a, 0, 1);
    GetCycleTime(a);
    SetButtonsDimmed(a, 0, 0);
    return 0;
}

LQ_CTRL_CB(CBF_ButtonTryToConnect) {
    (void)panel, (void)control, (void)eventData1, (void)eventData2;
    if (!IsCommit(callbackData, event, "CBF_ButtonTryToConnect")) return 0;
    App& a = AppOf(callbackData);
    SetButtonsDimmed(a, 0, 1);
    TryToConnect(a);
    if (a.s.connected == 1) SetButtonsDimmed(a, 0, 0);
    return 0;
}

LQ_CTRL_CB(CBF_ButtonDisconnect) {
    (void)panel, (void)control, (void)eventData1, (void)eventData2;
    if (!IsCommit(callbackData, event, "CBF_ButtonDisconnect")) return 0;
    Disconnect(AppOf(callbackData));
    return 0;
}

}  // namespace lq
