// The failure report: the one way every link failure reaches the operator.
#include "link/link.h"

namespace lq {

void AppendStatusBox(App& a, std::string_view text) {
    a.events->StatusAppended(text);
}

void SetTimeout(App& a) {
    a.s.running = 0;
    a.s.connected = 0;
    a.events->FailureReported(a.s.statusText);
}

void ReportFailure(App& a, const char* text) {
    if (text != a.s.statusText) CopyText(a.s.statusText, text);
    ++a.dev.failures;
    SetTimeout(a);
}

}  // namespace lq
