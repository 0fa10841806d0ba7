// The CONNECT page. Placeholder bodies until the connection tab lands.
#include "ui/connect_tab.h"

#include "ui/callbacks.h"
#include "ui/help.h"

namespace lq {

void InitConnectPanel(App&) {}

#define LQ_HELP_ONLY(name)                                          \
    LQ_CTRL_CB(name) {                                              \
        (void)panel, (void)control, (void)eventData1, (void)eventData2; \
        HandleHelp(callbackData, event, #name);                     \
        return 0;                                                   \
    }

LQ_HELP_ONLY(CBF_EditCommunicationProtocol)
LQ_HELP_ONLY(CBF_EditSelectComPort)
LQ_HELP_ONLY(CBF_EditSelectBaudrate)
LQ_HELP_ONLY(CBF_StringIpAdress)
LQ_HELP_ONLY(CBF_StringPortNumber)
LQ_HELP_ONLY(CBF_ButtonAccept)
LQ_HELP_ONLY(CBF_ButtonFindComPorts)

}  // namespace lq
