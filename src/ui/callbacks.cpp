// The callbacks of the panels themselves, the page switch, the memory
// selection, the language choice and the display-only controls, and the
// table that binds the resource's callback names to every callback.
#include "ui/callbacks.h"

#include <string_view>

#include "app/core/ids.h"
#include "app/core/session_state.h"
#include "data/program.h"
#include "ui/help.h"
#include "ui/settings.h"

namespace lq {
namespace {

App& AppOf(void* callbackData) {
    return *static_cast<App*>(callbackData);
}

}  // namespace

LQ_PANEL_CB(CBF_MAINP) {
    (void)eventData1, (void)eventData2;
    App& a = AppOf(callbackData);
    switch (event) {
        case EVENT_CLOSE:
            a.s.running = 0;
            StorePanelSettings(a);
            a.ui.QuitUserInterface(0);
            break;
        case EVENT_RIGHT_DOUBLE_CLICK:
            // A maximised window would ignore the size; bring it back first.
            if (a.ui.GetPanelZoomState(panel) != ZOOM_NORMAL)
                a.ui.SetPanelZoomState(panel, ZOOM_NORMAL);
            a.ui.SetPanelSize(panel, kMainPanelHeight, kMainPanelWidth);
            a.ui.CenterPanel(panel);
            break;
        default:
            break;
    }
    return 0;
}

LQ_PANEL_CB(CBF_DATAP) {
    (void)panel, (void)event, (void)callbackData, (void)eventData1, (void)eventData2;
    return 0;
}

LQ_CTRL_CB(CBF_TabMain1) {
    (void)eventData1, (void)eventData2;
    if (HandleHelp(callbackData, event, "CBF_TabMain1")) return 0;
    if (event != EVENT_ACTIVE_TAB_CHANGE) return 0;
    App& a = AppOf(callbackData);
    const int page = a.ui.GetActiveTabPage(panel, control);
    const int pagePanel = a.ui.GetPanelHandleFromTabPage(panel, control, page);
    if (pagePanel == a.s.tpConnect) {
        // Entering CONNECT stops a running live loop or assistant.
        a.s.running = 0;
        a.ui.SetCtrlDimmed(a.s.tpConnect, BUTTON_ACCEPT, true);
    }
    return 0;
}

LQ_CTRL_CB(CBF_ButtonSelectMem) {
    (void)eventData1, (void)eventData2;
    if (HandleHelp(callbackData, event, "CBF_ButtonSelectMem")) return 0;
    if (event != EVENT_VAL_CHANGED) return 0;
    App& a = AppOf(callbackData);
    // The clicked button always ends up on, also when it already was.
    if (control == RADIO_BTN_FILE) {
        a.ui.SetCtrlVal(panel, RADIO_BTN_FILE, 1.0);
        a.ui.SetCtrlVal(panel, RADIO_BTN_EEPROM, 0.0);
        a.s.transferTarget = TARGET_FILE;
    } else if (control == RADIO_BTN_EEPROM) {
        a.ui.SetCtrlVal(panel, RADIO_BTN_EEPROM, 1.0);
        a.ui.SetCtrlVal(panel, RADIO_BTN_FILE, 0.0);
        a.s.transferTarget = TARGET_EEPROM;
    }
    return 0;
}

LQ_CTRL_CB(CBF_EditSelectLanguage) {
    (void)eventData1, (void)eventData2;
    if (HandleHelp(callbackData, event, "CBF_EditSelectLanguage")) return 0;
    if (event != EVENT_COMMIT) return 0;
    App& a = AppOf(callbackData);
    a.s.language = a.ui.GetCtrlValInt(panel, control);
    return 0;
}

LQ_CTRL_CB(CBF_DispStatus) {
    (void)panel, (void)control, (void)eventData1, (void)eventData2;
    if (event != EVENT_RIGHT_DOUBLE_CLICK) return 0;
    App& a = AppOf(callbackData);
    a.ui.ResetTextBox(a.s.tpConnect, EDIT_TEXT_BOX_STATUS, "");
    return 0;
}

#define LQ_HELP_ONLY(name)                                              \
    LQ_CTRL_CB(name) {                                                  \
        (void)panel, (void)control, (void)eventData1, (void)eventData2; \
        HandleHelp(callbackData, event, #name);                         \
        return 0;                                                       \
    }

LQ_HELP_ONLY(CBF_EditAverage)
LQ_HELP_ONLY(CBF_DispScanFreq)
LQ_HELP_ONLY(CBF_DispX)
LQ_HELP_ONLY(CBF_DispY)
LQ_HELP_ONLY(CBF_DispINT)
LQ_HELP_ONLY(CBF_DispRGB)
LQ_HELP_ONLY(CBF_DispCOL)
LQ_HELP_ONLY(CBF_Graph3D)

#undef LQ_HELP_ONLY

namespace {

struct NamedCtrlCb {
    std::string_view name;
    CtrlCallbackFn fn;
};
struct NamedPanelCb {
    std::string_view name;
    PanelCallbackFn fn;
};

#define LQ_NAMED(fn) \
    { #fn, fn }
constexpr NamedCtrlCb kControlCallbacks[] = {
    LQ_NAMED(CBF_TabMain1),
    LQ_NAMED(CBF_ButtonSend),
    LQ_NAMED(CBF_ButtonGet),
    LQ_NAMED(CBF_ButtonGo),
    LQ_NAMED(CBF_ButtonStop),
    LQ_NAMED(CBF_ButtonSelectMem),
    LQ_NAMED(CBF_EditAverage),
    LQ_NAMED(CBF_ButtonFREQ),
    LQ_NAMED(CBF_DispScanFreq),
    LQ_NAMED(CBF_EditSelectLanguage),
    LQ_NAMED(CBF_ButtonStart),
    LQ_NAMED(CBF_EditCommunicationProtocol),
    LQ_NAMED(CBF_EditSelectComPort),
    LQ_NAMED(CBF_EditSelectBaudrate),
    LQ_NAMED(CBF_StringIpAdress),
    LQ_NAMED(CBF_StringPortNumber),
    LQ_NAMED(CBF_ButtonTryToConnect),
    LQ_NAMED(CBF_ButtonDisconnect),
    LQ_NAMED(CBF_ButtonAccept),
    LQ_NAMED(CBF_ButtonFindComPorts),
    LQ_NAMED(CBF_DispX),
    LQ_NAMED(CBF_DispY),
    LQ_NAMED(CBF_DispINT),
    LQ_NAMED(CBF_DispRGB),
    LQ_NAMED(CBF_DispCOL),
    LQ_NAMED(CBF_Graph3D),
    LQ_NAMED(CBF_DispStatus),
};
constexpr NamedPanelCb kPanelCallbacks[] = {
    LQ_NAMED(CBF_MAINP),
    LQ_NAMED(CBF_DATAP),
};
#undef LQ_NAMED

class ProgramCallbackTable final : public CallbackResolver {
  public:
    CtrlCallbackFn Control(std::string_view name) const override {
        for (const auto& c : kControlCallbacks)
            if (c.name == name) return c.fn;
        return nullptr;
    }
    PanelCallbackFn Panel(std::string_view name) const override {
        for (const auto& p : kPanelCallbacks)
            if (p.name == name) return p.fn;
        return nullptr;
    }
};

}  // namespace

const CallbackResolver& ProgramCallbacks() {
    static const ProgramCallbackTable table;
    return table;
}

}  // namespace lq
