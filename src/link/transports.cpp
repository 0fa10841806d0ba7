// The serial port and the TCP connection as the exchange's transports.
#include "link/link.h"
#include "link/link_internal.h"
#include "link/transport.h"

namespace lq {

void SerialTransport::Flush() {
    FlushInQ(a_);
    FlushOutQ(a_);
}

int SerialTransport::Write(const uint8_t* data, int count) {
    return ComWrt(a_, data, count);
}

int SerialTransport::BytesWaiting(int /*from*/) {
    // What was read is off the queue already; rxCount follows the queue.
    a_.s.rxCount = GetInQLen(a_);
    return a_.s.rxCount;
}

void SerialTransport::Read(int from, int count) {
    a_.s.lineStatus = GetComStat(a_);
    ComRd(a_, a_.s.rxBuffer + from, count);
}

bool SerialTransport::Discard() {
    const bool dropped = GetInQLen(a_) > 0;
    FlushInQ(a_);
    return dropped;
}

int SerialTransport::LargestResponse() const {
    return kSerialQueueSize;
}

void SerialTransport::Close() {
    CloseCom(a_, a_.s.link.comPort);
}

void TcpTransport::Flush() {
    a_.s.rxCount = 0;
    DiscardTcpInput(a_);
}

int TcpTransport::Write(const uint8_t* data, int count) {
    return ClientTCPWrite(a_, data, count, 2.0);
}

int TcpTransport::BytesWaiting(int from) {
    // rxCount counts the whole response, header bytes included.
    return a_.s.rxCount - from;
}

void TcpTransport::Read(int /*from*/, int /*count*/) {
    // ClientTCPCB has put the bytes in place.
}

bool TcpTransport::Discard() {
    const bool dropped = a_.s.rxCount > 0 || DiscardTcpInput(a_);
    a_.s.rxCount = 0;
    return dropped;
}

int TcpTransport::LargestResponse() const {
    return kMaxFrameData;
}

void TcpTransport::Close() {
    DisconnectFromTCPServer(a_);
}

}  // namespace lq
