// Which COM numbers have a device behind them (FIND COM PORTS).
#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "link/link.h"

namespace lq {
namespace {

// The kernel creates ttyS0-31 whether or not a UART answers; sysfs tells
// which are real (type 0 = unknown). Only consulted for the system's /dev.
bool PhantomUart(const char* deviceDir, int comPort) {
    if (comPort > 32 || std::strcmp(deviceDir, "/dev") != 0) return false;
    char path[64];
    std::snprintf(path, sizeof path, "/sys/class/tty/ttyS%d/type", comPort - 1);
    FILE* f = std::fopen(path, "r");
    if (f == nullptr) return false;
    int type = -1;
    const bool read = std::fscanf(f, "%d", &type) == 1;
    std::fclose(f);
    return read && type == 0;
}

}  // namespace

int LocateCom(const char* deviceDir, int* ports, int capacity) {
    int found = 0;
    for (int com = 1; com <= 96 && found < capacity; ++com) {
        char path[300];
        if (!ComDevicePath(deviceDir, com, path, sizeof path)) continue;
        struct stat st {};
        if (stat(path, &st) != 0 || !S_ISCHR(st.st_mode)) continue;
        if (PhantomUart(deviceDir, com)) continue;
        ports[found++] = com;
    }
    return found;
}

}  // namespace lq
