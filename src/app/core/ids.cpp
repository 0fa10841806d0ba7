#include "app/core/ids.h"

#include <array>
#include <utility>

namespace lq {
namespace {

#define LQ_CTRL(n)                      \
    std::pair<Ctrl, std::string_view> { \
        n, #n                           \
    }
constexpr std::array kCtrlNames = {
    LQ_CTRL(TAB_MAIN1),
    LQ_CTRL(BUTTON_SEND),
    LQ_CTRL(BUTTON_GET),
    LQ_CTRL(BUTTON_GO),
    LQ_CTRL(BUTTON_STOP),
    LQ_CTRL(RADIO_BTN_EEPROM),
    LQ_CTRL(RADIO_BTN_FILE),
    LQ_CTRL(EDIT_AVERAGE),
    LQ_CTRL(BUTTON_FREQ),
    LQ_CTRL(DISP_CYCLE_TIME_HZ),
    LQ_CTRL(EDIT_SELECT_LANGUAGE),
    LQ_CTRL(PICTURE_1),
    LQ_CTRL(PICTURE_2),
    LQ_CTRL(DECORATION),
    LQ_CTRL(DECO_MEMORY1),
    LQ_CTRL(DECO_MEMORY2),
    LQ_CTRL(DECO_ASSISTANT_1),
    LQ_CTRL(DECO_ASSISTANT_2),
    LQ_CTRL(DISP_X),
    LQ_CTRL(DISP_Y),
    LQ_CTRL(DISP_INT),
    LQ_CTRL(DISP_C_No),
    LQ_CTRL(BAR_RED),
    LQ_CTRL(BAR_GREEN),
    LQ_CTRL(BAR_BLUE),
    LQ_CTRL(GRAPH_X_Y),
    LQ_CTRL(GRAPH_X_INT),
    LQ_CTRL(GRAPH_Y_INT),
    LQ_CTRL(GRAPH_RGB),
    LQ_CTRL(DISPS_STATUS),
    LQ_CTRL(EDIT_SELECT_COM_PORT),
    LQ_CTRL(STRING_IP_ADRESS),
    LQ_CTRL(DECO_STATLINE),
    LQ_CTRL(EDIT_COM_PROTOCOL),
    LQ_CTRL(EDIT_SELECT_BAUDRATE),
    LQ_CTRL(STRING_PORT_NUMBER),
    LQ_CTRL(BUTTON_TRY_TO_CONNECT),
    LQ_CTRL(BUTTON_DISCONNECT),
    LQ_CTRL(EDIT_TEXT_BOX_STATUS),
    LQ_CTRL(BUTTON_FIND_COM_PORTS),
    LQ_CTRL(BUTTON_ACCEPT),
    LQ_CTRL(DECO_CONNECT_1),
    LQ_CTRL(DECO_CONNECT_2),
    LQ_CTRL(BUTTON_START),
    LQ_CTRL(EDIT_MAXCOL_NO),
    LQ_CTRL(SLIDE_POWER),
    LQ_CTRL(EDIT_GAIN),
    LQ_CTRL(EDIT_INTEGRAL),
    LQ_CTRL(GRID_CTT),
};
#undef LQ_CTRL
static_assert(kCtrlNames.size() == CTRL_COUNT - 1, "every control has a name");

constexpr std::array<std::pair<int, std::string_view>, 4> kPanelNames = {{
    {DATAP, "DATAP"},
    {MAINP, "MAINP"},
    {TP_CONNECT, "TP_CONNECT"},
    {TP_ASSIST, "TP_ASSIST"},
}};

}  // namespace

Ctrl CtrlFromName(std::string_view name) {
    for (const auto& [id, n] : kCtrlNames)
        if (n == name) return id;
    return CTRL_NONE;
}

std::string_view CtrlName(Ctrl c) {
    for (const auto& [id, n] : kCtrlNames)
        if (id == c) return n;
    return {};
}

int PanelResourceFromName(std::string_view name) {
    for (const auto& [id, n] : kPanelNames)
        if (n == name) return id;
    return 0;
}

std::string_view PanelResourceName(int resource) {
    for (const auto& [id, n] : kPanelNames)
        if (id == resource) return n;
    return {};
}

}  // namespace lq
