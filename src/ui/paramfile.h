// SEND and GET with the FILE target: the parameter file dialogues.
#pragma once

#include "app/core/session_state.h"

namespace lq {

void SendParaToFile(App& a);
void ReadParaFromFile(App& a);

}  // namespace lq
