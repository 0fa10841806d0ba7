// Helpers shared by the simulator's transports: a wake-up event, paced and
// fragmented writes that a stop request interrupts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lqsim::io {

// An eventfd the transport thread polls beside its descriptors.
class Wake {
  public:
    Wake();
    ~Wake();
    Wake(const Wake&) = delete;
    Wake& operator=(const Wake&) = delete;
    bool Ok() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    void Signal();
    void Drain();

  private:
    int fd_ = -1;
};

enum class WriteResult { Done, Failed, Woken };

// Writes `bytes` to the non-blocking descriptor `fd`. After each offset in
// `pauses` it pauses for a short while; with `baud` > 0 every byte takes the
// wire time of that rate (10 bits), and the answer starts only after the wire
// time of the `requestBytes` just read (the request had to cross the line
// first). Returns Woken as soon as `wakeFd` becomes readable (the wake-up is
// left pending for the caller).
WriteResult WritePaced(int fd, bool socket, const std::vector<uint8_t>& bytes,
                       const std::vector<size_t>& pauses, int baud, int wakeFd,
                       size_t requestBytes = 0);

void SetNonBlocking(int fd);

}  // namespace lqsim::io
