// Control and panel callbacks of the four panels, and the table that binds
// the callback names of the user-interface resource to them. Callback data
// is the App.
#pragma once

#include "app/core/platform.h"

namespace lq {

#define LQ_CTRL_CB(name) \
    int name(int panel, int control, int event, void* callbackData, int eventData1, int eventData2)
#define LQ_PANEL_CB(name) \
    int name(int panel, int event, void* callbackData, int eventData1, int eventData2)

LQ_PANEL_CB(CBF_MAINP);
LQ_PANEL_CB(CBF_DATAP);
LQ_CTRL_CB(CBF_TabMain1);
LQ_CTRL_CB(CBF_ButtonSend);
LQ_CTRL_CB(CBF_ButtonGet);
LQ_CTRL_CB(CBF_ButtonGo);
LQ_CTRL_CB(CBF_ButtonStop);
LQ_CTRL_CB(CBF_ButtonSelectMem);
LQ_CTRL_CB(CBF_EditAverage);
LQ_CTRL_CB(CBF_ButtonFREQ);
LQ_CTRL_CB(CBF_DispScanFreq);
LQ_CTRL_CB(CBF_EditSelectLanguage);
LQ_CTRL_CB(CBF_ButtonStart);
LQ_CTRL_CB(CBF_EditCommunicationProtocol);
LQ_CTRL_CB(CBF_EditSelectComPort);
LQ_CTRL_CB(CBF_EditSelectBaudrate);
LQ_CTRL_CB(CBF_StringIpAdress);
LQ_CTRL_CB(CBF_StringPortNumber);
LQ_CTRL_CB(CBF_ButtonTryToConnect);
LQ_CTRL_CB(CBF_ButtonDisconnect);
LQ_CTRL_CB(CBF_ButtonAccept);
LQ_CTRL_CB(CBF_ButtonFindComPorts);
LQ_CTRL_CB(CBF_DispX);
LQ_CTRL_CB(CBF_DispY);
LQ_CTRL_CB(CBF_DispINT);
LQ_CTRL_CB(CBF_DispRGB);
LQ_CTRL_CB(CBF_DispCOL);
LQ_CTRL_CB(CBF_Graph3D);
LQ_CTRL_CB(CBF_DispStatus);

// Binds the resource's callback names to the functions above.
const CallbackResolver& ProgramCallbacks();

}  // namespace lq
