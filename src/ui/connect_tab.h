// The CONNECT page: protocol-dependent fields, host history, port listing.
#pragma once

#include "app/core/session_state.h"

namespace lq {

void InitConnectPanel(App& a);

}  // namespace lq
