// Request frames (FillTxBuf) and response header validation (CheckHeaderCRC).
#include <cstring>

#include "link/link.h"

namespace lq {

void FillTxBuf(App& a, int order, uint16_t argument, uint16_t length) {
    // The data never exceeds the 2048-byte buffers, whatever the caller asks.
    if (length > kMaxFrameData) length = kMaxFrameData;
    BuildFrameHeader(a.s.frameBuffer, order, argument, length);
    std::memcpy(a.s.txBuffer, a.s.frameBuffer, static_cast<size_t>(length) + kHeaderSize);
}

int CheckHeaderCRC(App& a) {
    const uint8_t* h = a.s.rxBuffer;
    if (!HeaderValid(h)) {
        ReportFailure(a, kTextBadHeader);
        return -1;
    }
    a.s.respOrder = h[1];
    a.s.respStatus = static_cast<uint16_t>(h[2] | (h[3] << 8));
    a.s.respLength = static_cast<uint16_t>(h[4] | (h[5] << 8));
    a.s.respDataCrc = h[6];
    return 1;
}

}  // namespace lq
