// The failure report: the one way every link failure reaches the operator.
#include "app/core/platform.h"
#include "link/link.h"

namespace lq {

void AppendStatusBox(App& a, std::string_view text) {
    a.ui.SetCtrlVal(a.s.tpConnect, EDIT_TEXT_BOX_STATUS, text);
}

void SetTimeout(App& a) {
    a.s.running = 0;
    a.s.connected = 0;
    a.ui.SetCtrlVal(a.s.dataPanel, DISPS_STATUS, std::string_view("TIMEOUT!"));
    AppendStatusBox(a, a.s.statusText);
    AppendStatusBox(a, "\n\n");
    a.ui.SetCtrlDimmed(a.s.tpConnect, BUTTON_ACCEPT, true);
    a.ui.SetActiveTabPage(a.s.mainPanel, TAB_MAIN1, 0);
}

void ReportFailure(App& a, const char* text) {
    if (text != a.s.statusText) CopyText(a.s.statusText, text);
    SetTimeout(a);
}

}  // namespace lq
