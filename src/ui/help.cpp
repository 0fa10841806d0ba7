// The right-click help texts, one per callback, shown under "INFO!".
#include "ui/help.h"

#include <cstring>

#include "app/core/ids.h"
#include "app/core/platform.h"
#include "app/core/session_state.h"

namespace lq {
namespace {

struct HelpEntry {
    const char* callback;
    const char* text;
};

constexpr HelpEntry kHelp[] = {
    {"CBF_TabMain1", "Select TAB-window."},
    {"CBF_ButtonGo", "Starts data transfer from sensor to PC. \n\nShortcut Key: F11. "},
    {"CBF_ButtonStop", "Stops data transfer from sensor to PC. \n\nShortcut Key: F12. "},
    {"CBF_ButtonSend",
     "All the parameters of the PC-User-Interface are transferred to the sensor or to a "
     "selectable file. \nThe target of the parameter transfer is determined by the select "
     "button (RAM, EEPROM, FILE). \n\nShortcut Key: F9. "},
    {"CBF_ButtonGet",
     "Sensor or file parameters are transferred to the PC-User-Interface. \nThe source of the "
     "parameter transfer is determined by the select button (RAM, EEPROM, FILE). \n\nShortcut "
     "Key: F10. "},
    {"CBF_EditAverage",
     "Select the number of scanning values (measured values) \nover which the raw signal is "
     "averaged (meanvalue!)."},
    {"CBF_ButtonFREQ",
     "Get cycle time from sensor. \nDon't interrupt the sensor for 8 seconds \nthen press the "
     "button."},
    {"CBF_DispScanFreq",
     "Sensor scanfrequency. \nDon't interrupt the sensor for 8 seconds \nthen press the "
     "button."},
    {"CBF_EditSelectLanguage", "Select your language."},
    {"CBF_ButtonSelectMem", "Select source respectively the target for the parameter transfer."},
    {"CBF_ButtonStart", "Start assistant to adjust the sensor."},
    {"CBF_EditSelectComPort", "Select a serial COM-PORT."},
    {"CBF_EditSelectBaudrate",
     "Select the Baudrate for data transfer. \n\nAttention! Sensor and user surface \nmust work "
     "with the same Baudrate. "},
    {"CBF_EditCommunicationProtocol", "Select RS232 or TCP/IP Interface. "},
    {"CBF_StringIpAdress", "Select a Server by name or IP address."},
    {"CBF_StringPortNumber", "Select a port number."},
    {"CBF_ButtonTryToConnect", "Try to connect sensor."},
    {"CBF_ButtonDisconnect", "Disconnect from sensor.!"},
    {"CBF_ButtonAccept", "Accept settings for communication \nand switch to ASSISTANT. "},
    {"CBF_ButtonFindComPorts", "Shows a list of available COM PORTS."},
    {"CBF_DispX", "Displays the red content of the color currently arriving at the receiver."},
    {"CBF_DispY", "Displays the green content of the color currently arriving at the receiver. "},
    {"CBF_DispINT", "Displays the intensity of the color currently arriving at the receiver. "},
    {"CBF_DispRGB", "Displays the current color intensity of RED,GREEN and BLUE. "},
    {"CBF_DispCOL",
     "Displays the current detected color number in \naccordance with the row in the TEACH "
     "TABLE. \n\nFailure condition is 255."},
    {"CBF_Graph3D",
     "The four graphs display a 3 sides view of the 3 dimensional color/intensity sphere \nplus "
     "the intensity of RED, GREEN, BLUE in an extra graph."},
};

}  // namespace

const char* HelpText(const char* callbackName) {
    if (!callbackName) return nullptr;
    for (const auto& h : kHelp)
        if (std::strcmp(h.callback, callbackName) == 0) return h.text;
    return nullptr;
}

bool HandleHelp(void* callbackData, int event, const char* callbackName) {
    if (event != EVENT_RIGHT_CLICK || !callbackData) return false;
    const char* text = HelpText(callbackName);
    if (!text) return false;
    static_cast<App*>(callbackData)->ui.MessagePopup("INFO!", text);
    return true;
}

}  // namespace lq
