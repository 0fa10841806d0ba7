// START ASSISTANT. Placeholder body until the assistant lands.
#include "ui/callbacks.h"
#include "ui/help.h"

namespace lq {

LQ_CTRL_CB(CBF_ButtonStart) {
    (void)panel, (void)control, (void)eventData1, (void)eventData2;
    HandleHelp(callbackData, event, "CBF_ButtonStart");
    return 0;
}

}  // namespace lq
