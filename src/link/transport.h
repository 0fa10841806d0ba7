// The one interface the exchange works against: the serial port and the TCP
// connection behind the same few operations, each keeping its own rules
// (the serial port's final read of a wait, the TCP callback that counts the
// header bytes into rxCount).
#pragma once

#include <cstdint>

#include "app/core/session_state.h"

namespace lq {

class Transport {
  public:
    virtual ~Transport() = default;
    // Before a request: drops what is waiting. Bytes that arrived while no
    // exchange waited (a late or repeated answer, a frame the sensor sent
    // unasked) answer no request of ours.
    virtual void Flush() = 0;
    // Writes the request; bytes written.
    virtual int Write(const uint8_t* data, int count) = 0;
    // Bytes of the response from its byte `from` on that have arrived and
    // are not read yet.
    virtual int BytesWaiting(int from) = 0;
    // After a wait: reads `count` bytes of the response into rxBuffer at `from`.
    virtual void Read(int from, int count) = 0;
    // Drops whatever is waiting now; true when anything was there.
    virtual bool Discard() = 0;
    // The most response data bytes it can hold.
    virtual int LargestResponse() const = 0;
    virtual void Close() = 0;
};

// The declarations of an implementation.
#define LQ_TRANSPORT_OVERRIDES                          \
    void Flush() override;                              \
    int Write(const uint8_t* data, int count) override; \
    int BytesWaiting(int from) override;                \
    void Read(int from, int count) override;            \
    bool Discard() override;                            \
    int LargestResponse() const override;               \
    void Close() override

// The serial port of a.dev: its input queue, termios flushes, the blocking
// final read that also notes the line errors in lineStatus.
class SerialTransport final : public Transport {
  public:
    explicit SerialTransport(App& a) : a_(a) {}
    LQ_TRANSPORT_OVERRIDES;

  private:
    App& a_;
};

// The TCP connection of a.dev: ClientTCPCB fills rxBuffer and rxCount from
// event dispatch, so a read only takes bytes already in place.
class TcpTransport final : public Transport {
  public:
    explicit TcpTransport(App& a) : a_(a) {}
    LQ_TRANSPORT_OVERRIDES;

  private:
    App& a_;
};

}  // namespace lq
