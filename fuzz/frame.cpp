// Feeds arbitrary response bytes to the link: directly through the header
// and data checks, and through a whole exchange over a socket pair (header
// wait, error statuses, oversize lengths, data wait and data check).
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "link/link.h"
#include "link/link_internal.h"
#include "tests/support/test_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The test double's fake clock: a wait that finds nothing ready passes at
    // once, so time-outs cost no real time.
    lq::TestPlatform platform;
    platform.realGraceSeconds = 0;
    auto app = std::make_unique<lq::App>(platform);
    lq::App& a = *app;
    a.s.link.protocol = lq::PROTOCOL_TCPIP;
    const uint8_t mode = data[0];
    ++data;
    --size;

    if (mode & 1) {
        // The checks alone, on the bytes as they would stand in rxBuffer.
        const size_t n = size < sizeof a.s.rxBuffer ? size : sizeof a.s.rxBuffer;
        std::memcpy(a.s.rxBuffer, data, n);
        a.s.rxCount = static_cast<int>(n);
        if (lq::CheckHeaderCRC(a) == 1 && a.s.respLength > 0) lq::GetDataFrame(a);
        return 0;
    }

    // A whole exchange; the peer's answer is the input (at most 8 KiB). It is
    // written once the request has gone out, in the header wait's first
    // dispatch: bytes there before would be dropped as a frame nobody asked for.
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) return 0;
    if (size > 8192) size = 8192;
    const int peer = sv[1];
    platform.Queue([peer, data, size] {
        size_t off = 0;
        while (off < size) {
            const ssize_t w = write(peer, data + off, size - off);
            if (w <= 0) break;
            off += static_cast<size_t>(w);
        }
    });
    lq::AdoptTcpSocket(a, sv[0]);
    lq::FillTxBuf(a, lq::ORDER_LIVE, 0, 0);
    lq::DataExchange(a, 8);
    lq::DisconnectFromTCPServer(a);
    close(sv[1]);
    return 0;
}
