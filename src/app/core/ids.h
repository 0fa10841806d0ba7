// Names of the panels, controls, events and colours the program talks about.
// The user-interface resource refers to the same names in text; the tables in
// ids.cpp turn one into the other.
#pragma once

#include <cstdint>
#include <string_view>

namespace lq {

// Resource numbers of the panels inside the user-interface resource. Panel
// *handles* (returned by Platform::LoadPanel) are different numbers.
enum PanelResource : int {
    DATAP = 1,
    MAINP = 2,
    TP_CONNECT = 3,
    TP_ASSIST = 4,
};

// Control identifiers. A control is addressed by (panel handle, control id);
// the same id may exist on two panels (EDIT_SELECT_COM_PORT, STRING_IP_ADRESS
// on DATAP and TP_CONNECT; DECO_CONNECT_1/2 on both tab pages).
enum Ctrl : int {
    CTRL_NONE = 0,
    // MAINP
    TAB_MAIN1,
    BUTTON_SEND,
    BUTTON_GET,
    BUTTON_GO,
    BUTTON_STOP,
    RADIO_BTN_EEPROM,
    RADIO_BTN_FILE,
    EDIT_AVERAGE,
    BUTTON_FREQ,
    DISP_CYCLE_TIME_HZ,
    EDIT_SELECT_LANGUAGE,
    PICTURE_1,
    PICTURE_2,
    DECORATION,
    DECO_MEMORY1,
    DECO_MEMORY2,
    DECO_ASSISTANT_1,
    DECO_ASSISTANT_2,
    // DATAP
    DISP_X,
    DISP_Y,
    DISP_INT,
    DISP_C_No,
    BAR_RED,
    BAR_GREEN,
    BAR_BLUE,
    GRAPH_X_Y,
    GRAPH_X_INT,
    GRAPH_Y_INT,
    GRAPH_RGB,
    DISPS_STATUS,
    EDIT_SELECT_COM_PORT,  // DATAP and TP_CONNECT
    STRING_IP_ADRESS,      // DATAP and TP_CONNECT
    DECO_STATLINE,
    // TP_CONNECT
    EDIT_COM_PROTOCOL,
    EDIT_SELECT_BAUDRATE,
    STRING_PORT_NUMBER,
    BUTTON_TRY_TO_CONNECT,
    BUTTON_DISCONNECT,
    EDIT_TEXT_BOX_STATUS,
    BUTTON_FIND_COM_PORTS,
    BUTTON_ACCEPT,
    DECO_CONNECT_1,  // TP_CONNECT and TP_ASSIST
    DECO_CONNECT_2,  // TP_CONNECT and TP_ASSIST
    // TP_ASSIST
    BUTTON_START,
    EDIT_MAXCOL_NO,
    SLIDE_POWER,
    EDIT_GAIN,
    EDIT_INTEGRAL,
    GRID_CTT,
    CTRL_COUNT
};

// Event codes passed to callbacks.
enum Event : int {
    EVENT_COMMIT = 1,
    EVENT_VAL_CHANGED = 2,
    EVENT_KEYPRESS = 4,  // event data 1: the character code (0 for keys that produce none)
    EVENT_RIGHT_CLICK = 5,
    EVENT_RIGHT_DOUBLE_CLICK = 6,
    EVENT_CLOSE = 11,
    EVENT_GOT_FOCUS = 12,
    EVENT_ACTIVE_TAB_CHANGE = 31,
};

// 24-bit 0xRRGGBB colours used by the program.
enum : uint32_t {
    COLOR_WHITE = 0xFFFFFF,
    COLOR_BLACK = 0x000000,
    COLOR_LIGHT_GRAY = 0xC0C0C0,
    COLOR_CYAN = 0x00FFFF,
    COLOR_FRAME_GRAY = 0xE0E0E0,
    COLOR_TRANSPARENT = 0x1000000,  // outside the 24-bit range: no fill
};

// "BUTTON_SEND" <-> BUTTON_SEND. Unknown names give CTRL_NONE / "".
Ctrl CtrlFromName(std::string_view name);
std::string_view CtrlName(Ctrl c);
int PanelResourceFromName(std::string_view name);  // 0 when unknown
std::string_view PanelResourceName(int resource);

}  // namespace lq
