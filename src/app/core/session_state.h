// The one application-wide record of flags, settings and fixed buffers through
// which the program's operations co-operate, and the application object that
// owns it together with the configuration and the platform.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "app/core/descriptors.h"
#include "app/core/session_events.h"
#include "data/para.h"

namespace lq {

class Platform;
class EventLoop;

inline constexpr int kFrameBufferSize = 2048;
inline constexpr int kMaxFrameData = kFrameBufferSize - 8;  // 2040
inline constexpr int kSerialQueueSize = 1024;

enum ComProtocol : uint16_t { PROTOCOL_RS232 = 0, PROTOCOL_TCPIP = 1 };
enum TransferTarget : uint16_t { TARGET_EEPROM = 2, TARGET_FILE = 3 };

struct LinkSettings {
    uint16_t protocol = PROTOCOL_RS232;
    uint16_t comPort = 1;
    uint16_t baudIndex = 4;
    char host[256] = {};
    char tcpPortText[32] = {'5', '0', '0', '0', 0};
    int32_t tcpPort = 0;
};

// 21 signed 16-bit words, the image of the order-8 data frame.
struct LiveRecord {
    std::array<int16_t, 21> w{};
    int16_t R() const { return w[0]; }
    int16_t G() const { return w[1]; }
    int16_t B() const { return w[2]; }
    int16_t X() const { return w[3]; }
    int16_t Y() const { return w[4]; }
    int16_t INT() const { return w[5]; }
    int16_t ColorNo() const { return w[7]; }
};
static_assert(sizeof(LiveRecord) == 42, "live record image is 42 bytes");

struct SessionState {
    int16_t connected = 0;
    int16_t running = 0;
    int16_t tcpOpen = 0;
    int32_t tcpHandle = 0;
    int16_t sendPending = 0;
    int16_t getPending = 0;
    uint16_t transferTarget = TARGET_EEPROM;
    int32_t language = 0;
    LinkSettings link;
    int32_t linkResult = 0;
    int32_t lineStatus = 0;
    int32_t rxCount = 0;
    uint8_t rxBuffer[kFrameBufferSize] = {};
    uint8_t txBuffer[kFrameBufferSize] = {};
    uint8_t frameBuffer[kFrameBufferSize] = {};
    char statusText[256] = {};
    uint8_t respOrder = 0;
    uint16_t respStatus = 0;
    uint16_t respLength = 0;
    uint8_t respDataCrc = 0;
    char firmwareText[73] = {};
    int32_t sensorType = 0;
    char sensorName[256] = {};
    LiveRecord liveRecord;
    double cycleFrequency = 0.0;

    // Panel handles.
    int mainPanel = 0;
    int dataPanel = 0;
    int tpConnect = 0;
    int tpAssist = 0;

    char programDir[260] = {};
    char settingsPath[261] = {};
    char paraFilePath[260] = {};
};

// Strip-chart history: the last 100 (R, G, B) samples, oldest first.
struct RgbHistory {
    std::array<double, 300> v{};
};

// Minimum and maximum of X, Y and INT over the circles of the counted vectors.
struct GraphExtents {
    int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0, intMin = 0, intMax = 0;
};

// What the link layer keeps about the open serial port and TCP connection.
struct LinkDevices {
    UniqueFd serialFd;
    int serialPort = 0;  // COM number that serialFd belongs to
    UniqueFd tcpFd;
    // Link failures reported so far (ReportFailure); a session operation
    // compares it before and after to tell its caller whether one failed.
    uint32_t failures = 0;
    // Where COM numbers are looked up ("/dev" in the program; tests point it
    // at a folder of pseudo-terminal links).
    char deviceDir[256] = {'/', 'd', 'e', 'v', 0};

    // The serial port's input queue of 1024 bytes, filled from the descriptor
    // by the port's watch, so that a waiting exchange can block on readiness.
    double serialTimeout = 2.0;  // read/write time-out of the serial port, seconds
    int serialQueueLen = 0;      // bytes waiting in serialQueue
    int32_t icountBase[4] = {};  // driver's frame/overrun/parity/break counts at the last look
    bool icountMissing = false;  // the driver keeps no such counts (pseudo-terminals)
    // The 1024 bytes of data plus the header, which the exchange takes off
    // the queue before the data: a response's data may fill the whole queue.
    uint8_t serialQueue[kSerialQueueSize + 8] = {};

    // Declared after the descriptors: a watch goes before its descriptor closes.
    FdWatch tcpWatch;
    FdWatch serialWatch;  // fills serialQueue from the descriptor
};

class ComboRegistry;  // the drop-down history widgets (ui)

// The application object: owns everything that lives for the whole run.
// A front end gives it the platform and, optionally, its SessionEvents
// (without them the session reports nothing and asks nothing).
struct App {
    explicit App(Platform& p);
    App(Platform& p, SessionEvents& e);
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    Platform& ui;     // what the panel code uses: screen, dialogues, event loop
    EventLoop& loop;  // what the device layer uses: the same platform's event loop
    SessionState s;
    ParaBlock para;
    TeachTable teach;
    RgbHistory rgb;
    GraphExtents ext;
    LinkDevices dev;
    // Created by the ui layer when it attaches the drop-down, which also sets
    // the deleter (this layer cannot see the type).
    std::unique_ptr<ComboRegistry, void (*)(ComboRegistry*)> combos{nullptr, nullptr};

  private:
    SessionEvents silent_;

  public:
    // Where link, session and assistant report; never null.
    SessionEvents* events = &silent_;
};

// Bounded copy into a fixed char array: always terminated, cut at size-1.
void CopyText(char* dst, size_t size, std::string_view src);
template <size_t N>
void CopyText(char (&dst)[N], std::string_view src) {
    CopyText(dst, N, src);
}
// Bounded append; cut at size-1.
void AppendText(char* dst, size_t size, std::string_view src);
template <size_t N>
void AppendText(char (&dst)[N], std::string_view src) {
    AppendText(dst, N, src);
}

}  // namespace lq
