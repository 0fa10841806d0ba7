// Start-up, the event loop and the orderly shutdown.
#include "app/winmain.h"

#include <string>

#include "app/core/ids.h"
#include "app/core/platform.h"
#include "app/core/program_dir.h"
#include "data/program.h"
#include "link/link.h"
#include "session/session.h"
#include "ui/callbacks.h"
#include "ui/combo.h"
#include "ui/connect_tab.h"
#include "ui/logo.h"
#include "ui/settings.h"

namespace lq {

namespace {

constexpr int kDataTop = 63;
constexpr int kDataLeft = 385;

void ObtainTabPages(App& a) {
    a.s.tpConnect = a.ui.GetPanelHandleFromTabPage(a.s.mainPanel, TAB_MAIN1, 0);
    a.s.tpAssist = a.ui.GetPanelHandleFromTabPage(a.s.mainPanel, TAB_MAIN1, 1);
}

}  // namespace

int LoadProgramPanels(App& a, const std::string& uirPath) {
    a.ui.SetCallbackResolver(&ProgramCallbacks(), &a);
    const int main = a.ui.LoadPanel(0, uirPath, MAINP);
    if (main < 0) return -1;
    const int data = a.ui.LoadPanel(main, uirPath, DATAP);
    if (data < 0) {
        a.ui.DiscardPanel(main);
        return -1;
    }
    a.s.mainPanel = main;
    a.s.dataPanel = data;
    a.ui.SetPanelTitle(main, kProgramTitle);
    a.ui.SetPanelPos(data, kDataTop, kDataLeft);
    ObtainTabPages(a);
    if (a.s.tpConnect < 0 || a.s.tpAssist < 0) {
        a.ui.DiscardPanel(main);
        a.s.mainPanel = a.s.dataPanel = a.s.tpConnect = a.s.tpAssist = 0;
        return -1;
    }
    return 0;
}

void InitAll(App& a) {
    SessionState& s = a.s;
    s.tcpOpen = 0;
    s.transferTarget = TARGET_EEPROM;
    s.running = 0;
    s.sendPending = 0;
    s.getPending = 0;
    s.language = 0;

    ObtainTabPages(a);
    ShowLogo(a);

    CopyText(s.programDir, ProgramDir(a.ui.GetProjectDir()));
    CopyText(s.settingsPath, s.programDir);
    AppendText(s.settingsPath, "/");
    AppendText(s.settingsPath, kSettingsFileName);

    // The history must exist before the settings put the stored hosts into it.
    Combo_NewComboBox(a, s.tpConnect, STRING_IP_ADRESS);
    Combo_SetComboAttribute(a, s.tpConnect, STRING_IP_ADRESS, ATTR_COMBO_FRAME_COLOR,
                            static_cast<int>(COLOR_FRAME_GRAY));
    LoadPanelSettings(a);
    PrepareTeachGrid(a);
    // Only a successful connect sequence releases ACCEPT SETTINGS; until the
    // first one has run, there are no proven settings to accept.
    a.ui.SetCtrlDimmed(s.tpConnect, BUTTON_ACCEPT, true);
    a.ui.SetActiveTabPage(s.mainPanel, TAB_MAIN1, 1);
    a.ui.DisplayPanel(s.dataPanel);
    a.ui.DisplayPanel(s.mainPanel);

    GetConnectionSettingsFromFile(a);
    InitConnectPanel(a);
    SetButtonsDimmed(a, 0, 1);
    TryToConnect(a);
    if (s.connected == 1) SetButtonsDimmed(a, 0, 0);
}

int WinMain(App& a) {
    const std::string uir = a.ui.GetProjectDir() + "/" + kUirFileName;
    if (LoadProgramPanels(a, uir) < 0) return -1;
    InitAll(a);
    a.ui.RunUserInterface();

    if (a.s.tcpOpen) DisconnectFromTCPServer(a);
    CloseCom(a, a.s.link.comPort);
    Combo_DiscardComboBox(a, a.s.tpConnect, STRING_IP_ADRESS);
    a.ui.DiscardPanel(a.s.mainPanel);
    return 0;
}

}  // namespace lq
