// START ASSISTANT: runs the teach assistant with the session buttons locked.
#include "assistant/assistant.h"
#include "session/session.h"
#include "ui/callbacks.h"
#include "ui/help.h"

namespace lq {

LQ_CTRL_CB(CBF_ButtonStart) {
    (void)panel, (void)control, (void)eventData1, (void)eventData2;
    if (event == EVENT_COMMIT) {
        App& a = *static_cast<App*>(callbackData);
        SetButtonsDimmed(a, 0, 1);
        StartAssistant(a);
        SetButtonsDimmed(a, 0, 0);
        return 0;
    }
    HandleHelp(callbackData, event, "CBF_ButtonStart");
    return 0;
}

}  // namespace lq
