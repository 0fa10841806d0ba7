// Callbacks of the session buttons. Placeholder bodies until the session lands.
#include "app/core/session_state.h"
#include "ui/callbacks.h"
#include "ui/help.h"

namespace lq {

#define LQ_HELP_ONLY(name)                                          \
    LQ_CTRL_CB(name) {                                              \
        (void)panel, (void)control, (void)eventData1, (void)eventData2; \
        HandleHelp(callbackData, event, #name);                     \
        return 0;                                                   \
    }

LQ_HELP_ONLY(CBF_ButtonSend)
LQ_HELP_ONLY(CBF_ButtonGet)
LQ_HELP_ONLY(CBF_ButtonGo)
LQ_HELP_ONLY(CBF_ButtonStop)
LQ_HELP_ONLY(CBF_ButtonFREQ)
LQ_HELP_ONLY(CBF_ButtonTryToConnect)
LQ_HELP_ONLY(CBF_ButtonDisconnect)

}  // namespace lq
